// sort: order the records by one key field.
//
// usage: tesmora-cli sort --key K [--desc] INPUT... -o OUTPUT
//   Records are ordered by the bytes of field K (0-based): "10" before "9",
//   only the first 99 bytes of a key count, a missing field is an empty key.
//   Records with equal keys keep their order. --desc reverses the key order.
#include "cli.h"
#include "tesmora/ops/sort.h"

namespace tesmora::cli {
namespace {

int RunSortCommand(Context& ctx) {
    SortSettings s;
    s.key_field = FieldIndex{ctx.args.Int("key")};
    if (s.key_field.value < 0) throw UsageError{"--key must be 0 or more"};
    s.descending = ctx.args.Has("desc");
    return RunAndSave(ctx, nullptr,
                      [&s](Document& doc, TextWriter& out) { return SortPass(doc, out, s); });
}

}  // namespace

extern const Command kCommand_sort{
    "sort",
    "sort the records by a key field",
    "usage: tesmora-cli sort --key K [--desc] INPUT... -o OUTPUT\n"
    "  Orders the records by the bytes of field K (0-based): \"10\" sorts before \"9\",\n"
    "  only the first 99 bytes of a key count, a missing field is an empty key.\n"
    "  Records with equal keys keep their order.\n"
    "  --key K       the key field\n"
    "  --desc        descending order\n"
    "  --first-rec N skip the first N-1 lines of each appended INPUT\n",
    {"desc"},
    {"key"},
    true,
    RunSortCommand};

}  // namespace tesmora::cli
