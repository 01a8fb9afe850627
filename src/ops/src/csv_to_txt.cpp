// CSV to fixed-width text: a pass for the field widths, then one pass that
// writes every record padded field by field. The output record length is the
// same for every record, so the limits are checked once, before writing.
#include "tesmora/ops/csv_to_txt.h"

#include <algorithm>
#include <cstdint>

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

CsvToTxtRequest LoadCsvToTxtSettings(ISettingsStore& store) {
    CsvToTxtRequest r;
    const int mode = store.GetInt(kCsvToTxtSection, "Comma", 3);
    r.mode = mode == 1 ? CommaMode::Delete : mode == 2 ? CommaMode::Replace : CommaMode::Keep;
    r.text = store.GetString(kCsvToTxtSection, "Moji", "");
    return r;
}

void StoreCsvToTxtMode(ISettingsStore& store, const CsvToTxtRequest& r) {
    store.SetInt(kCsvToTxtSection, "Comma", static_cast<int>(r.mode));
}

void StoreCsvToTxtText(ISettingsStore& store, const CsvToTxtRequest& r) {
    store.SetString(kCsvToTxtSection, "Moji", r.text);
}

Validation ValidateCsvToTxt(const CsvToTxtRequest& r) {
    if (r.mode == CommaMode::Replace && r.text.empty()) return Refuse(kMsgNoText, Focus::Separator);
    return {};
}

std::string_view Separator(const CsvToTxtRequest& r) {
    switch (r.mode) {
        case CommaMode::Delete:
            return {};
        case CommaMode::Replace:
            return r.text;
        case CommaMode::Keep:
            break;
    }
    return ",";
}

namespace {

// Appends field cut or padded to width.
void AppendPadded(std::string& out, std::string_view field, std::size_t width) {
    const std::size_t kept = std::min(field.size(), width);
    out.append(field.data(), kept);
    out.append(width - kept, ' ');
}

}  // namespace

std::string PadField(std::string_view field, int width) {
    std::string out;
    AppendPadded(out, field, static_cast<std::size_t>(std::max(width, 0)));
    return out;
}

bool ConvertCsvToTxt(Document& doc, TextWriter& out, const CsvToTxtRequest& r) {
    if (!doc.ComputeFieldWidths()) return false;
    const int fields = std::max(doc.Stats().most_fields, 1);
    const auto& widths = doc.FieldWidths();
    const std::string_view sep = Separator(r);
    std::int64_t length = static_cast<std::int64_t>(sep.size()) * (fields - 1);
    for (int k = 0; k < fields; ++k) length += widths[static_cast<std::size_t>(k)];
    if (length > kMaxRecordBytes) {
        doc.Message(kMsgLineTooLong);
        return false;
    }
    // A separator with commas multiplies the fields of the result.
    if (1 + static_cast<std::int64_t>(CountByte(sep, ',')) * (fields - 1) > kMaxFields) {
        doc.Message(kMsgTooManyFields);
        return false;
    }

    std::string record;
    record.reserve(static_cast<std::size_t>(length));
    return EachRecord(doc, out, [&](std::string_view text) {
        record.clear();
        std::size_t start = 0;
        int k = 0;
        ForEachComma(text, [&](std::size_t comma) {
            AppendPadded(record, text.substr(start, comma - start), widths[k]);
            record.append(sep);
            start = comma + 1;
            return ++k < fields - 1;
        });
        // The rest is the last field present; the ones missing become spaces.
        AppendPadded(record, text.substr(std::min(start, text.size())), widths[k]);
        for (++k; k < fields; ++k) {
            record.append(sep);
            record.append(static_cast<std::size_t>(widths[k]), ' ');
        }
        out.WriteRecord(record);
        return true;
    });
}

bool RunCsvToTxt(Document& doc, const CsvToTxtRequest& r) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateCsvToTxt(r))) return false;
    return RunOperation(doc,
                        [&r](Document& d, TextWriter& out) { return ConvertCsvToTxt(d, out, r); });
}

}  // namespace tesmora
