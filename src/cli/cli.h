#pragma once
// Shared core of tesmora-cli: option parsing, the batch host (messages on
// standard error, a progress line on a terminal), loading the INPUTs and
// writing OUTPUT. The operations' commands come from the operations table;
// the others (stats, save, run) live in their own cmd_*.cpp.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tesmora/document/document.h"
#include "tesmora/ops/arguments.h"

namespace tesmora::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The arguments and their parser are the engine's, shared with the recipes.
using tesmora::Args;
using tesmora::UsageError;

// Messages go to standard error; a question takes the first button that
// continues (Yes), unless answers names the command's documented answer.
class CliMessages : public IMessageSink {
  public:
    std::map<int, int> answers;
    std::string prefix;  // before every message: the recipe line that runs
    int Show(int id, const std::string& text, MsgStyle style) override;
};

class CliProgress : public IProgressSink {
  public:
    CliProgress();
    ~CliProgress() override;
    void SetRange(int upper) override;
    void SetPos(int pos) override;
    // What the status bar would show now (printed by --verbose).
    void SetStatusText(const std::string& text) override { status = text; }
    std::string status;

  private:
    bool tty_;
    int upper_ = 0;
    int shown_ = -1;
};

// The batch front end keeps no settings: every input is an argument. Any use
// of the store is a fault, reported and fatal.
class NoSettings : public ISettingsStore {
  public:
    int GetInt(const std::string& section, const std::string& key, int) override;
    void SetInt(const std::string& section, const std::string& key, int) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string&) override;
    void SetString(const std::string& section, const std::string& key, const std::string&) override;
};

// Everything a command needs: the document over its own host.
struct Context {
    Args args;
    CliMessages messages;
    CliProgress progress;
    NoSettings settings;
    IViewSink view;
    Document doc{messages, progress, settings, view};
};

// A command is its usage text: the option lines in it ("  --name VALUE  help"
// or "  --flag  help", several options on one line allowed) are what the
// parser accepts. The options every command takes are added to it.
struct Command {
    const char* name;
    const char* summary;
    const char* usage;
    bool changes_records;  // needs -o OUTPUT
    std::function<int(Context&)> run;
};

// The usage text --help prints: the command's own and the common options.
std::string Usage(const Command& cmd);
// The options of the usage text: name -> whether it takes a value.
std::map<std::string, bool> DeclaredOptions(const Command& cmd);
// Parses the arguments after the command name; throws UsageError.
Args ParseArgs(const Command& cmd, const std::vector<std::string>& argv);

// Opens the INPUTs as the document (the first) and appended files (the rest);
// scan_beside: a single large INPUT is indexed by the pass that first reads it.
bool LoadInputs(Context& ctx, bool scan_beside = false);
// Writes the document's records to -o OUTPUT (or standard output for "-").
bool WriteOutput(Context& ctx);
// The encoding OUTPUT is written in: --output-encoding, or the document's.
Encoding OutputEncoding(const Context& ctx);
// The common form of a command that changes records: load, run the
// operation's request (validated and committed by its Run), save.
int RunAndSave(Context& ctx, const std::function<bool(Document&)>& run);

const std::vector<const Command*>& Commands();
const Command* FindCommand(const std::string& name);

}  // namespace tesmora::cli
