// lookup: replace a field by lookup in another file.
#include "requests.h"

namespace tesmora::cli {

LookupRequest LookupRequestFrom(const Args& args) {
    LookupRequest r;
    r.target = args.Field("target");
    r.other = args.Text("other");
    r.compare = args.Field("compare");
    r.replacement = args.Field("replace");
    return r;
}

namespace {

int RunLookupCommand(Context& ctx) {
    const LookupRequest r = LookupRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunLookup(doc, r); });
}

}  // namespace

extern const Command kCommand_lookup{
    "lookup", "replace a field by the value found for it in another file",
    "usage: tesmora-cli lookup --target T --other FILE --compare C --replace R\n"
    "                          INPUT... -o OUTPUT\n"
    "  Field T of every record is looked up in field C of FILE's records and, at\n"
    "  the first one that has it (bytes compared exactly, spaces included),\n"
    "  replaced by that record's field R (empty when it has none). Values without\n"
    "  a match stay as they are. All field numbers are 0-based.\n"
    "  --target T         the field of the INPUT records to replace\n"
    "  --other FILE       the code table (comma-separated text)\n"
    "  --compare C        its field compared with field T\n"
    "  --replace R        its field that replaces field T (not C)\n",
    true, RunLookupCommand};

}  // namespace tesmora::cli
