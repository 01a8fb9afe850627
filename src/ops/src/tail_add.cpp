// Append matching records: one pass over the other file builds its index, one
// pass over the current file appends.
#include "tesmora/ops/tail_add.h"

#include <cstdint>

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

TailAddRequest LoadTailAddSettings(ISettingsStore& store) {
    TailAddRequest r;
    r.key_field = FieldIndex{store.GetInt(kTailAddSection, "KeyField", 0)};
    r.remove_spaces = store.GetInt(kTailAddSection, "SpaceCut", 0) != 0;
    return r;
}

void StoreTailAddSettings(ISettingsStore& store, const TailAddRequest& r) {
    store.SetInt(kTailAddSection, "KeyField", r.key_field.value);
    store.SetInt(kTailAddSection, "SpaceCut", r.remove_spaces ? 1 : 0);
}

Validation ValidateTailAdd(const TailAddRequest& r) {
    return r.other.empty() ? Refuse(kMsgNoOtherFile) : Validation{};
}

std::string_view MatchKey(std::string_view record, FieldIndex field, bool remove_spaces,
                          std::string& scratch) {
    const std::string_view key = FieldSpan(record, field).value_or(std::string_view{});
    if (!remove_spaces) return key;
    scratch = RemoveSpaces(key);
    return scratch;
}

std::string_view FindMatchingRecord(OtherFileIndex& index, std::string_view key,
                                    std::string& scratch) {
    std::string_view record;
    return index.Find(key, record, scratch) ? record : std::string_view{};
}

bool AppendMatchingRecords(Document& doc, TextWriter& out, const TailAddRequest& r) {
    OtherFileIndex index;
    std::string spaceless;
    const bool loaded =
        index.Load(doc, r.other, true,
                   [&](std::string_view record, std::string& key, std::string_view& value) {
                       key = MatchKey(record, r.other_key_field, r.remove_spaces, spaceless);
                       value = record;
                   });
    if (!loaded) return false;
    std::string scratch, key;
    return EachRecord(doc, out, [&](std::string_view record) {
        std::string_view match;
        if (index.Size() > 0)
            match = FindMatchingRecord(index, MatchKey(record, r.key_field, r.remove_spaces, key),
                                       scratch);
        if (match.empty()) {
            out.WriteRecord(record);
            return true;
        }
        out.WritePart(record);
        out.WritePart(",");
        out.WriteRecord(match);
        return true;
    });
}

bool RunTailAdd(Document& doc, const TailAddRequest& r) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateTailAdd(r))) return false;
    return RunOperation(
        doc, [&r](Document& d, TextWriter& out) { return AppendMatchingRecords(d, out, r); });
}

}  // namespace tesmora
