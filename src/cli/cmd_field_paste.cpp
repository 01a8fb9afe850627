// field-paste: paste field K of each record over, left or right of field T.
#include <string>

#include "requests.h"

namespace tesmora::cli {

FieldPasteRequest FieldPasteRequestFrom(const Args& args) {
    const bool copy = args.Value("copy").has_value();
    const bool cut = args.Value("cut").has_value();
    if (copy == cut) throw UsageError{"give either --copy K or --cut K"};
    FieldPasteRequest r;
    r.cut = cut;
    r.source = args.Field(cut ? "cut" : "copy");
    r.target = args.Field("target");
    const std::string side = args.Text("side");
    if (side == "over")
        r.side = PasteSide::Over;
    else if (side == "left")
        r.side = PasteSide::Left;
    else if (side == "right")
        r.side = PasteSide::Right;
    else
        throw UsageError{"--side takes over, left or right, not '" + side + "'"};
    return r;
}

namespace {

int RunFieldPasteCommand(Context& ctx) {
    const FieldPasteRequest r = FieldPasteRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunFieldPaste(doc, r); });
}

}  // namespace

extern const Command kCommand_field_paste{
    "field-paste", "paste field K of each record over, left or right of field T",
    "usage: tesmora-cli field-paste (--copy K | --cut K) --target T --side over|left|right\n"
    "                               INPUT... -o OUTPUT\n"
    "  --copy K           paste field K; it also stays where it is\n"
    "  --cut K            paste field K; it leaves its own place\n"
    "  --target T         the field pasted over, or beside\n"
    "  --side SIDE        over (replace field T), left or right (insert beside it)\n"
    "  A record without field T is written unchanged; a record without field K\n"
    "  gets an empty field at the paste place.\n",
    true, RunFieldPasteCommand};

}  // namespace tesmora::cli
