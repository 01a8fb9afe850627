#pragma once
// Field length edit: brings one field of every record to a given length in
// bytes, cutting or padding at its end or at its beginning.
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/document/types.h"
#include "tesmora/ops/request.h"

namespace tesmora {

inline constexpr int kMinFieldLength = 1;
inline constexpr int kMaxFieldLength = 100;

// The fill text is code page 932 bytes; section "FieldLen" keeps it as the
// text typed (UTF-8).
struct FieldLengthRequest {
    FieldIndex key_field{0};  // "KeyField"
    int length = 1;           // "NewLen", kept within 1 .. 100
    bool keep_end = false;    // "Houhou": 0 keep the beginning, 1 keep the end
    bool use_fill = true;     // "YohakuCheck": pad with fill_text, else with spaces
    std::string fill_text;    // "YohakuMoji"
    bool operator==(const FieldLengthRequest&) const = default;
};

inline constexpr const char* kFieldLengthSection = "FieldLen";

// A stored "NewLen" outside the range loads as the nearest end of it.
FieldLengthRequest LoadFieldLengthSettings(ISettingsStore& store);
// Start stores every value but "YohakuMoji" before the check, that one after it.
void StoreFieldLengthSettings(ISettingsStore& store, const FieldLengthRequest& s);
void StoreFieldLengthFill(ISettingsStore& store, const FieldLengthRequest& s);

// With use_fill: 30008 for an empty fill text, 30032 when it is not one
// byte, 30031 for a comma (focus on the fill box).
Validation ValidateFieldLength(const FieldLengthRequest& s);

// The padding byte the run uses: the fill text with use_fill, else a space.
char FillByte(const FieldLengthRequest& s);

// Writes field brought to length into out (cleared first). A cut never
// leaves half of a double-byte character: the half that would remain gives
// way to one more fill byte.
void FitField(std::string_view field, int length, bool keep_end, char fill, std::string& out);

// The pass: only field key_field changes; a record without it is written
// as it is. Refuses with 30005 a record the padding makes longer than the
// record limit.
bool FieldLengthPass(Document& doc, TextWriter& out, const FieldLengthRequest& s);

// The validation (its message shown), then the pass. True when committed; false, with nothing
// changed, when no document is open, the check or the pass failed.
bool RunFieldLength(Document& doc, const FieldLengthRequest& s);

}  // namespace tesmora
