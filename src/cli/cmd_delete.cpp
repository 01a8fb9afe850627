// delete: conditional record deletion.
#include "requests.h"

namespace tesmora::cli {

LineDeleteRequest LineDeleteRequestFrom(const Args& args) {
    LineDeleteRequest r;
    r.first = FieldIndex{args.Int("from")};
    r.last = FieldIndex{args.Int("to")};
    if (r.first.value < 0 || r.last < r.first) throw UsageError{"--from and --to take 0 <= S <= E"};
    r.word1 = args.Cp932("word1");
    r.word2 = args.Cp932("word2", std::string());
    if (args.Has("and") && args.Has("or")) throw UsageError{"give --and or --or, not both"};
    r.use_or = !args.Has("and");
    r.keep_matching = args.OneOf({"delete-matching", "keep-matching"}) == "keep-matching";
    return r;
}

namespace {

int RunDelete(Context& ctx) {
    const LineDeleteRequest r = LineDeleteRequestFrom(ctx.args);
    return RunAndSave(ctx, [&r](Document& doc) { return RunLineDelete(doc, r); });
}

}  // namespace

extern const Command kCommand_delete{
    "delete", "delete the records whose fields do, or do not, contain words",
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
    "  --keep-matching    delete the records that do not match\n",
    true, RunDelete};

}  // namespace tesmora::cli
