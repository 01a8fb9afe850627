// save: open (and join) the INPUTs and save them.
//
// usage: tesmora-cli save INPUT... -o OUTPUT
//   Every record is written with CR LF, the last one included.
#include "cli.h"

namespace tesmora::cli {
namespace {

int RunSave(Context& ctx) {
    if (!LoadInputs(ctx)) return kExitFailed;
    return WriteOutput(ctx) ? kExitOk : kExitFailed;
}

}  // namespace

extern const Command kCommand_save{
    "save",
    "open (and join) the INPUTs and save them with CR LF line breaks",
    "usage: tesmora-cli save INPUT... -o OUTPUT\n"
    "  Every record is written followed by CR LF, the last one included.\n"
    "  --first-rec N skip the first N-1 lines of each appended INPUT\n",
    {},
    {},
    true,
    RunSave};

}  // namespace tesmora::cli
