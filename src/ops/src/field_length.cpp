// Field length edit: one pass; only the chosen field of each record changes.
#include "tesmora/ops/field_length.h"

#include <algorithm>
#include <cstring>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"
#include "tesmora/ops/record_length.h"

namespace tesmora {

namespace {
constexpr int kMsgTooLong = 30005;
constexpr int kMsgNoText = 30008;
constexpr int kMsgNoComma = 30031;
constexpr int kMsgOneByte = 30032;
}  // namespace

FieldLengthSettings LoadFieldLengthSettings(ISettingsStore& store) {
    FieldLengthSettings s;
    s.key_field = FieldIndex{store.GetInt(kFieldLengthSection, "KeyField", 0)};
    s.length = std::clamp(store.GetInt(kFieldLengthSection, "NewLen", 1), kMinFieldLength,
                          kMaxFieldLength);
    s.keep_end = store.GetInt(kFieldLengthSection, "Houhou", 0) != 0;
    s.use_fill = store.GetInt(kFieldLengthSection, "YohakuCheck", 1) != 0;
    s.fill_text = store.GetString(kFieldLengthSection, "YohakuMoji", "");
    return s;
}

void StoreFieldLengthSettings(ISettingsStore& store, const FieldLengthSettings& s) {
    store.SetInt(kFieldLengthSection, "KeyField", s.key_field.value);
    store.SetInt(kFieldLengthSection, "NewLen", s.length);
    store.SetInt(kFieldLengthSection, "Houhou", s.keep_end ? 1 : 0);
    store.SetInt(kFieldLengthSection, "YohakuCheck", s.use_fill ? 1 : 0);
}

void StoreFieldLengthFill(ISettingsStore& store, const FieldLengthSettings& s) {
    store.SetString(kFieldLengthSection, "YohakuMoji", s.fill_text);
}

int CheckFieldLength(const FieldLengthSettings& s) {
    if (!s.use_fill) return 0;
    if (s.fill_text.empty()) return kMsgNoText;
    const auto b = static_cast<unsigned char>(s.fill_text[0]);
    // A lone lead byte would swallow the byte after it, and a control byte
    // such as a line break would split the record: neither is a one-byte
    // character.
    if (s.fill_text.size() != 1 || IsLeadByte(b) || (b < 0x20 && b != '\t') || b == 0x7F)
        return kMsgOneByte;
    if (b == ',') return kMsgNoComma;
    return 0;
}

char FillByte(const FieldLengthSettings& s) {
    return s.use_fill && !s.fill_text.empty() ? s.fill_text[0] : ' ';
}

namespace {

// How a field is brought to length: the bytes [from, to) of it are kept and
// pad fill bytes go before them (keep_end) or after them.
struct FieldFit {
    std::size_t from, to, pad;
};

FieldFit PlanFit(std::string_view field, std::size_t target, bool keep_end) {
    const std::size_t m = field.size();
    if (!keep_end) {
        std::size_t keep = std::min(m, target);
        // Never keep the lead byte of a character whose trail byte is cut off.
        if (CutsCharacter(field, keep)) --keep;
        return {0, keep, target - keep};
    }
    std::size_t from = m > target ? m - target : 0;
    // Never start with the trail byte of a character whose lead byte is cut off.
    if (CutsCharacter(field, from)) ++from;
    return {from, m, target - (m - from)};
}

}  // namespace

void FitField(std::string_view field, int length, bool keep_end, char fill, std::string& out) {
    const FieldFit fit = PlanFit(field, static_cast<std::size_t>(std::max(length, 0)), keep_end);
    out.clear();
    if (keep_end) out.append(fit.pad, fill);
    out.append(field.substr(fit.from, fit.to - fit.from));
    if (!keep_end) out.append(fit.pad, fill);
}

bool FieldLengthPass(Document& doc, TextWriter& out, const FieldLengthSettings& s) {
    ProgressStepper progress(doc.Progress(), doc.Stats().records);
    const int k = s.key_field.value;
    const std::size_t target = static_cast<std::size_t>(std::max(s.length, 0));
    const std::string fills(target, FillByte(s));
    std::int64_t count = 0;
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) {
        const std::string_view r = line.text;
        // A trail byte is never a comma: fields are found with a plain search.
        const char* p = r.data();
        const char* const end = p + r.size();
        bool has_field = k >= 0;
        for (int i = 0; has_field && i < k; ++i) {
            const void* comma = std::memchr(p, ',', static_cast<std::size_t>(end - p));
            if (comma)
                p = static_cast<const char*>(comma) + 1;
            else
                has_field = false;
        }
        if (!has_field) {
            out.WriteRecord(r);
        } else {
            const void* comma = std::memchr(p, ',', static_cast<std::size_t>(end - p));
            const std::size_t start = static_cast<std::size_t>(p - r.data());
            const std::size_t stop =
                comma ? static_cast<std::size_t>(static_cast<const char*>(comma) - r.data())
                      : r.size();
            const FieldFit fit = PlanFit(r.substr(start, stop - start), target, s.keep_end);
            if (r.size() - (stop - start) + target > static_cast<std::size_t>(kMaxRecordBytes)) {
                doc.Message(kMsgTooLong);
                return false;
            }
            // Straight into the output in three pieces, the record never copied
            // in between: before the padding, the padding, and the rest.
            const std::string_view pad = std::string_view(fills).substr(0, fit.pad);
            if (s.keep_end) {
                out.WritePart(r.substr(0, start));
                out.WritePart(pad);
                out.WriteRecord(r.substr(start + fit.from));
            } else {
                out.WritePart(r.substr(0, start + fit.to));
                out.WritePart(pad);
                out.WriteRecord(r.substr(stop));
            }
        }
        progress.Step(++count);
    }
    return true;
}

bool RunFieldLength(Document& doc, const FieldLengthSettings& s) {
    if (!doc.IsOpen()) return false;
    if (const int id = CheckFieldLength(s)) {
        doc.Message(id);
        return false;
    }
    return RunOperation(doc,
                        [&s](Document& d, TextWriter& out) { return FieldLengthPass(d, out, s); });
}

}  // namespace tesmora
