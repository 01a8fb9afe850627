#pragma once
// CSV to fixed-width text: every field padded with half-width spaces to the
// widest value its position has in the file, the commas deleted, replaced by
// a text, or kept.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/ops/request.h"

namespace tesmora {

// What becomes of the commas ("Comma": 1, 2, 3).
enum class CommaMode { Delete = 1, Replace = 2, Keep = 3 };

// Section "CsvToTxt" keeps the mode and the text as typed (UTF-8, "Moji");
// the request holds the text in code page 932.
struct CsvToTxtRequest {
    CommaMode mode = CommaMode::Keep;
    std::string text;  // the replacement of mode Replace
    bool operator==(const CsvToTxtRequest&) const = default;
};

inline constexpr const char* kCsvToTxtSection = "CsvToTxt";

// A stored "Comma" other than 1 or 2 loads as Keep, as the dialog shows it.
CsvToTxtRequest LoadCsvToTxtSettings(ISettingsStore& store);
// Start stores "Comma" before the check and "Moji" after it.
void StoreCsvToTxtMode(ISettingsStore& store, const CsvToTxtRequest& r);
void StoreCsvToTxtText(ISettingsStore& store, const CsvToTxtRequest& r);

// 30008 for mode Replace with an empty text (focus on the text box).
Validation ValidateCsvToTxt(const CsvToTxtRequest& r);

// The text written between two fields: empty, the replacement, or ",".
std::string_view Separator(const CsvToTxtRequest& r);

// field cut to its first width bytes or padded with spaces to width.
std::string PadField(std::string_view field, int width);

// The pass: measures the field widths (ComputeFieldWidths), then writes every
// record as most-fields padded fields joined by the separator; missing
// fields become runs of spaces. Refuses, with 30005 or 30010, records that
// would break the file limits (they would all be as long).
bool ConvertCsvToTxt(Document& doc, TextWriter& out, const CsvToTxtRequest& r);

// The validation (its message shown), then the pass. True when committed;
// false, with nothing changed, when no document is open, the validation or
// the pass failed.
bool RunCsvToTxt(Document& doc, const CsvToTxtRequest& r);

}  // namespace tesmora
