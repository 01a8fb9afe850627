// tesmora-cli: runs the desktop program's operations without a window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cleanup.h"
#include "cli.h"
#include "tesmora/document/version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h.
#include <shellapi.h>
#endif

using namespace tesmora::cli;

namespace {

#ifdef _WIN32
// argv comes in the ANSI code page, which cannot hold every file name; the
// engine takes UTF-8.
std::vector<std::string> Utf8Arguments() {
    std::vector<std::string> out;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; i < n; ++i) {
        const int need = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(need > 0 ? need - 1 : 0, '\0');
        if (need > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), need, nullptr, nullptr);
        out.push_back(std::move(arg));
    }
    LocalFree(wide);
    return out;
}
#endif

void PrintHelp() {
    std::printf(
        "usage: tesmora-cli COMMAND [OPTIONS] INPUT... [-o OUTPUT]\n"
        "\n"
        "Runs one operation on record files in Shift-JIS or UTF-8. The first INPUT is opened as\n"
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
#ifdef _WIN32
    // Records end in CR LF already; a text-mode stream would add a CR.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> utf8 = Utf8Arguments();
    std::vector<char*> pointers;
    for (std::string& a : utf8) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    if (!utf8.empty()) {
        argc = static_cast<int>(utf8.size());
        argv = pointers.data();
    }
#endif
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
