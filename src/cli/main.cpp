// tesmora-cli: runs the desktop program's operations without a window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cleanup.h"
#include "cli.h"
#include "tesmora/document/version.h"

using namespace tesmora::cli;

namespace {

void PrintHelp() {
    std::printf(
        "usage: tesmora-cli COMMAND [OPTIONS] INPUT... [-o OUTPUT]\n"
        "\n"
        "Runs one operation on Shift-JIS record files. The first INPUT is opened as\n"
        "the document, further INPUTs are appended (--first-rec N skips their first\n"
        "N-1 lines). Commands that change records need -o OUTPUT ('-' for standard\n"
        "output); OUTPUT is replaced only once complete. Field numbers are 0-based.\n"
        "Exit status: 0 success, 1 refused or failed, 2 usage error.\n"
        "\n"
        "commands:\n");
    for (const Command* c : Commands()) std::printf("  %-13s %s\n", c->name, c->summary);
    std::printf(
        "\n'tesmora-cli COMMAND --help' shows a command's options; 'tesmora-cli --version'\n"
        "shows the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
    tesmora::cli::InstallBatchCleanup();
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintHelp();
        return argc < 2 ? kExitUsage : kExitOk;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("tesmora-cli %s\n", tesmora::kVersion);
        return kExitOk;
    }
    const Command* cmd = FindCommand(argv[1]);
    if (!cmd) {
        std::fprintf(stderr, "tesmora-cli: unknown command '%s' (see tesmora-cli --help)\n",
                     argv[1]);
        return kExitUsage;
    }
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("%s", Usage(*cmd).c_str());
            return kExitOk;
        }
    }
    try {
        Context ctx;
        ctx.args = ParseArgs(*cmd, std::vector<std::string>(argv + 2, argv + argc));
        return cmd->run(ctx);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tesmora-cli: %s\n", e.what.c_str());
        return kExitUsage;
    }
}
