// reclen: record length edit.
//
// usage: tesmora-cli reclen (--longest | --length L) INPUT... -o OUTPUT
//   Brings every record to one length in bytes: that of the longest record
//   (padding only; refused when all records already have it), or L from 1 to
//   4,998 (padding with half-width spaces and cutting). A cut never leaves half
//   a double-byte character: a space takes the place of its lead byte.
#include "cli.h"
#include "tesmora/ops/record_length.h"

namespace tesmora::cli {
namespace {

int RunReclen(Context& ctx) {
    const Args& a = ctx.args;
    if (a.Has("longest") == a.Value("length").has_value())
        throw UsageError{"give one of --longest and --length L"};
    RecordLengthSettings s;
    s.given_length = !a.Has("longest");
    if (s.given_length) {
        s.length = a.Int("length");
        if (s.length < kMinRecordLength || s.length > kMaxRecordLength)
            throw UsageError{"--length takes 1 to 4998"};
    }
    int length = s.length;
    return RunAndSave(
        ctx,
        [&s, &length](Context& c) {
            if (s.given_length) return true;
            const RecordLengths m = MeasureRecordLengths(c.doc);
            if (m.longest == m.shortest) {
                c.doc.Message(30024, MsgStyle::Info);  // nothing to do
                return false;
            }
            length = m.longest;
            return true;
        },
        [&length](Document& doc, TextWriter& out) { return RecordLengthPass(doc, out, length); });
}

}  // namespace

extern const Command kCommand_reclen{
    "reclen",
    "pad or cut every record to the longest or a given length",
    "usage: tesmora-cli reclen (--longest | --length L) INPUT... -o OUTPUT\n"
    "  --longest      pad every record with half-width spaces to the length of the\n"
    "                 longest record (refused when all records have it already)\n"
    "  --length L     pad or cut every record to L bytes, 1 to 4998; a cut never\n"
    "                 leaves half a double-byte character (a space takes its place)\n"
    "  --first-rec N  skip the first N-1 lines of each appended INPUT\n",
    {"longest"},
    {"length"},
    true,
    RunReclen};

}  // namespace tesmora::cli
