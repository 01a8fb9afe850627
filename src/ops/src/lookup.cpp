// Replacement by lookup: one pass over the other file builds a table from
// compare value to replacement, one pass over the current file rewrites.
#include "tesmora/ops/lookup.h"

#include <cstdint>

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

LookupRequest LoadLookupSettings(ISettingsStore& store) {
    LookupRequest r;
    r.target = FieldIndex{store.GetInt(kLookupSection, "SakiField", 0)};
    r.replacement_chosen = store.GetInt(kLookupSection, "AnotherPos", 0) != 0;
    return r;
}

void StoreLookupSettings(ISettingsStore& store, const LookupRequest& r) {
    store.SetInt(kLookupSection, "SakiField", r.target.value);
    store.SetInt(kLookupSection, "AnotherPos", r.replacement_chosen ? 1 : 0);
}

Validation ValidateLookup(const LookupRequest& r) {
    if (r.other.empty()) return Refuse(kMsgNoOtherFile);
    if (r.compare == r.replacement) return Refuse(kMsgSameCompareAndReplace);
    return {};
}

std::string_view LookupReplacement(OtherFileIndex& index, std::string_view value,
                                   std::string& scratch) {
    std::string_view replacement;
    return index.Find(value, replacement, scratch) ? replacement : value;
}

bool ReplaceByLookup(Document& doc, TextWriter& out, const LookupRequest& r,
                     std::int64_t& changed) {
    OtherFileIndex index;
    const bool loaded =
        index.Load(doc, r.other, false,
                   [&r](std::string_view record, std::string& key, std::string_view& value) {
                       key = FieldSpan(record, r.compare).value_or("");
                       value = FieldSpan(record, r.replacement).value_or("");
                   });
    if (!loaded) return false;
    std::string scratch;
    return EachRecord(doc, out, [&](std::string_view record) {
        const auto field = FieldSpan(record, r.target);
        if (!field) {
            out.WriteRecord(record);
            return true;
        }
        const std::string_view to = LookupReplacement(index, *field, scratch);
        if (to != *field) ++changed;
        // Straight into the output, the record never copied in between.
        const std::size_t at = static_cast<std::size_t>(field->data() - record.data());
        out.WritePart(record.substr(0, at));
        out.WritePart(to);
        out.WriteRecord(record.substr(at + field->size()));
        return true;
    });
}

bool RunLookup(Document& doc, const LookupRequest& r) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateLookup(r))) return false;
    return RunOperation(doc, CountingPass([&r](Document& d, TextWriter& out, std::int64_t& n) {
                            return ReplaceByLookup(d, out, r, n);
                        }));
}

}  // namespace tesmora
