// csv2txt: comma-separated records to fixed-width text.
#include "requests.h"

namespace tesmora::cli {

CsvToTxtRequest CsvToTxtRequestFrom(const Args& args) {
    CsvToTxtRequest r;
    const bool separator = args.Value("separator").has_value();
    const int given = (args.Has("delete-commas") ? 1 : 0) + (args.Has("keep-commas") ? 1 : 0) +
                      (separator ? 1 : 0);
    if (given != 1)
        throw UsageError{"give one of --delete-commas, --keep-commas, --separator TEXT"};
    if (separator) {
        r.mode = CommaMode::Replace;
        r.text = args.Cp932("separator");
        // A line break would split every record in two.
        if (r.text.find_first_of("\r\n\x1A") != std::string::npos)
            throw UsageError{"--separator must not hold a line break"};
    } else {
        r.mode = args.Has("delete-commas") ? CommaMode::Delete : CommaMode::Keep;
    }
    return r;
}

namespace {

int RunCsv2Txt(Context& ctx) {
    const CsvToTxtRequest r = CsvToTxtRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunCsvToTxt(doc, r); });
}

}  // namespace

extern const Command kCommand_csv2txt{
    "csv2txt", "comma-separated records to fixed-width text",
    "usage: tesmora-cli csv2txt (--delete-commas | --keep-commas | --separator TEXT)\n"
    "                           INPUT... -o OUTPUT\n"
    "  Pads every field with half-width spaces to the longest value (in bytes) its\n"
    "  position has in the file; missing fields become spaces.\n"
    "  --delete-commas    join the padded fields directly\n"
    "  --keep-commas      keep a comma between them\n"
    "  --separator TEXT   put TEXT between them (not empty)\n",
    true, RunCsv2Txt};

}  // namespace tesmora::cli
