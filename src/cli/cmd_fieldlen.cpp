// fieldlen: field length edit.
#include "requests.h"

namespace tesmora::cli {

FieldLengthRequest FieldLengthRequestFrom(const Args& args) {
    FieldLengthRequest r;
    r.key_field = args.Field("field");
    r.length = args.Int("length");
    if (r.length < kMinFieldLength || r.length > kMaxFieldLength)
        throw UsageError{"--length takes 1 to 100"};
    r.keep_end = args.Has("keep-end");
    r.use_fill = args.Value("fill").has_value();
    if (r.use_fill) r.fill_text = args.Cp932("fill");
    return r;
}

namespace {

int RunFieldlen(Context& ctx) {
    const FieldLengthRequest r = FieldLengthRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunFieldLength(doc, r); });
}

}  // namespace

extern const Command kCommand_fieldlen{
    "fieldlen", "pad or cut one field of every record to a given length",
    "usage: tesmora-cli fieldlen --field K --length L [--keep-end] [--fill C] INPUT... -o OUTPUT\n"
    "  --field K          the field (0-based); records without it are left as they are\n"
    "  --length L         the new length in bytes, 1 to 100\n"
    "  --keep-end         keep the end of the field: cut and pad at its beginning\n"
    "  --fill C           the padding character: one single-byte character, not a\n"
    "                     comma (default a half-width space)\n"
    "  A cut never leaves half a double-byte character (a fill byte takes its place).\n",
    true, RunFieldlen};

}  // namespace tesmora::cli
