#pragma once
// Conditional record deletion: drops the records whose fields in a range
// contain (or do not contain) one or two words.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/document/types.h"
#include "tesmora/ops/request.h"

namespace tesmora {

// Words are code page 932 bytes, as the run uses them. Section "LineDel"
// keeps the words as the text typed (UTF-8); the dialog converts them.
struct LineDeleteRequest {
    FieldIndex first{0};        // "Field1": range start
    FieldIndex last{1};         // "Field2": range end (inclusive)
    bool keep_matching = true;  // "DelOrLeave": 1 deletes the records that do not
                                // match, 0 those that match
    std::string word1;          // "Moji1", never empty at Start
    std::string word2;          // "Moji2", may be empty
    bool use_or = true;         // "AndOrOr": 1 Or, 0 And
    bool operator==(const LineDeleteRequest&) const = default;
};

inline constexpr const char* kLineDeleteSection = "LineDel";

LineDeleteRequest LoadLineDeleteSettings(ISettingsStore& store);
// Start stores its values in two steps: the range and the delete mode before
// the check, the words and And/Or only once the check passed.
void StoreLineDeleteRange(ISettingsStore& store, const LineDeleteRequest& s);
void StoreLineDeleteWords(ISettingsStore& store, const LineDeleteRequest& s);

// 30008 when word 1 is empty (focus on its box).
Validation ValidateLineDelete(const LineDeleteRequest& s);

// Whether the record matches: each word is looked for in every field from
// first to last on its own, so a word never spans two fields, and never
// starts inside a double-byte character. With word 2 empty only word 1
// counts, whatever And/Or says. Reversed bounds are put in order.
bool LineMatches(std::string_view record, const LineDeleteRequest& s);

bool LineDeletePass(Document& doc, TextWriter& out, const LineDeleteRequest& s);

// The validation (its message shown), then the pass. True when committed; false, with nothing
// changed, when no document is open, the check or the pass failed.
bool RunLineDelete(Document& doc, const LineDeleteRequest& s);

}  // namespace tesmora
