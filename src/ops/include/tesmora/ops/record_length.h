#pragma once
// Record length edit: brings every record to one length in bytes, padding
// with half-width spaces and, for a given length, cutting.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"

namespace tesmora {

// The given length runs 1 .. 4,998, so no output record can break the line
// limit; the dialog's length control uses this range.
inline constexpr int kMinRecordLength = 1;
inline constexpr int kMaxRecordLength = kMaxRecordBytes;

// Section "LineLength".
struct RecordLengthSettings {
    bool given_length = false;  // "SetMax": 0 the longest record's length, 1 the given one
    int length = 100;           // "LineLen", kept within 1 .. 4,998
};

inline constexpr const char* kRecordLengthSection = "LineLength";

// A stored "LineLen" outside the range loads as the nearest end of it.
RecordLengthSettings LoadRecordLengthSettings(ISettingsStore& store);
// Start stores "SetMax" before the check and "LineLen" after it.
void StoreRecordLengthMode(ISettingsStore& store, const RecordLengthSettings& s);
void StoreRecordLengthValue(ISettingsStore& store, const RecordLengthSettings& s);

struct RecordLengths {
    int longest = 0;
    int shortest = 0;
};

// Longest and shortest record length (line break not counted) of the
// working file. From the statistics when the last record ends with a line
// break, else by a pass over the records.
RecordLengths MeasureRecordLengths(Document& doc);

// 30024 (shown with the information icon) when the longest record's length
// is asked for and every record already has it; else 0.
int CheckRecordLength(Document& doc, const RecordLengthSettings& s);

// True when a cut before byte `cut` of text falls between the two bytes of a
// double-byte character. Looks back only over the bytes that may be lead
// bytes, not from the start of the text.
bool CutsCharacter(std::string_view text, std::size_t cut);

// Writes record brought to length into out (cleared first): padded with
// spaces, or cut; a cut never leaves half of a double-byte character, whose
// lead byte gives way to one more space.
void FitRecord(std::string_view record, int length, std::string& out);

bool RecordLengthPass(Document& doc, TextWriter& out, int length);

// Start after "SetMax" is stored: the check (its message shown), then the
// pass. The dialog stores "LineLen" between the two. True when committed;
// false, with nothing changed, when no document is open, the check or the
// pass failed.
bool RunRecordLength(Document& doc, const RecordLengthSettings& s);

}  // namespace tesmora
