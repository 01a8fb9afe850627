// dedupe: duplicate records, the four ways.
//
// usage: tesmora-cli dedupe --key K --mode 0|1|2|3 [--ignore-spaces] INPUT... -o OUTPUT
//   A record repeats when its field K (0-based) equals, byte for byte, that of
//   the record before it and is not empty; the input is expected to be sorted
//   by that field. Mode 0 keeps the first record of every run, 1 only the
//   records that do not repeat, 2 the first record of every repeated run, 3
//   every record of every repeated run. --ignore-spaces compares the keys
//   without half-width and full-width spaces.
#include "cli.h"
#include "tesmora/ops/duplicates.h"

namespace tesmora::cli {
namespace {

int RunDedupe(Context& ctx) {
    DuplicateSettings s;
    s.key_field = FieldIndex{ctx.args.Int("key")};
    if (s.key_field.value < 0) throw UsageError{"--key must be 0 or more"};
    const int mode = ctx.args.Int("mode");
    if (mode < 0 || mode > 3) throw UsageError{"--mode takes 0, 1, 2 or 3"};
    s.mode = static_cast<DuplicateMode>(mode);
    s.remove_spaces = ctx.args.Has("ignore-spaces");
    return RunAndSave(ctx, nullptr,
                      [&s](Document& doc, TextWriter& out) { return DuplicatePass(doc, out, s); });
}

}  // namespace

extern const Command kCommand_dedupe{
    "dedupe",
    "keep or drop records whose key field repeats the record before",
    "usage: tesmora-cli dedupe --key K --mode 0|1|2|3 [--ignore-spaces] INPUT... -o OUTPUT\n"
    "  A record repeats when its field K equals that of the record before it and\n"
    "  is not empty (sort by field K first). A record with an empty key never\n"
    "  repeats and is never repeated.\n"
    "  --key K           the key field (0-based)\n"
    "  --mode 0          keep the first record of every run\n"
    "  --mode 1          keep only the records that do not repeat\n"
    "  --mode 2          keep the first record of every run that repeats\n"
    "  --mode 3          keep every record of every run that repeats\n"
    "  --ignore-spaces   compare keys without half-width and full-width spaces\n"
    "  --first-rec N     skip the first N-1 lines of each appended INPUT\n",
    {"ignore-spaces"},
    {"key", "mode"},
    true,
    RunDedupe};

}  // namespace tesmora::cli
