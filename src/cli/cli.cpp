#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <iconv.h>
#include <unistd.h>
#endif

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

std::string Args::Cp932(const std::string& name, std::optional<std::string> def) const {
    std::string utf8 = Text(name, def);
    auto converted = Utf8ToCp932(utf8);
    if (!converted)
        throw UsageError{"--" + name + ": '" + utf8 + "' holds a character Shift-JIS cannot hold"};
    return *converted;
}

int CliMessages::Show(int id, const std::string& text, MsgStyle style) {
    auto it = answers.find(id);
    if (style == MsgStyle::Question || style == MsgStyle::QuestionCancel)
        return it != answers.end() ? it->second : kIdYes;
    // Notices that only confirm success stay quiet.
    if (style == MsgStyle::Info && id == 30011) return kIdOk;
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

bool LoadInputs(Context& ctx) {
    Document& doc = ctx.doc;
    const auto& inputs = ctx.args.inputs;
    ctx.settings.SetInt("AddRead", "AddJun", 0);  // the order given
    ctx.settings.SetInt("AddRead", "FirstRec", ctx.args.Int("first-rec", 1));
    doc.SetReadOnlyPrompt(false);
    ctx.messages.answers[30004] = kIdNo;  // no split mode in batch
    for (const std::string& input : inputs) {
        // The document would refuse a missing file silently; say which one.
        if (!File::CanOpen(input)) {
            doc.Message(30003, MsgStyle::Error, input + "\n");
            return false;
        }
    }
    if (inputs.size() == 1) {
        // Never written in place, so it can be read where it lies.
        return doc.LoadWorkingFile(inputs[0], LoadMode::InPlace);
    }
    return doc.OpenFiles(inputs, false);
}

bool WriteOutput(Context& ctx) {
    const std::string& target = *ctx.args.output;
    if (target == "-") {
        File out;
        out.OpenStdout();
        if (ctx.doc.WriteAllRecords(out)) return true;
        ctx.doc.Message(30039, MsgStyle::Error, "-\n");
        return false;
    }
    // Nothing uses the document after its output is saved: an operation's
    // committed output can simply be renamed into place.
    return ctx.doc.MoveWorkingFileTo(target) || ctx.doc.SaveDocument(target, false);
}

int RunAndSave(Context& ctx, const std::function<bool(Context&)>& checks,
               const OperationPass& pass) {
    if (!LoadInputs(ctx)) return kExitFailed;
    if (checks && !checks(ctx)) return kExitFailed;
    if (!RunOperation(ctx.doc, pass)) return kExitFailed;
    return WriteOutput(ctx) ? kExitOk : kExitFailed;
}

std::optional<std::string> Utf8ToCp932(const std::string& text) {
    if (text.empty()) return text;
#ifdef _WIN32
    int wlen = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0);
    if (wlen <= 0) return std::nullopt;
    std::wstring wide(wlen, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), wlen);
    BOOL lossy = FALSE;
    int len = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, nullptr, 0, nullptr,
                                  &lossy);
    if (len <= 0 || lossy) return std::nullopt;
    std::string out(len, '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wlen, out.data(), len, nullptr,
                        nullptr);
    return out;
#else
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* dst = out.data();
    std::size_t out_left = out.size();
    const std::size_t r = iconv(cd, &in, &in_left, &dst, &out_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
#endif
}

}  // namespace tesmora::cli
