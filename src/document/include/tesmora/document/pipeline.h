#pragma once
// The calling order every whole-file operation follows once its settings are
// checked and stored: save the top record for undo, open an output file, run
// the pass under the wait cursor, commit, show the time taken, set the
// modified flag and redraw.
#include <cstdint>
#include <functional>
#include <string>

#include "tesmora/document/document.h"
#include "tesmora/document/progress.h"

namespace tesmora {

// The operation's own pass: reads the working file (doc.Records()) and writes
// output records to out. Returns false after showing its own message.
using OperationPass = std::function<bool(Document& doc, TextWriter& out)>;
// A pass that also counts the records it rewrote (changed).
using CountingPass = std::function<bool(Document& doc, TextWriter& out, std::int64_t& changed)>;

// The record loop of the streaming passes: every record of the working file
// in order, with the progress. each(record) writes what the record becomes to
// out (or nothing) and returns false once it has shown why it stops. A record
// written over the length limit stops the pass with the load's message, so a
// refused result costs no commit; the field limit is checked by the output's
// index (or its reload), as for any file loaded.
template <typename Each>
bool EachRecord(Document& doc, TextWriter& out, Each&& each) {
    ProgressStepper progress(doc.Progress(), doc.ExpectedRecords());
    TextReader reader = doc.Records();
    Line line;
    std::int64_t count = 0;
    while (reader.Next(line)) {
        if (!each(line.text)) return false;
        if (out.LongestLine() > kMaxLineLength) {
            doc.Message(kMsgLineTooLong);
            return false;
        }
        progress.Step(++count);
    }
    return true;
}

// True when the operation was committed (the dialog may close).
bool RunOperation(Document& doc, const OperationPass& pass);
bool RunOperation(Document& doc, const CountingPass& pass);

// What a committed operation or an undo did to the records.
struct RecordChange {
    std::int64_t before = 0;
    std::int64_t after = 0;
    std::int64_t changed = -1;  // records rewritten; -1 when the pass does not count them
};

// The status text after a commit or an undo: the time taken and the record
// change, e.g. "00:00:01  300 → 290 レコード"; a pass that counts adds
// how many records it rewrote.
std::string StatusLine(long long seconds, const RecordChange& change);

}  // namespace tesmora
