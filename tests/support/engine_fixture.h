#pragma once
// Shared test helpers: a scratch folder, files written from byte strings, and
// recording sinks that answer questions from a script.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tesmora/document/document.h"

namespace tesmora::testing {

std::string ReadBytes(const std::filesystem::path& path);

// An operation pass that copies every record, stepping its progress per
// record as the real passes do.
bool CopyStepping(Document& doc, TextWriter& out);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

class ScriptedMessages : public IMessageSink {
  public:
    std::vector<int> shown;                 // ids in the order shown
    std::vector<std::string> texts;         // texts as shown (prefix included)
    std::map<int, std::deque<int>> script;  // answers per id, used in order
    int Show(int id, const std::string& text, MsgStyle style) override;
    void Answer(int id, int button) { script[id].push_back(button); }
    bool Saw(int id) const;
};

class RecordingProgress : public IProgressSink {
  public:
    std::vector<std::pair<char, int>> calls;  // ('r', upper) or ('p', pos)
    std::string status;
    void SetRange(int upper) override { calls.emplace_back('r', upper); }
    void SetPos(int pos) override { calls.emplace_back('p', pos); }
    // A quick pass that straddles a second boundary reads 00:00:01; the
    // tests pin the rest of the line, so that second is taken as 00:00:00.
    void SetStatusText(const std::string& text) override {
        status = text.rfind("00:00:01", 0) == 0 ? "00:00:00" + text.substr(8) : text;
    }
};

class RecordingView : public IViewSink {
  public:
    int layouts = 0, redraws = 0, clears = 0, titles = 0;
    std::vector<std::string> recent;
    bool allow_image = true;
    bool CreateOffscreenImage(int) override { return allow_image; }
    void UpdateViewLayout() override { ++layouts; }
    void RedrawView() override { ++redraws; }
    void ClearView() override { ++clears; }
    void UpdateTitle() override { ++titles; }
    void AddRecentFile(const std::string& path) override { recent.push_back(path); }
};

// A document over recording sinks, with a scratch folder for its files.
class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes bytes to a file in the scratch folder and returns its path.
    std::string MakeFile(const std::string& name, const std::string& bytes);
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Every record of the working file, in order.
    std::vector<std::string> Records();

    struct CliResult {
        int status;
        std::string out;
        std::string err;
    };
    // Runs tesmora-cli with args in the scratch folder (so file names may be
    // relative to it), capturing its output, errors and exit status.
    CliResult RunCli(const std::string& args);
    // Runs a shell line in the scratch folder, {CLI} standing for tesmora-cli.
    CliResult RunShell(std::string line);
    // Files in folder whose names hold part ("Tes" for our temporary files).
    static int CountFiles(const std::filesystem::path& folder, const std::string& part = "Tes");

    CliResult RunInFolder(const std::string& command);

    std::filesystem::path dir_;
    ScriptedMessages messages;
    RecordingProgress progress;
    MemorySettings settings;
    RecordingView view;
    std::unique_ptr<Document> doc;
};

// A fixture for tests that run tesmora-cli and look at its exit status and errors.
class CliTest : public EngineTest {
  protected:
    int Run(const std::string& args) {
        last_ = RunCli(args);
        return last_.status;
    }
    std::string Err() const { return last_.err; }
    CliResult last_;
};

}  // namespace tesmora::testing
