#pragma once
// Shared core of tesmora-cli: option parsing, the batch host (messages on
// standard error, a progress line on a terminal), loading the INPUTs and
// writing OUTPUT. Each command lives in its own cmd_*.cpp.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tesmora/document/document.h"
#include "tesmora/document/pipeline.h"

namespace tesmora::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Thrown for a usage error (exit status 2).
struct UsageError {
    std::string what;
};

class Args {
  public:
    std::map<std::string, std::string> values;  // --name VALUE
    std::set<std::string> flags;                // --name
    std::vector<std::string> inputs;
    std::optional<std::string> output;

    bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
    std::optional<std::string> Value(const std::string& name) const;
    // Integer option; throws UsageError when missing (and required) or malformed.
    int Int(const std::string& name, std::optional<int> def = std::nullopt) const;
    std::string Text(const std::string& name, std::optional<std::string> def = std::nullopt) const;
    // A text argument converted to code page 932 (usage error when it cannot be).
    std::string Cp932(const std::string& name, std::optional<std::string> def = std::nullopt) const;
};

// Messages go to standard error; questions take the answer the command
// documents (answers[id]), or the first button that continues.
class CliMessages : public IMessageSink {
  public:
    std::map<int, int> answers;
    int Show(int id, const std::string& text, MsgStyle style) override;
};

class CliProgress : public IProgressSink {
  public:
    CliProgress();
    ~CliProgress() override;
    void SetRange(int upper) override;
    void SetPos(int pos) override;
    void SetStatusText(const std::string&) override {}

  private:
    bool tty_;
    int upper_ = 0;
    int shown_ = -1;
};

// Everything a command needs: the document over its own host.
struct Context {
    Args args;
    CliMessages messages;
    CliProgress progress;
    MemorySettings settings;
    IViewSink view;
    Document doc{messages, progress, settings, view};
};

struct Command {
    const char* name;
    const char* summary;
    const char* usage;                 // shown by --help COMMAND
    std::vector<std::string> flags;    // options without a value
    std::vector<std::string> options;  // options with a value
    bool changes_records;              // needs -o OUTPUT
    std::function<int(Context&)> run;
};

// Opens the INPUTs as the document (the first) and appended files (the rest).
bool LoadInputs(Context& ctx);
// Writes the document's records to -o OUTPUT (or standard output for "-").
bool WriteOutput(Context& ctx);
// The common form of a command that changes records: load, run the pass
// through the operation pipeline, save.
int RunAndSave(Context& ctx, const std::function<bool(Context&)>& checks,
               const OperationPass& pass);

// UTF-8 to code page 932; nullopt when a character has no equivalent.
std::optional<std::string> Utf8ToCp932(const std::string& text);

const std::vector<const Command*>& Commands();

}  // namespace tesmora::cli
