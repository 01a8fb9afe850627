#pragma once
// Record length edit: brings every record to one length in bytes, padding
// with half-width spaces and, for a given length, cutting.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/ops/request.h"

namespace tesmora {

// The given length runs 1 .. 4,998, so no output record can break the line
// limit; the dialog's length control uses this range.
inline constexpr int kMinRecordLength = 1;
inline constexpr int kMaxRecordLength = kMaxRecordBytes;

// Section "LineLength" holds it as it is.
struct RecordLengthRequest {
    bool given_length = false;  // "SetMax": 0 the longest record's length, 1 the given one
    int length = 100;           // "LineLen", kept within 1 .. 4,998
    bool operator==(const RecordLengthRequest&) const = default;
};

inline constexpr const char* kRecordLengthSection = "LineLength";

// A stored "LineLen" outside the range loads as the nearest end of it.
RecordLengthRequest LoadRecordLengthSettings(ISettingsStore& store);
// Start stores "SetMax" before the check and "LineLen" after it.
void StoreRecordLengthMode(ISettingsStore& store, const RecordLengthRequest& s);
void StoreRecordLengthValue(ISettingsStore& store, const RecordLengthRequest& s);

struct RecordLengths {
    int longest = 0;
    int shortest = 0;
};

// Longest and shortest record length (line break not counted) of the
// working file. From the statistics when the last record ends with a line
// break, else by a pass over the records.
RecordLengths MeasureRecordLengths(Document& doc);

// The length every record is brought to: the given one (within 1 .. 4,998)
// or the longest record's, measured once. Refused with 30024 (information
// icon) when the longest is asked for and every record already has it.
struct RecordLengthTarget {
    int length = 0;
    Validation validation;
};
RecordLengthTarget ResolveRecordLength(Document& doc, const RecordLengthRequest& s);
inline Validation ValidateRecordLength(Document& doc, const RecordLengthRequest& s) {
    return ResolveRecordLength(doc, s).validation;
}

// Writes record brought to length into out (cleared first): padded with
// spaces, or cut; a cut never leaves half of a double-byte character, whose
// lead byte gives way to one more space.
void FitRecord(std::string_view record, int length, std::string& out);

bool RecordLengthPass(Document& doc, TextWriter& out, int length);

// The length resolved (a refusal shown), then the pass. True when committed;
// false, with nothing changed, when no document is open, the check or the
// pass failed.
bool RunRecordLength(Document& doc, const RecordLengthRequest& s);

}  // namespace tesmora
