// reclen: record length edit.
#include "requests.h"

namespace tesmora::cli {

RecordLengthRequest RecordLengthRequestFrom(const Args& args) {
    if (args.Has("longest") == args.Value("length").has_value())
        throw UsageError{"give one of --longest and --length L"};
    RecordLengthRequest r;
    r.given_length = !args.Has("longest");
    if (r.given_length) {
        r.length = args.Int("length");
        if (r.length < kMinRecordLength || r.length > kMaxRecordLength)
            throw UsageError{"--length takes 1 to 4998"};
    }
    return r;
}

namespace {

int RunReclen(Context& ctx) {
    const RecordLengthRequest r = RecordLengthRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunRecordLength(doc, r); });
}

}  // namespace

extern const Command kCommand_reclen{
    "reclen", "pad or cut every record to the longest or a given length",
    "usage: tesmora-cli reclen (--longest | --length L) INPUT... -o OUTPUT\n"
    "  --longest          pad every record with half-width spaces to the length of\n"
    "                     the longest record (refused when all records have it)\n"
    "  --length L         pad or cut every record to L bytes, 1 to 4998; a cut never\n"
    "                     leaves half a double-byte character (a space takes its place)\n",
    true, RunReclen};

}  // namespace tesmora::cli
