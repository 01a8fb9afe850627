#pragma once
// Append matching records: each record of the current file gets a comma and
// the first record of the other file whose key field equals its own.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/ops/other_file.h"
#include "tesmora/ops/request.h"

namespace tesmora {

struct TailAddRequest {
    FieldIndex key_field{0};        // "KeyField": of the current file
    std::string other;              // the other file's path
    FieldIndex other_key_field{0};  // of the other file; not stored
    bool remove_spaces = false;     // "SpaceCut": keys compared without spaces
    bool operator==(const TailAddRequest&) const = default;
};

inline constexpr const char* kTailAddSection = "TailAdd";

TailAddRequest LoadTailAddSettings(ISettingsStore& store);
// Start stores them once the other file is known.
void StoreTailAddSettings(ISettingsStore& store, const TailAddRequest& r);

// 30023 when no other file is chosen.
Validation ValidateTailAdd(const TailAddRequest& r);

// The key a record is compared by: its key field, without full-width and
// then half-width spaces when they are removed (then held in scratch).
std::string_view MatchKey(std::string_view record, FieldIndex field, bool remove_spaces,
                          std::string& scratch);

// The first record of the other file whose key equals key, as it is (its own
// spaces kept); empty when none does, or when the one that does is empty.
std::string_view FindMatchingRecord(OtherFileIndex& index, std::string_view key,
                                    std::string& scratch);

// The pass: indexes the other file once (30003 when it cannot be read), then
// writes every record, with ",", and its match when there is one. Refuses,
// with 30005 or 30010, a result beyond the file limits.
bool AppendMatchingRecords(Document& doc, TextWriter& out, const TailAddRequest& r);

// The validation (its message shown), then the pass. True when committed.
bool RunTailAdd(Document& doc, const TailAddRequest& r);

}  // namespace tesmora
