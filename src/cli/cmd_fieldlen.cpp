// fieldlen: field length edit.
//
// usage: tesmora-cli fieldlen --field K --length L [--keep-end] [--fill C] INPUT... -o OUTPUT
//   Brings field K (0-based) of every record to L bytes (1 to 100), cutting and
//   padding at its end, or with --keep-end at its beginning. Padding uses C, one
//   single-byte character other than a comma (default a half-width space). A cut
//   never leaves half a double-byte character: a fill byte takes its place.
#include "cli.h"
#include "tesmora/ops/field_length.h"

namespace tesmora::cli {
namespace {

int RunFieldlen(Context& ctx) {
    const Args& a = ctx.args;
    FieldLengthSettings s;
    s.key_field = FieldIndex{a.Int("field")};
    if (s.key_field.value < 0) throw UsageError{"--field must be 0 or more"};
    s.length = a.Int("length");
    if (s.length < kMinFieldLength || s.length > kMaxFieldLength)
        throw UsageError{"--length takes 1 to 100"};
    s.keep_end = a.Has("keep-end");
    s.use_fill = a.Value("fill").has_value();
    if (s.use_fill) s.fill_text = a.Cp932("fill");
    return RunAndSave(
        ctx,
        [&s](Context& c) {
            if (const int id = CheckFieldLength(s)) {
                c.doc.Message(id);
                return false;
            }
            return true;
        },
        [&s](Document& doc, TextWriter& out) { return FieldLengthPass(doc, out, s); });
}

}  // namespace

extern const Command kCommand_fieldlen{
    "fieldlen",
    "pad or cut one field of every record to a given length",
    "usage: tesmora-cli fieldlen --field K --length L [--keep-end] [--fill C] INPUT... -o OUTPUT\n"
    "  --field K      the field (0-based); records without it are left as they are\n"
    "  --length L     the new length in bytes, 1 to 100\n"
    "  --keep-end     keep the end of the field: cut and pad at its beginning\n"
    "  --fill C       the padding character: one single-byte character, not a comma\n"
    "                 (default a half-width space)\n"
    "  A cut never leaves half a double-byte character (a fill byte takes its place).\n"
    "  --first-rec N  skip the first N-1 lines of each appended INPUT\n",
    {"keep-end"},
    {"field", "length", "fill"},
    true,
    RunFieldlen};

}  // namespace tesmora::cli
