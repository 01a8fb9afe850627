// tesmora-cli: runs the desktop program's operations without a window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cleanup.h"
#include "cli.h"

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
    std::printf("\n'tesmora-cli COMMAND --help' shows a command's options.\n");
}

const Command* Find(const std::string& name) {
    for (const Command* c : Commands())
        if (name == c->name) return c;
    return nullptr;
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

Args Parse(const Command& cmd, int argc, char** argv) {
    Args args;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o") {
            if (i + 1 >= argc) throw UsageError{"-o needs a file name"};
            args.output = argv[++i];
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            if (Contains(cmd.flags, name)) {
                args.flags.insert(name);
            } else if (Contains(cmd.options, name) || name == "first-rec") {
                if (i + 1 >= argc) throw UsageError{a + " needs a value"};
                args.values[name] = argv[++i];
            } else {
                throw UsageError{"unknown option " + a};
            }
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            args.inputs.push_back(a);
        }
    }
    if (args.inputs.empty()) throw UsageError{"no INPUT file"};
    if (cmd.changes_records && !args.output) throw UsageError{"-o OUTPUT is required"};
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    tesmora::cli::InstallBatchCleanup();
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintHelp();
        return argc < 2 ? kExitUsage : kExitOk;
    }
    const Command* cmd = Find(argv[1]);
    if (!cmd) {
        std::fprintf(stderr, "tesmora-cli: unknown command '%s' (see tesmora-cli --help)\n",
                     argv[1]);
        return kExitUsage;
    }
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("%s", cmd->usage);
            return kExitOk;
        }
    }
    try {
        Context ctx;
        ctx.args = Parse(*cmd, argc, argv);
        return cmd->run(ctx);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tesmora-cli: %s\n", e.what.c_str());
        return kExitUsage;
    }
}
