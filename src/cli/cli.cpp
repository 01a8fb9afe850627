#include "cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "tesmora/document/codepage.h"

namespace tesmora::cli {

std::optional<std::string> Args::Value(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

int Args::Int(const std::string& name, std::optional<int> def) const {
    auto v = Value(name);
    if (!v) {
        if (def) return *def;
        throw UsageError{"missing option --" + name};
    }
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v->c_str(), &end, 10);
    if (v->empty() || *end != '\0' || errno == ERANGE || n < -2147483647L || n > 2147483647L)
        throw UsageError{"--" + name + " takes a whole number, not '" + *v + "'"};
    return static_cast<int>(n);
}

std::string Args::Text(const std::string& name, std::optional<std::string> def) const {
    auto v = Value(name);
    if (v) return *v;
    if (def) return *def;
    throw UsageError{"missing option --" + name};
}

FieldIndex Args::Field(const std::string& name) const {
    const int n = Int(name);
    if (n < 0) throw UsageError{"--" + name + " must be 0 or more"};
    return FieldIndex{n};
}

std::string Args::Cp932(const std::string& name, std::optional<std::string> def) const {
    std::string utf8 = Text(name, def);
    auto converted = Utf8ToCp932(utf8);
    if (!converted)
        throw UsageError{"--" + name + ": '" + utf8 + "' holds a character Shift-JIS cannot hold"};
    return *converted;
}

std::string Args::OneOf(std::initializer_list<const char*> names) const {
    std::string found, all;
    int count = 0;
    for (const char* n : names) {
        all += (all.empty() ? "--" : names.size() > 2 ? ", --" : " and --") + std::string(n);
        if (Has(n)) {
            found = n;
            ++count;
        }
    }
    if (count != 1) throw UsageError{"give one of " + all};
    return found;
}

int CliMessages::Show(int id, const std::string& text, MsgStyle style) {
    auto it = answers.find(id);
    if (style == MsgStyle::Question || style == MsgStyle::QuestionCancel)
        return it != answers.end() ? it->second : kIdYes;
    // Notices that only confirm success stay quiet.
    if (style == MsgStyle::Info && id == kMsgSaved) return kIdOk;
    std::fprintf(stderr, "tesmora-cli: %s\n", text.c_str());
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
    std::map<std::string, bool> options;
    const std::string usage = Usage(cmd);
    std::size_t pos = 0;
    while (pos < usage.size()) {
        std::size_t end = usage.find('\n', pos);
        if (end == std::string::npos) end = usage.size();
        const std::string line = usage.substr(pos, end - pos);
        pos = end + 1;
        // An option line: two spaces, then the options up to a gap of two spaces.
        if (line.compare(0, 4, "  --") != 0) continue;
        const std::size_t gap = line.find("  ", 2);
        const std::string terms = line.substr(2, gap == std::string::npos ? gap : gap - 2);
        std::vector<std::string> words;
        for (std::size_t i = 0; i < terms.size();) {
            const std::size_t j = std::min(terms.find(' ', i), terms.size());
            if (j > i) words.push_back(terms.substr(i, j - i));
            i = j + 1;
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (words[i].compare(0, 2, "--") != 0) continue;
            const bool value = i + 1 < words.size() && words[i + 1].compare(0, 2, "--") != 0 &&
                               words[i + 1] != "|";
            options[words[i].substr(2)] = value;
        }
    }
    return options;
}

Args ParseArgs(const Command& cmd, const std::vector<std::string>& argv) {
    const std::map<std::string, bool> options = DeclaredOptions(cmd);
    Args args;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "-o") {
            if (i + 1 >= argv.size()) throw UsageError{"-o needs a file name"};
            args.output = argv[++i];
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            const auto it = options.find(a.substr(2));
            if (it == options.end()) throw UsageError{"unknown option " + a};
            if (!it->second) {
                args.flags.insert(it->first);
            } else {
                if (i + 1 >= argv.size()) throw UsageError{a + " needs a value"};
                args.values[it->first] = argv[++i];
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

const Command* FindCommand(const std::string& name) {
    for (const Command* c : Commands())
        if (name == c->name) return c;
    return nullptr;
}

bool LoadInputs(Context& ctx) {
    Document& doc = ctx.doc;
    const auto& inputs = ctx.args.inputs;
    LoadOptions options;
    options.order = AppendOrder::AsGiven;
    options.first_record = ctx.args.Int("first-rec", 1);
    options.ask_first_record = false;
    options.offer_split_mode = false;
    // A read-only INPUT is copied as it is; it is never changed.
    options.read_only_prompt = false;
    options.encoding = EncodingOption(ctx.args, "encoding", false);
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
    if (!LoadInputs(ctx)) return kExitFailed;
    if (!run(ctx.doc)) return kExitFailed;
    // The status bar's last word: the operation's line, not its reload's.
    if (ctx.args.Has("verbose")) std::fprintf(stderr, "%s\n", ctx.progress.status.c_str());
    return WriteOutput(ctx) ? kExitOk : kExitFailed;
}

}  // namespace tesmora::cli
