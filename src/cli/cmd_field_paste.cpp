// field-paste: paste field K of each record over, left or right of field T.
//
// usage: tesmora-cli field-paste (--copy K | --cut K) --target T
//                                --side over|left|right INPUT... -o OUTPUT
//   --copy K   field K stays where it is
//   --cut K    field K also leaves its own place
//   A record without field T is written unchanged; a record without field K
//   gets an empty field at the paste place.
#include <string>

#include "cli.h"
#include "tesmora/ops/field_edit.h"

namespace tesmora::cli {
namespace {

PasteSide ParseSide(const std::string& side) {
    if (side == "over") return PasteSide::Over;
    if (side == "left") return PasteSide::Left;
    if (side == "right") return PasteSide::Right;
    throw UsageError{"--side takes over, left or right, not '" + side + "'"};
}

int RunFieldPaste(Context& ctx) {
    const Args& args = ctx.args;
    const bool copy = args.Value("copy").has_value();
    const bool cut = args.Value("cut").has_value();
    if (copy == cut) throw UsageError{"give either --copy K or --cut K"};
    const FieldIndex source{args.Int(cut ? "cut" : "copy")};
    const FieldIndex target{args.Int("target")};
    const PasteSide side = ParseSide(args.Text("side"));
    if (source.value < 0)
        throw UsageError{cut ? "--cut must be 0 or more" : "--copy must be 0 or more"};
    if (target.value < 0) throw UsageError{"--target must be 0 or more"};
    // The mark is set after loading: a load clears it.
    auto mark = [&](Context& c) {
        if (cut)
            MarkCut(c.doc.View(), source);
        else
            MarkCopy(c.doc.View(), source);
        return true;
    };
    return RunAndSave(ctx, mark, [&](Document& doc, TextWriter& out) {
        return PasteField(doc, out, target, side);
    });
}

}  // namespace

extern const Command kCommand_field_paste{
    "field-paste",
    "paste field K of each record over, left or right of field T",
    "usage: tesmora-cli field-paste (--copy K | --cut K) --target T --side over|left|right\n"
    "                               INPUT... -o OUTPUT\n"
    "  --copy K        paste field K; it also stays where it is\n"
    "  --cut K         paste field K; it leaves its own place\n"
    "  --target T      the field pasted over, or beside\n"
    "  --side SIDE     over (replace field T), left or right (insert beside it)\n"
    "  A record without field T is written unchanged; a record without field K\n"
    "  gets an empty field at the paste place.\n"
    "  --first-rec N   skip the first N-1 lines of each appended INPUT\n",
    {},
    {"copy", "cut", "target", "side"},
    true,
    RunFieldPaste};

}  // namespace tesmora::cli
