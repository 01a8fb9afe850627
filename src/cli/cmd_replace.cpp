// replace: multiple string replacement with a replacement-set file.
#include "requests.h"

namespace tesmora::cli {

ReplaceRequest ReplaceRequestFrom(const Args& args, Validation& loaded) {
    ReplaceRequest r;
    r.first = args.Field("from");
    r.last = FieldIndex{args.Int("to")};
    if (r.last < r.first) throw UsageError{"--from and --to take 0 <= S <= E"};
    r.only_one = args.Has("once");
    loaded = LoadReplacementSet(args.Text("pairs"), r.before_list, r.after_list);
    return r;
}

namespace {

int RunReplaceCommand(Context& ctx) {
    Validation loaded;
    const ReplaceRequest r = ReplaceRequestFrom(ctx.args, loaded);
    // A set that cannot be read is refused before the INPUTs are loaded.
    if (!ReportValidation(ctx.doc, loaded)) return kExitFailed;
    ctx.messages.answers[kMsgSwapOrder] = ctx.args.Has("swap-order") ? kIdYes : kIdNo;
    return RunAndSave(ctx, [&r](Document& doc) { return RunReplace(doc, r); });
}

}  // namespace

extern const Command kCommand_replace{
    "replace", "replace many strings at once within a range of fields",
    "usage: tesmora-cli replace --pairs FILE.cng --from S --to E [--once] [--swap-order]\n"
    "                           INPUT... -o OUTPUT\n"
    "  Applies the pairs of a replacement set (one pair a line: before, byte 0x14,\n"
    "  after) in their order to the fields S to E (0-based) of every record: each\n"
    "  pair replaces every occurrence of its before-string, left to right, starting\n"
    "  only at a character boundary; later pairs work on the result of earlier ones.\n"
    "  At most 1,000 pairs; no empty or repeated before-string, no comma after.\n"
    "  When a later before-string contains an earlier one, the question whether to\n"
    "  exchange the two pairs is answered No unless --swap-order is given.\n"
    "  --pairs FILE.cng  the replacement set (the name must end in .cng)\n"
    "  --from S --to E   the range of fields\n"
    "  --once            a field stops at the first pair that changes it\n"
    "  --swap-order      answer Yes to the order question (exchange the pairs)\n",
    true, RunReplaceCommand};

}  // namespace tesmora::cli
