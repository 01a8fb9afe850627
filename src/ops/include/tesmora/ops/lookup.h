#pragma once
// Replacement by lookup: one field of every record is looked up in the other
// file's compare field and, at the first record that has it, replaced by that
// record's replacement field.
#include <cstdint>
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/ops/other_file.h"
#include "tesmora/ops/request.h"

namespace tesmora {

struct LookupRequest {
    FieldIndex target{0};             // "SakiField": of the current file
    std::string other;                // the other file's path
    FieldIndex compare{0};            // of the other file; not stored
    FieldIndex replacement{0};        // of the other file; not stored
    bool replacement_chosen = false;  // "AnotherPos": a column click sets the replacement
    bool operator==(const LookupRequest&) const = default;
};

inline constexpr const char* kLookupSection = "CodeCng";

LookupRequest LoadLookupSettings(ISettingsStore& store);
// Start stores them once both checks passed.
void StoreLookupSettings(ISettingsStore& store, const LookupRequest& r);

// 30023 when no other file is chosen, 30030 when the compare and the
// replacement field are the same.
Validation ValidateLookup(const LookupRequest& r);

// The replacement of value: the replacement field of the first other record
// whose compare field equals it byte for byte (empty when that record has no
// such field); value itself when none does.
std::string_view LookupReplacement(OtherFileIndex& index, std::string_view value,
                                   std::string& scratch);

// The pass: indexes the other file once (30003 when it cannot be read), then
// rewrites the target field of every record that has one, counting in
// changed the records whose field took another value. Refuses, with 30005, a
// result beyond the record limit.
bool ReplaceByLookup(Document& doc, TextWriter& out, const LookupRequest& r, std::int64_t& changed);

// The validation (its message shown), then the pass. True when committed.
bool RunLookup(Document& doc, const LookupRequest& r);

}  // namespace tesmora
