// Conditional record deletion: one pass; the fields of the range are searched
// as one stretch, where a match can never cross from one field to the next.
#include "tesmora/ops/line_delete.h"

#include <algorithm>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

LineDeleteRequest LoadLineDeleteSettings(ISettingsStore& store) {
    LineDeleteRequest s;
    s.first = FieldIndex{store.GetInt(kLineDeleteSection, "Field1", 0)};
    s.last = FieldIndex{store.GetInt(kLineDeleteSection, "Field2", 1)};
    s.keep_matching = store.GetInt(kLineDeleteSection, "DelOrLeave", 1) != 0;
    s.word1 = store.GetString(kLineDeleteSection, "Moji1", "");
    s.word2 = store.GetString(kLineDeleteSection, "Moji2", "");
    s.use_or = store.GetInt(kLineDeleteSection, "AndOrOr", 1) != 0;
    return s;
}

void StoreLineDeleteRange(ISettingsStore& store, const LineDeleteRequest& s) {
    store.SetInt(kLineDeleteSection, "Field1", s.first.value);
    store.SetInt(kLineDeleteSection, "Field2", s.last.value);
    store.SetInt(kLineDeleteSection, "DelOrLeave", s.keep_matching ? 1 : 0);
}

void StoreLineDeleteWords(ISettingsStore& store, const LineDeleteRequest& s) {
    store.SetString(kLineDeleteSection, "Moji1", s.word1);
    store.SetString(kLineDeleteSection, "Moji2", s.word2);
    store.SetInt(kLineDeleteSection, "AndOrOr", s.use_or ? 1 : 0);
}

namespace {

// Whether word occurs in one of the first `fields` + 1 fields of span. Without
// a comma in the word, a match never crosses a field boundary; a word with a
// comma is in no field. Candidates come from a plain search and are kept only
// on a character boundary (the span starts on one). Only the first such match
// can lie in those fields, so their end is looked for only when there is one.
bool Contains(std::string_view span, std::string_view word, int fields) {
    if (word.empty() || word.find(',') != npos) return false;
    for (std::size_t p = FindBytes(span, word); p != npos; p = FindBytes(span, word, p + 1))
        if (!CutsCharacter(span, p))
            return CountByte(span.substr(0, p), ',') <= static_cast<std::size_t>(fields);
    return false;
}

bool Matches(std::string_view record, const LineDeleteRequest& s) {
    const int from = std::max(0, std::min(s.first.value, s.last.value));
    const int to = std::max(s.first.value, s.last.value);
    if (to < 0) return false;
    const auto rest = FieldSpan(record, FieldIndex{from}, kRestOfRecord);
    if (!rest) return false;
    const bool found1 = Contains(*rest, s.word1, to - from);
    if (s.word2.empty()) return found1;
    if (s.use_or) return found1 || Contains(*rest, s.word2, to - from);
    return found1 && Contains(*rest, s.word2, to - from);
}

}  // namespace

Validation ValidateLineDelete(const LineDeleteRequest& s) {
    return s.word1.empty() ? Refuse(kMsgNoText, Focus::Word1) : Validation{};
}

bool LineMatches(std::string_view record, const LineDeleteRequest& s) {
    return Matches(record, s);
}

bool LineDeletePass(Document& doc, TextWriter& out, const LineDeleteRequest& s) {
    return EachRecord(doc, out, [&](std::string_view record) {
        if (Matches(record, s) == s.keep_matching) out.WriteRecord(record);
        return true;
    });
}

bool RunLineDelete(Document& doc, const LineDeleteRequest& s) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateLineDelete(s))) return false;
    return RunOperation(doc,
                        [&s](Document& d, TextWriter& out) { return LineDeletePass(d, out, s); });
}

}  // namespace tesmora
