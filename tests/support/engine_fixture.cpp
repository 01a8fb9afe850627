#include "engine_fixture.h"

#include "tesmora/document/paths.h"
#include "tesmora/document/progress.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace tesmora::testing {

bool CopyStepping(Document& doc, TextWriter& out) {
    ProgressStepper progress(doc.Progress(), doc.Stats().records);
    TextReader reader = doc.Records();
    Line line;
    std::int64_t k = 0;
    while (reader.Next(line)) {
        out.WriteRecord(line.text);
        progress.Step(++k);
    }
    return true;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int ScriptedMessages::Show(int id, const std::string& text, MsgStyle style) {
    shown.push_back(id);
    texts.push_back(text);
    auto it = script.find(id);
    if (it != script.end() && !it->second.empty()) {
        int answer = it->second.front();
        it->second.pop_front();
        return answer;
    }
    if (style == MsgStyle::Question || style == MsgStyle::QuestionCancel) {
        ADD_FAILURE() << "unscripted question " << id;
        return kIdNo;
    }
    return kIdOk;
}

bool ScriptedMessages::Saw(int id) const {
    return std::find(shown.begin(), shown.end(), id) != shown.end();
}

void EngineTest::SetUp() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("tesmora-test-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    doc = std::make_unique<Document>(messages, progress, settings, view);
}

void EngineTest::TearDown() {
    doc.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string EngineTest::MakeFile(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return Path(name);
}

std::vector<std::string> EngineTest::Records() {
    std::vector<std::string> out;
    TextReader reader = doc->Records();
    Line line;
    while (reader.Next(line)) out.emplace_back(line.text);
    return out;
}

EngineTest::CliResult EngineTest::RunCli(const std::string& args) {
    return RunInFolder("'" TESMORA_CLI "' " + args);
}

EngineTest::CliResult EngineTest::RunShell(std::string line) {
    for (std::size_t p; (p = line.find("{CLI}")) != std::string::npos;)
        line.replace(p, 5, "'" TESMORA_CLI "'");
#ifdef _WIN32
    // cmd.exe under wine misreads "(...) 2>file"; a pipe binds tighter than
    // "&&" there, so the line needs no parentheses.
    return RunInFolder(line);
#else
    return RunInFolder("(" + line + ")");
#endif
}

#ifdef _WIN32
namespace {
// cmd.exe quotes only with double quotes, and the program's path, given
// drive-relative by the build, must keep its drive after "cd /d".
std::string ForCmd(std::string line) {
    static const std::string cli = std::filesystem::absolute(TESMORA_CLI).string();
    for (std::size_t p; (p = line.find(TESMORA_CLI)) != std::string::npos;)
        line.replace(p, std::strlen(TESMORA_CLI), cli);
    std::replace(line.begin(), line.end(), '\'', '"');
    return line;
}
}  // namespace
#endif

EngineTest::CliResult EngineTest::RunInFolder(const std::string& command) {
    const std::string err_path = Path("stderr.txt");
    CliResult r;
#ifdef _WIN32
    const std::string cmd =
        ForCmd("cd /d '" + dir_.string() + "' && " + command + " 2>'" + err_path + "'");
    // Wide, so that names outside the ANSI code page reach the program.
    FILE* pipe = _wpopen(ToPath(cmd).wstring().c_str(), L"rb");
#else
    const std::string cmd = "cd '" + dir_.string() + "' && " + command + " 2>'" + err_path + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
#endif
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
#ifdef _WIN32
    r.status = _pclose(pipe);
#else
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    r.err = ReadBytes(err_path);
    return r;
}

int EngineTest::CountFiles(const std::filesystem::path& folder, const std::string& part) {
    int n = 0;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(folder, ec))
        n += e.path().filename().string().find(part) != std::string::npos;
    return n;
}

}  // namespace tesmora::testing
