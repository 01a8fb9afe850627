// delete: conditional record deletion.
//
// usage: tesmora-cli delete --from S --to E --word1 W [--word2 W] [--and|--or]
//                           (--delete-matching|--keep-matching) INPUT... -o OUTPUT
//   A record matches when word 1 (and/or word 2) occurs in one of its fields
//   S to E (0-based). A word never spans two fields and never starts inside a
//   double-byte character; matching is case-sensitive. With no --word2 only
//   word 1 counts. --or is the default.
#include "cli.h"
#include "tesmora/ops/line_delete.h"

namespace tesmora::cli {
namespace {

int RunDelete(Context& ctx) {
    const Args& a = ctx.args;
    LineDeleteSettings s;
    s.first = FieldIndex{a.Int("from")};
    s.last = FieldIndex{a.Int("to")};
    if (s.first.value < 0 || s.last.value < s.first.value)
        throw UsageError{"--from and --to take 0 <= S <= E"};
    s.word1 = a.Cp932("word1");
    s.word2 = a.Cp932("word2", std::string());
    if (a.Has("and") && a.Has("or")) throw UsageError{"give --and or --or, not both"};
    s.use_or = !a.Has("and");
    if (a.Has("delete-matching") == a.Has("keep-matching"))
        throw UsageError{"give one of --delete-matching and --keep-matching"};
    s.keep_matching = a.Has("keep-matching");
    return RunAndSave(
        ctx,
        [&s](Context& c) {
            if (const int id = CheckLineDelete(s)) {
                c.doc.Message(id);
                return false;
            }
            return true;
        },
        [&s](Document& doc, TextWriter& out) { return LineDeletePass(doc, out, s); });
}

}  // namespace

extern const Command kCommand_delete{
    "delete",
    "delete the records whose fields do, or do not, contain words",
    "usage: tesmora-cli delete --from S --to E --word1 W [--word2 W] [--and|--or]\n"
    "                          (--delete-matching|--keep-matching) INPUT... -o OUTPUT\n"
    "  A record matches when its fields S to E (0-based) contain word 1 and/or\n"
    "  word 2. Each field is searched on its own: a word never spans two fields\n"
    "  and never starts inside a double-byte character. Case-sensitive.\n"
    "  --from S --to E    the range of fields\n"
    "  --word1 W          the word (required, not empty)\n"
    "  --word2 W          a second word; without it only word 1 counts\n"
    "  --and | --or       both words, or either (default --or)\n"
    "  --delete-matching  delete the records that match\n"
    "  --keep-matching    delete the records that do not match\n"
    "  --first-rec N      skip the first N-1 lines of each appended INPUT\n",
    {"and", "or", "delete-matching", "keep-matching"},
    {"from", "to", "word1", "word2"},
    true,
    RunDelete};

}  // namespace tesmora::cli
