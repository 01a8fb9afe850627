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

// Whether word occurs in one of the fields of span. Without a comma in the
// word, a match in the stretch never crosses a field boundary; a word with a
// comma is in no field. Candidates come from a plain search and are kept
// only on a character boundary (the stretch starts on one).
bool Contains(std::string_view span, std::string_view word) {
    if (word.empty() || word.find(',') != npos) return false;
    for (std::size_t p = span.find(word); p != npos; p = span.find(word, p + 1))
        if (!CutsCharacter(span, p)) return true;
    return false;
}

bool Matches(std::string_view record, const LineDeleteRequest& s, bool to_end) {
    const int from = std::max(0, std::min(s.first.value, s.last.value));
    const int to = std::max(s.first.value, s.last.value);
    if (to < 0) return false;
    const auto stretch =
        FieldSpan(record, FieldIndex{from}, to_end ? kRestOfRecord : FieldIndex{to});
    if (!stretch) return false;
    const std::string_view span = *stretch;
    const bool found1 = Contains(span, s.word1);
    if (s.word2.empty()) return found1;
    if (s.use_or) return found1 || Contains(span, s.word2);
    return found1 && Contains(span, s.word2);
}

}  // namespace

Validation ValidateLineDelete(const LineDeleteRequest& s) {
    return s.word1.empty() ? Refuse(kMsgNoText, Focus::Word1) : Validation{};
}

bool LineMatches(std::string_view record, const LineDeleteRequest& s) {
    return Matches(record, s, false);
}

bool LineDeletePass(Document& doc, TextWriter& out, const LineDeleteRequest& s) {
    ProgressStepper progress(doc.Progress(), doc.ExpectedRecords());
    // A range up to the last field of the widest record needs no search for its end.
    const bool to_end =
        !doc.StatsPending() && std::max(s.first.value, s.last.value) >= doc.Stats().most_fields - 1;
    std::int64_t count = 0;
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) {
        if (Matches(line.text, s, to_end) == s.keep_matching) out.WriteRecord(line.text);
        progress.Step(++count);
    }
    return true;
}

bool RunLineDelete(Document& doc, const LineDeleteRequest& s) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateLineDelete(s))) return false;
    return RunOperation(doc,
                        [&s](Document& d, TextWriter& out) { return LineDeletePass(d, out, s); });
}

}  // namespace tesmora
