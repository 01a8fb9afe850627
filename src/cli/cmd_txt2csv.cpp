// txt2csv: fixed-width text to comma-separated records.
#include <string>

#include "requests.h"

namespace tesmora::cli {

TxtToCsvRequest TxtToCsvRequestFrom(const Args& args) {
    TxtToCsvRequest r;
    const std::string list = args.Text("splits");
    std::size_t from = 0;
    while (from <= list.size()) {
        std::size_t comma = list.find(',', from);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(from, comma - from);
        std::size_t used = 0;
        int c = 0;
        try {
            c = std::stoi(item, &used);
        } catch (...) {
            used = 0;
        }
        if (item.empty() || used != item.size() || c < 1 || c > kMaxRecordBytes)
            throw UsageError{"--splits takes columns from 1 to 4998, not '" + item + "'"};
        r.positions.push_back(c);
        from = comma + 1;
    }
    if (r.positions.size() > static_cast<std::size_t>(kMaxSplits))
        throw UsageError{"--splits takes at most 2000 columns"};
    r.trim = !args.Has("no-trim");
    return r;
}

namespace {

int RunTxt2Csv(Context& ctx) {
    const TxtToCsvRequest r = TxtToCsvRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunTxtToCsv(doc, r); });
}

}  // namespace

extern const Command kCommand_txt2csv{
    "txt2csv", "fixed-width text to comma-separated records at split columns",
    "usage: tesmora-cli txt2csv --splits C1,C2,... [--no-trim] INPUT... -o OUTPUT\n"
    "  Cuts every record after its first C bytes for each column C (in any order)\n"
    "  and joins the pieces with commas: every record gets one field more than\n"
    "  there are columns. Cuts fall at bytes, so a double-byte character may be\n"
    "  divided between two fields.\n"
    "  --splits C1,C2     the split columns, 1 to 4998\n"
    "  --no-trim          keep the trailing half-width and full-width spaces of\n"
    "                     each piece (removed by default)\n",
    true, RunTxt2Csv};

}  // namespace tesmora::cli
