// stats: the document's properties.
#include <cinttypes>
#include <cstdio>

#include "cli.h"
#include "tesmora/ops/properties.h"

namespace tesmora::cli {
namespace {

int RunStats(Context& ctx) {
    Document& doc = ctx.doc;
    doc.SetCollectFieldWidths(true);
    if (!LoadInputs(ctx)) return kExitFailed;
    const Statistics& s = doc.Stats();
    const FieldLengthExtremes fields = ComputeFieldLengthExtremes(doc);
    std::printf("records: %" PRId64
                "\nmost_fields: %d\nfewest_fields: %d\nlongest_line: %d\n"
                "shortest_line: %d\nlongest_field: %d\nshortest_field: %d\n",
                s.records, s.most_fields, s.fewest_fields, s.longest_line, s.shortest_line,
                fields.longest, fields.shortest);
    if (ctx.args.Has("extremes")) {
        const FieldCountRecords found = FindFieldCountRecords(doc);
        std::printf("most_fields_record: %" PRId64 "\nfewest_fields_record: %" PRId64 "\n",
                    found.most.value + 1, found.fewest.value + 1);
    }
    if (std::fflush(stdout) == 0) return kExitOk;
    doc.Message(kMsgCreateFailed, MsgStyle::Error, "-\n");
    return kExitFailed;
}

}  // namespace

extern const Command kCommand_stats{
    "stats", "print the document's record and field statistics",
    "usage: tesmora-cli stats [--extremes] INPUT...\n"
    "  Prints records, most_fields, fewest_fields, longest_line, shortest_line,\n"
    "  longest_field and shortest_field, one 'name: value' line each.\n"
    "  --extremes         also most_fields_record and fewest_fields_record (1-based)\n",
    false, RunStats};

}  // namespace tesmora::cli
