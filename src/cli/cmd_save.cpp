// save: open (and join) the INPUTs and save them.
#include <filesystem>
#include <thread>

#include "cli.h"
#include "tesmora/document/temp_files.h"

namespace tesmora::cli {
namespace {

int RunSave(Context& ctx) {
    const std::string& target = *ctx.args.output;
    if (ctx.args.inputs.size() != 1 || target == "-") {
        if (!LoadInputs(ctx)) return kExitFailed;
        return WriteOutput(ctx) ? kExitOk : kExitFailed;
    }
    // A file already in the saved form is saved as a byte copy: make it on
    // the other core while this one checks and indexes the file.
    // A usage error must come before the copier starts: it would unwind past it.
    ctx.args.Int("first-rec", 1);
    OutputEncoding(ctx);
    std::string copy;
    std::jthread copier([&] { copy = Document::PrepareSaveCopy(ctx.args.inputs[0], target); });
    const bool loaded = LoadInputs(ctx);
    copier.join();
    if (loaded && ctx.doc.SaveFromCopy(copy, target, OutputEncoding(ctx))) return kExitOk;
    if (!copy.empty()) RemoveTemp(copy);
    if (!loaded) return kExitFailed;
    return WriteOutput(ctx) ? kExitOk : kExitFailed;
}

}  // namespace

extern const Command kCommand_save{
    "save", "open (and join) the INPUTs and save them with CR LF line breaks",
    "usage: tesmora-cli save INPUT... -o OUTPUT\n"
    "  Every record is written followed by CR LF, the last one included.\n",
    true, RunSave};

}  // namespace tesmora::cli
