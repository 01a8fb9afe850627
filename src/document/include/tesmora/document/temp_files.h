#pragma once
// Every temporary file the process makes is recorded in a fixed table that a
// signal handler may read, so that an interrupted run leaves none behind.
#include <cstdint>
#include <string>
#include <vector>

namespace tesmora {

// Records a file just created (false when the table is full or the path too
// long: its owner still deletes it, only a signal would leave it).
bool RecordTemp(const std::string& path);
// The file was deleted or renamed into place: no longer ours to delete.
void ForgetTemp(const std::string& path);
// Deletes a recorded file and forgets it; false (still recorded) when it
// could not be deleted.
bool RemoveTemp(const std::string& path);
// Deletes every recorded file. Async-signal-safe: a handler may call it.
void RemoveRecordedTemps() noexcept;
// How many files are recorded (tests).
int RecordedTempCount();

// Crash recovery. The temporary-folder files a process records are also
// listed in its owner file ("tesmora-PID.own" beside them), which it holds
// locked while it runs and deletes when it ends with nothing left. An owner
// file nobody holds belongs to a run that died: the "TesXXXX.TMP" files it
// lists in that folder, and it, are deleted. Returns how many files went.
int RemoveAbandonedTemps(const std::string& folder);
// Ends this process's owner file (at exit; done by a static object too).
void CloseOwnerFile();

// The open document as the owner file records it, so that a run that dies
// with unsaved changes can have them offered back by the next start.
struct DocumentRecord {
    std::string working;   // its working file (one of the listed files)
    std::string file;      // the user's file it belongs to
    std::string encoding;  // "shift-jis", "utf-8" or "utf-8-bom"
    std::string forms;     // the forms of its two-form characters, a digit a slot
    bool modified = false;
    std::int64_t time = 0;  // seconds since the epoch
    std::int64_t records = 0;
    std::string owner;  // the owner file it was found in
};
// Replaces the record of this process's document (none: removes it). A
// modified document's working file is forced to disk, and its folder, first.
void RecordDocument(const DocumentRecord* record);
// The modified documents recorded by runs that are gone, newest first.
// RemoveAbandonedTemps leaves their files alone.
std::vector<DocumentRecord> FindAbandonedDocuments(const std::string& folder);
// Deletes what such a run left (once recovered or declined).
void DiscardAbandoned(const DocumentRecord& record);

}  // namespace tesmora
