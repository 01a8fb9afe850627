// tailadd: append the first matching record of another file.
#include "requests.h"

namespace tesmora::cli {

TailAddRequest TailAddRequestFrom(const Args& args) {
    TailAddRequest r;
    r.key_field = args.Field("key");
    r.other = args.Text("other");
    r.other_key_field = args.Field("other-key");
    r.remove_spaces = args.Has("ignore-spaces");
    return r;
}

namespace {

int RunTailAddCommand(Context& ctx) {
    const TailAddRequest r = TailAddRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunTailAdd(doc, r); });
}

}  // namespace

extern const Command kCommand_tailadd{
    "tailadd", "append the first matching record of another file",
    "usage: tesmora-cli tailadd --key K --other FILE --other-key K2 [--ignore-spaces]\n"
    "                           INPUT... -o OUTPUT\n"
    "  Appends to every record a comma and the first record of FILE whose field K2\n"
    "  equals the record's field K (both 0-based); records without a match are\n"
    "  written as they are, and so are those whose match is an empty record.\n"
    "  --key K            the key field of the INPUT records\n"
    "  --other FILE       the other file (comma-separated text)\n"
    "  --other-key K2     the key field of FILE's records\n"
    "  --ignore-spaces    compare keys without full-width and half-width spaces\n"
    "                     (the appended record keeps its own)\n",
    true, RunTailAddCommand};

}  // namespace tesmora::cli
