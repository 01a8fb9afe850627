// sort: order the records by one key field.
#include "requests.h"

namespace tesmora::cli {

SortRequest SortRequestFrom(const Args& args) {
    SortRequest r;
    r.key_field = args.Field("key");
    r.descending = args.Has("desc");
    return r;
}

namespace {

int RunSortCommand(Context& ctx) {
    const SortRequest r = SortRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunSort(doc, r); });
}

}  // namespace

extern const Command kCommand_sort{
    "sort", "sort the records by a key field",
    "usage: tesmora-cli sort --key K [--desc] INPUT... -o OUTPUT\n"
    "  Orders the records by the bytes of field K (0-based): \"10\" sorts before \"9\",\n"
    "  only the first 99 bytes of a key count, a missing field is an empty key.\n"
    "  Records with equal keys keep their order.\n"
    "  --key K            the key field\n"
    "  --desc             descending order\n",
    true, RunSortCommand};

}  // namespace tesmora::cli
