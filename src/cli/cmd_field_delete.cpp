// field-delete: delete one field, or the fields S..E, in every record.
//
// usage: tesmora-cli field-delete (--field K | --from S --to E) INPUT... -o OUTPUT
//   --field K          delete field K (0-based)
//   --from S --to E    delete fields S to E inclusive (S <= E), as the view's
//                      selection start and end fields
//   A record without the field (or without field S) is written unchanged.
#include "cli.h"
#include "tesmora/ops/field_edit.h"

namespace tesmora::cli {
namespace {

int RunFieldDelete(Context& ctx) {
    const Args& args = ctx.args;
    const bool single = args.Value("field").has_value();
    const bool range = args.Value("from") || args.Value("to");
    if (single == range) throw UsageError{"give either --field K or --from S --to E"};
    FieldIndex first{-1}, last{-1};
    if (single) {
        first = last = FieldIndex{args.Int("field")};
        if (first.value < 0) throw UsageError{"--field must be 0 or more"};
    } else {
        first = FieldIndex{args.Int("from")};
        last = FieldIndex{args.Int("to")};
        if (first.value < 0) throw UsageError{"--from must be 0 or more"};
        if (last < first) throw UsageError{"--to must not be less than --from"};
    }
    // The selection is set after loading: a load clears it.
    auto select = [&](Context& c) {
        if (!single) {
            c.doc.View().sel_start = first;
            c.doc.View().sel_end = last;
        }
        return true;
    };
    return RunAndSave(ctx, select, [&](Document& doc, TextWriter& out) {
        return single ? DeleteFields(doc, out, first, false)
                      : DeleteFields(doc, out, FieldIndex{-1}, true);
    });
}

}  // namespace

extern const Command kCommand_field_delete{
    "field-delete",
    "delete one field, or the fields S..E, in every record",
    "usage: tesmora-cli field-delete (--field K | --from S --to E) INPUT... -o OUTPUT\n"
    "  --field K        delete field K (0-based)\n"
    "  --from S --to E  delete fields S to E inclusive (S <= E)\n"
    "  A record without field K (or without field S) is written unchanged.\n"
    "  --first-rec N    skip the first N-1 lines of each appended INPUT\n",
    {},
    {"field", "from", "to"},
    true,
    RunFieldDelete};

}  // namespace tesmora::cli
