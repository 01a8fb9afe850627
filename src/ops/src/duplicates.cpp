// Duplicate records: one pass with one record of look-ahead.
#include "tesmora/ops/duplicates.h"

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

DuplicateRequest LoadDuplicateSettings(ISettingsStore& store) {
    DuplicateRequest s;
    s.key_field = FieldIndex{store.GetInt(kDuplicateSection, "KeyField", 0)};
    const int mode = store.GetInt(kDuplicateSection, "DelType", 0);
    s.mode = mode >= 1 && mode <= 3 ? static_cast<DuplicateMode>(mode) : DuplicateMode::KeepFirst;
    s.remove_spaces = store.GetInt(kDuplicateSection, "SpcCut", 0) != 0;
    return s;
}

void StoreDuplicateSettings(ISettingsStore& store, const DuplicateRequest& s) {
    store.SetInt(kDuplicateSection, "KeyField", s.key_field.value);
    store.SetInt(kDuplicateSection, "DelType", static_cast<int>(s.mode));
    store.SetInt(kDuplicateSection, "SpcCut", s.remove_spaces ? 1 : 0);
}

void DuplicateKey(std::string_view record, const DuplicateRequest& s, std::string& out) {
    const std::string_view key = GetField(record, ToNumber(s.key_field));
    if (!s.remove_spaces) {
        out.assign(key);
        return;
    }
    // The same as RemoveSpaces, without a new string per record.
    out.clear();
    for (std::size_t i = 0; i < key.size();) {
        const std::size_t len = CharLength(key, i);
        const bool space =
            len == 1 ? key[i] == ' ' : key[i] == '\x81' && key[i + 1] == '\x40';  // full-width
        if (!space) out.append(key.data() + i, len);
        i += len;
    }
}

bool DuplicatePass(Document& doc, TextWriter& out, const DuplicateRequest& s) {
    const DuplicateMode mode = s.mode;
    std::string key, prev_key;
    std::string pending;  // the first record of the current run
    bool first = true;
    std::int64_t repeats = 0;  // records of the current run after its first
    const bool read = EachRecord(doc, out, [&](std::string_view r) {
        DuplicateKey(r, s, key);
        const bool continues = !first && !prev_key.empty() && key == prev_key;
        if (!continues) {
            // The run before is complete.
            switch (mode) {
                case DuplicateMode::KeepFirst:
                    out.WriteRecord(r);
                    break;
                case DuplicateMode::DropRepeated:
                    if (!first && repeats == 0) out.WriteRecord(pending);
                    pending.assign(r);
                    break;
                case DuplicateMode::FirstOfRepeated:
                case DuplicateMode::OnlyRepeated:
                    pending.assign(r);
                    break;
            }
            repeats = 0;
        } else {
            if (repeats == 0 &&
                (mode == DuplicateMode::FirstOfRepeated || mode == DuplicateMode::OnlyRepeated))
                out.WriteRecord(pending);
            if (mode == DuplicateMode::OnlyRepeated) out.WriteRecord(r);
            ++repeats;
        }
        prev_key.swap(key);
        first = false;
        return true;
    });
    if (!read) return false;
    if (mode == DuplicateMode::DropRepeated && !first && repeats == 0) out.WriteRecord(pending);
    return true;
}

bool RunDuplicates(Document& doc, const DuplicateRequest& s) {
    if (!doc.IsOpen()) return false;
    return RunOperation(doc,
                        [&s](Document& d, TextWriter& out) { return DuplicatePass(d, out, s); });
}

}  // namespace tesmora
