// field-delete: delete one field, or the fields S..E, in every record.
#include "requests.h"

namespace tesmora::cli {

FieldDeleteRequest FieldDeleteRequestFrom(const Args& args) {
    const bool single = args.Value("field").has_value();
    const bool range = args.Value("from") || args.Value("to");
    if (single == range) throw UsageError{"give either --field K or --from S --to E"};
    if (single) {
        const FieldIndex k = args.Field("field");
        return {k, k};
    }
    FieldDeleteRequest r{args.Field("from"), FieldIndex{args.Int("to")}};
    if (r.last < r.first) throw UsageError{"--to must not be less than --from"};
    return r;
}

namespace {

int RunFieldDeleteCommand(Context& ctx) {
    const FieldDeleteRequest r = FieldDeleteRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunFieldDelete(doc, r); });
}

}  // namespace

extern const Command kCommand_field_delete{
    "field-delete", "delete one field, or the fields S..E, in every record",
    "usage: tesmora-cli field-delete (--field K | --from S --to E) INPUT... -o OUTPUT\n"
    "  --field K          delete field K (0-based)\n"
    "  --from S --to E    delete fields S to E inclusive (S <= E)\n"
    "  A record without field K (or without field S) is written unchanged.\n",
    true, RunFieldDeleteCommand};

}  // namespace tesmora::cli
