#include "cli.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "tesmora/document/codepage.h"
#include "tesmora/ops/operations.h"

namespace tesmora::cli {

int CliMessages::Show(int id, const std::string& text, MsgStyle style) {
    auto it = answers.find(id);
    if (style == MsgStyle::Question || style == MsgStyle::QuestionCancel)
        return it != answers.end() ? it->second : kIdYes;
    // Notices that only confirm success stay quiet.
    if (style == MsgStyle::Info && id == kMsgSaved) return kIdOk;
    std::fprintf(stderr, "tesmora-cli: %s%s\n", prefix.c_str(), text.c_str());
    return kIdOk;
}

CliProgress::CliProgress() : tty_(isatty(fileno(stderr)) != 0) {}
CliProgress::~CliProgress() {
    if (tty_ && shown_ >= 0) std::fputs("\r        \r", stderr);
}
void CliProgress::SetRange(int upper) {
    upper_ = upper;
    shown_ = -1;
}
void CliProgress::SetPos(int pos) {
    if (!tty_ || upper_ <= 0) return;
    const int percent = static_cast<int>(100LL * pos / upper_);
    if (pos == 0 && shown_ > 0) {
        std::fputs("\r        \r", stderr);
        shown_ = -1;
        return;
    }
    if (percent != shown_) {
        shown_ = percent;
        std::fprintf(stderr, "\r%3d%% ", percent);
        std::fflush(stderr);
    }
}

namespace {

[[noreturn]] void SettingsUsed(const std::string& section, const std::string& key) {
    std::fprintf(stderr, "tesmora-cli: internal error: setting %s/%s used\n", section.c_str(),
                 key.c_str());
    std::abort();
}

// Taken by every command; --first-rec matters only with two INPUTs or more.
constexpr const char* kCommonOptions =
    "  --first-rec N      skip the first N-1 lines of each appended INPUT (default 1)\n"
    "  --encoding E       read every INPUT as E, shift-jis or utf-8 (default: detected)\n"
    "  --output-encoding E  write OUTPUT as E, shift-jis, utf-8 or utf-8-bom\n"
    "                     (default: the encoding of the first INPUT)\n"
    "  --verbose          after the operation, print the time it took and how the\n"
    "                     record count changed to standard error (the status bar's line)\n";

std::optional<Encoding> EncodingOption(const Args& args, const std::string& name,
                                       bool bom_allowed) {
    const auto word = args.Value(name);
    if (!word) return std::nullopt;
    const auto e = EncodingFromWord(*word);
    if (!e || (*e == Encoding::Utf8Bom && !bom_allowed))
        throw UsageError{"--" + name + " takes " +
                         (bom_allowed ? "shift-jis, utf-8 or utf-8-bom" : "shift-jis or utf-8") +
                         ", not '" + *word + "'"};
    return e;
}

}  // namespace

int NoSettings::GetInt(const std::string& section, const std::string& key, int) {
    SettingsUsed(section, key);
}
void NoSettings::SetInt(const std::string& section, const std::string& key, int) {
    SettingsUsed(section, key);
}
std::string NoSettings::GetString(const std::string& section, const std::string& key,
                                  const std::string&) {
    SettingsUsed(section, key);
}
void NoSettings::SetString(const std::string& section, const std::string& key, const std::string&) {
    SettingsUsed(section, key);
}

std::string Usage(const Command& cmd) {
    return std::string(cmd.usage) + kCommonOptions;
}

std::map<std::string, bool> DeclaredOptions(const Command& cmd) {
    return tesmora::DeclaredOptions(Usage(cmd));
}

Args ParseArgs(const Command& cmd, const std::vector<std::string>& argv) {
    Args args = ParseArguments(Usage(cmd), argv);
    if (args.inputs.empty()) throw UsageError{"no INPUT file"};
    if (cmd.changes_records && !args.output) throw UsageError{"-o OUTPUT is required"};
    return args;
}

namespace {

// Every operation's command: its request from the arguments, then the run.
int RunOperationCommand(const Operation& op, Context& ctx) {
    AnyRequest request = op.parse(ctx.args);
    // A file the step reads (a replacement set) is refused before the INPUTs are loaded.
    if (!ReportValidation(ctx.doc, LoadStepFiles(request))) return kExitFailed;
    return RunAndSave(ctx, [&request](Document& doc) { return RunStep(doc, request); });
}

}  // namespace

extern const Command kCommand_stats;
extern const Command kCommand_save;
extern const Command kCommand_run;

const std::vector<const Command*>& Commands() {
    static const std::vector<Command> operations = [] {
        std::vector<Command> list;
        for (const Operation& op : Operations())
            list.push_back({op.command, op.summary, op.usage, true,
                            [&op](Context& ctx) { return RunOperationCommand(op, ctx); }});
        return list;
    }();
    static const std::vector<const Command*> all = [] {
        std::vector<const Command*> list{&kCommand_stats, &kCommand_save};
        for (const Command& c : operations) list.push_back(&c);
        list.push_back(&kCommand_run);
        return list;
    }();
    return all;
}

const Command* FindCommand(const std::string& name) {
    for (const Command* c : Commands())
        if (name == c->name) return c;
    return nullptr;
}

bool LoadInputs(Context& ctx, bool scan_beside) {
    Document& doc = ctx.doc;
    const auto& inputs = ctx.args.inputs;
    // Nothing here shows a page of records: no index is written.
    doc.SetSequentialOnly(true);
    LoadOptions options;
    options.order = AppendOrder::AsGiven;
    options.first_record = ctx.args.Int("first-rec", 1);
    options.ask_first_record = false;
    options.offer_split_mode = false;
    // A read-only INPUT is copied as it is; it is never changed.
    options.read_only_prompt = false;
    options.encoding = EncodingOption(ctx.args, "encoding", false);
    options.scan_beside = scan_beside;
    OutputEncoding(ctx);  // a usage error comes before any work
    for (const std::string& input : inputs) {
        // The document would refuse a missing file silently; say which one.
        if (!File::CanOpen(input)) {
            doc.Message(kMsgOpenFailed, MsgStyle::Error, input + "\n");
            return false;
        }
    }
    if (inputs.size() == 1) {
        // Never written in place, so it can be read where it lies.
        return doc.LoadWorkingFile(inputs[0], LoadMode::InPlace, options);
    }
    return doc.OpenFiles(inputs, options);
}

Encoding OutputEncoding(const Context& ctx) {
    return EncodingOption(ctx.args, "output-encoding", true).value_or(ctx.doc.FileEncoding());
}

bool WriteOutput(Context& ctx) {
    const std::string& target = *ctx.args.output;
    const Encoding as = OutputEncoding(ctx);
    if (target == "-") {
        File out;
        out.OpenStdout();
        std::int64_t unmapped = 0;
        if (ctx.doc.WriteAllRecords(out, as, &unmapped)) return true;
        if (unmapped)
            ctx.doc.Message(kMsgNoUtf8Form, MsgStyle::Error,
                            "-\n" + std::to_string(unmapped) + "行目\n");
        else
            ctx.doc.Message(kMsgCreateFailed, MsgStyle::Error, "-\n");
        return false;
    }
    // Nothing uses the document after its output is saved: an operation's
    // committed output can simply be renamed into place.
    return ctx.doc.MoveWorkingFileTo(target, as) || ctx.doc.SaveDocument(target, false, as);
}

int RunAndSave(Context& ctx, const std::function<bool(Document&)>& run) {
    // The operation's pass indexes the input as it reads it.
    if (!LoadInputs(ctx, true)) return kExitFailed;
    // An output renamed into place is the operation's own file (see WriteOutput).
    ctx.doc.SetOutputsKept(*ctx.args.output != "-" && !IsUtf8(OutputEncoding(ctx)));
    if (!run(ctx.doc) || !ctx.doc.FinishScan()) return kExitFailed;
    // The status bar's last word: the operation's line, not its reload's.
    if (ctx.args.Has("verbose")) std::fprintf(stderr, "%s\n", ctx.progress.status.c_str());
    return WriteOutput(ctx) ? kExitOk : kExitFailed;
}

}  // namespace tesmora::cli
