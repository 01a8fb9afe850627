#pragma once
// Duplicate records: keeps or drops the records whose key field repeats the
// key of the record before them (the file is expected to be sorted by it).
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/document/types.h"

namespace tesmora {

// Which records of each run of equal adjacent keys are written.
enum class DuplicateMode {
    KeepFirst = 0,        // the first record of every run
    DropRepeated = 1,     // every run of exactly one record
    FirstOfRepeated = 2,  // the first record of every run of two or more
    OnlyRepeated = 3,     // every record of every run of two or more
};

// Section "DblDel" holds it as it is.
struct DuplicateRequest {
    FieldIndex key_field{0};                        // "KeyField"
    DuplicateMode mode = DuplicateMode::KeepFirst;  // "DelType"
    bool remove_spaces = false;                     // "SpcCut"
    bool operator==(const DuplicateRequest&) const = default;
};

inline constexpr const char* kDuplicateSection = "DblDel";

// A stored "DelType" outside 0..3 loads as KeepFirst, as the dialog shows it.
DuplicateRequest LoadDuplicateSettings(ISettingsStore& store);
void StoreDuplicateSettings(ISettingsStore& store, const DuplicateRequest& s);

// The comparison key of a record: field key_field, without half-width and
// full-width spaces when remove_spaces is on. Written into out (capacity
// kept, so a reused buffer allocates nothing once grown).
void DuplicateKey(std::string_view record, const DuplicateRequest& s, std::string& out);

// The pass. A record continues the run of the record before it when both
// keys are equal and not empty; a record with an empty key (or no key field)
// is always a run of one, so it is kept by KeepFirst and DropRepeated and
// dropped by the other two modes. One sequential pass; memory does not grow
// with the file.
bool DuplicatePass(Document& doc, TextWriter& out, const DuplicateRequest& s);

// There are no checks. True when committed;
// false, with nothing changed, when no document is open or the run failed.
bool RunDuplicates(Document& doc, const DuplicateRequest& s);

}  // namespace tesmora
