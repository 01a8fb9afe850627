// dedupe: duplicate records, the four ways.
#include "requests.h"

namespace tesmora::cli {

DuplicateRequest DuplicateRequestFrom(const Args& args) {
    DuplicateRequest r;
    r.key_field = args.Field("key");
    const int mode = args.Int("mode");
    if (mode < 0 || mode > 3) throw UsageError{"--mode takes 0, 1, 2 or 3"};
    r.mode = static_cast<DuplicateMode>(mode);
    r.remove_spaces = args.Has("ignore-spaces");
    return r;
}

namespace {

int RunDedupe(Context& ctx) {
    const DuplicateRequest r = DuplicateRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunDuplicates(doc, r); });
}

}  // namespace

extern const Command kCommand_dedupe{
    "dedupe", "keep or drop records whose key field repeats the record before",
    "usage: tesmora-cli dedupe --key K --mode 0|1|2|3 [--ignore-spaces] INPUT... -o OUTPUT\n"
    "  A record repeats when its field K equals that of the record before it and\n"
    "  is not empty (sort by field K first). A record with an empty key never\n"
    "  repeats and is never repeated.\n"
    "  --key K            the key field (0-based)\n"
    "  --mode 0           keep the first record of every run\n"
    "  --mode 1           keep only the records that do not repeat\n"
    "  --mode 2           keep the first record of every run that repeats\n"
    "  --mode 3           keep every record of every run that repeats\n"
    "  --ignore-spaces    compare keys without half-width and full-width spaces\n",
    true, RunDedupe};

}  // namespace tesmora::cli
