// Field length edit: one pass; only the chosen field of each record changes.
#include "tesmora/ops/field_length.h"

#include <algorithm>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

FieldLengthRequest LoadFieldLengthSettings(ISettingsStore& store) {
    FieldLengthRequest s;
    s.key_field = FieldIndex{store.GetInt(kFieldLengthSection, "KeyField", 0)};
    s.length = std::clamp(store.GetInt(kFieldLengthSection, "NewLen", 1), kMinFieldLength,
                          kMaxFieldLength);
    s.keep_end = store.GetInt(kFieldLengthSection, "Houhou", 0) != 0;
    s.use_fill = store.GetInt(kFieldLengthSection, "YohakuCheck", 1) != 0;
    s.fill_text = store.GetString(kFieldLengthSection, "YohakuMoji", "");
    return s;
}

void StoreFieldLengthSettings(ISettingsStore& store, const FieldLengthRequest& s) {
    store.SetInt(kFieldLengthSection, "KeyField", s.key_field.value);
    store.SetInt(kFieldLengthSection, "NewLen", s.length);
    store.SetInt(kFieldLengthSection, "Houhou", s.keep_end ? 1 : 0);
    store.SetInt(kFieldLengthSection, "YohakuCheck", s.use_fill ? 1 : 0);
}

void StoreFieldLengthFill(ISettingsStore& store, const FieldLengthRequest& s) {
    store.SetString(kFieldLengthSection, "YohakuMoji", s.fill_text);
}

Validation ValidateFieldLength(const FieldLengthRequest& s) {
    if (s.length < kMinFieldLength || s.length > kMaxFieldLength)
        return Refuse(kMsgFieldLengthRange);
    if (!s.use_fill) return {};
    if (s.fill_text.empty()) return Refuse(kMsgNoText, Focus::FillText);
    const auto b = static_cast<unsigned char>(s.fill_text[0]);
    // A lone lead byte would swallow the byte after it, and a control byte
    // such as a line break would split the record: neither is a one-byte
    // character.
    if (s.fill_text.size() != 1 || IsLeadByte(b) || (b < 0x20 && b != '\t') || b == 0x7F)
        return Refuse(kMsgOneByteCharacter, Focus::FillText);
    if (b == ',') return Refuse(kMsgNoComma, Focus::FillText);
    return {};
}

char FillByte(const FieldLengthRequest& s) {
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

bool FieldLengthPass(Document& doc, TextWriter& out, const FieldLengthRequest& s) {
    const FieldIndex k = s.key_field;
    const std::size_t target = static_cast<std::size_t>(std::max(s.length, 0));
    const std::string fills(target, FillByte(s));
    return EachRecord(doc, out, [&](std::string_view r) {
        const auto field = FieldSpan(r, k);
        if (!field) {
            out.WriteRecord(r);
            return true;
        }
        const std::size_t start = static_cast<std::size_t>(field->data() - r.data());
        const std::size_t stop = start + field->size();
        const FieldFit fit = PlanFit(*field, target, s.keep_end);
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
        return true;
    });
}

bool RunFieldLength(Document& doc, const FieldLengthRequest& s) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateFieldLength(s))) return false;
    return RunOperation(doc,
                        [&s](Document& d, TextWriter& out) { return FieldLengthPass(d, out, s); });
}

}  // namespace tesmora
