// Nothing left behind and nothing lost on the ways a batch run can end:
// signals, a vanished or closed standard output, a file-size limit, a file
// shrunk while it is read, a key beyond every field.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <thread>

#include "cleanup.h"
#include "engine_fixture.h"
#include "tesmora/document/temp_files.h"

extern char** environ;

namespace tesmora {
namespace {

using testing::ReadBytes;

class ExitTest : public testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        tmp_ = dir_ / "tmp";
        std::filesystem::create_directory(tmp_);
    }
    // The shell line with our temporary folder.
    std::string InTmp(const std::string& line) { return "TMPDIR=tmp; export TMPDIR; " + line; }
    std::filesystem::path tmp_;
};

std::string Lines(int n, const char* end) {
    std::string s;
    for (int i = n; i > 0; --i) s += std::to_string(i) + ",abcdefgh" + end;
    return s;
}

class SignalTest : public ExitTest, public ::testing::WithParamInterface<int> {};

TEST_P(SignalTest, EndsTheRunAndDeletesItsTemporaryFiles) {
    const int sig = GetParam();
    MakeFile("a.csv", "a\r\n");
    MakeFile("out.csv", "keep\r\n");
    ASSERT_EQ(mkfifo(Path("f").c_str(), 0600), 0);
    // The run waits on the FIFO with its files made: the working copy of
    // a.csv, its index and the copy of the stream.
    const std::string tmpdir = "TMPDIR=" + tmp_.string();
    char* env[] = {const_cast<char*>(tmpdir.c_str()), nullptr};
    const std::string a = Path("a.csv"), f = Path("f"), out = Path("out.csv");
    const char* argv[] = {TESMORA_CLI, "save", a.c_str(), f.c_str(), "-o", out.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, TESMORA_CLI, &actions, nullptr, const_cast<char**>(argv), env), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Our writes must not end us if the run goes; the shell lines of the
    // other tests run with SIGPIPE as it was.
    struct PipeIgnored {
        void (*old)(int) = signal(SIGPIPE, SIG_IGN);
        ~PipeIgnored() { signal(SIGPIPE, old); }
    } pipe_ignored;
    const int writer = open(f.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "x\r\n", 3), 3);
    for (int i = 0; i < 500 && CountFiles(tmp_) < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
    close(writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    EXPECT_EQ(CountFiles(tmp_), 0);
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);
    EXPECT_EQ(ReadBytes(out), "keep\r\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(strsignal(info.param)); });

struct EndCase {
    const char* name;
    std::string line;  // run with in.csv (LF only) and out.csv ("keep")
    int status;
    std::string err;  // part of the message, empty when none
    friend void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }
};

class EndTest : public ExitTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndTest, ReportsAndLeavesNothingBehind) {
    const EndCase& c = GetParam();
    MakeFile("in.csv", Lines(100000, "\n"));
    MakeFile("out.csv", "keep\r\n");
    const CliResult r = RunShell(InTmp(c.line));
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.err.empty())
        EXPECT_EQ(r.err, "");
    else
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Path("out.csv")), "keep\r\n");
    EXPECT_EQ(CountFiles(tmp_), 0);
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);
}

const std::string kStdoutFailed = "tesmora-cli: -\nファイルの作成に失敗";
const std::string kWriteFailed = "ファイルの作成に失敗";

INSTANTIATE_TEST_SUITE_P(
    Ends, EndTest,
    ::testing::Values(
        EndCase{"ReaderGoneSort", "{CLI} sort --key 0 in.csv -o - | head -c 1 >/dev/null", 0, ""},
        EndCase{"ReaderGoneSave", "{CLI} save in.csv in.csv -o - | head -c 1 >/dev/null", 0, ""},
        EndCase{"ReaderGoneIgnored",
                "trap '' PIPE; {CLI} sort --key 0 in.csv -o - | head -c 1 >/dev/null", 0,
                kStdoutFailed},
        EndCase{"ClosedSave", "{CLI} save in.csv -o - >&-", 1, kStdoutFailed},
        EndCase{"ClosedSort", "{CLI} sort --key 0 in.csv -o - >&-", 1, kStdoutFailed},
        EndCase{"ClosedJoin", "{CLI} save in.csv in.csv -o - >&-", 1, kStdoutFailed},
        EndCase{"ClosedStats", "{CLI} stats in.csv >&-", 1, kStdoutFailed},
        EndCase{"SizeLimitSave", "ulimit -f 64; {CLI} save in.csv -o out.csv", 1, kWriteFailed},
        // Here the limit stops the working copy of the first file.
        EndCase{"SizeLimitJoin", "ulimit -f 64; {CLI} save in.csv in.csv -o out.csv", 1,
                "ファイルオブジェクトの作成に失敗"},
        EndCase{"SizeLimitSort", "ulimit -f 64; {CLI} sort --key 0 in.csv -o out.csv", 1,
                kWriteFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExitTest, AMappedFileShrunkWhileReadEndsTheRunWithAMessageAndNoFilesLeft) {
    FileFaults::SetMapping(true);
    const std::string in = MakeFile("in.csv", Lines(200000, "\n"));
    settings.SetInt("AddRead", "FirstRec", 1);
    ASSERT_TRUE(doc->LoadWorkingFile(in, LoadMode::InPlace));
    const std::string index = doc->IndexFileName();
    ASSERT_TRUE(std::filesystem::exists(index));
    EXPECT_EXIT(
        {
            cli::InstallBatchCleanup();
            TextReader reader = doc->Records();
            ASSERT_EQ(truncate(in.c_str(), 0), 0);
            Line line;
            while (reader.Next(line)) {
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(1), "in.csv\nファイルのオープンに失敗");
    FileFaults::SetMapping(false);
    EXPECT_FALSE(std::filesystem::exists(index));
}

// Read through a buffer, a file that shrinks is a failed read, not fewer records.
TEST_F(ExitTest, AFileShrunkWhileReadIsAFailedRead) {
    const std::string in = MakeFile("in.csv", Lines(200000, "\n"));
    ASSERT_TRUE(doc->LoadWorkingFile(in, LoadMode::InPlace));
    TextReader reader = doc->Records();
    Line line;
    ASSERT_TRUE(reader.Next(line));
    ASSERT_EQ(truncate(in.c_str(), 0), 0);
    while (reader.Next(line)) {
    }
    EXPECT_TRUE(doc->WorkingFile().ReadFailed());
}

TEST_F(ExitTest, AKeyBeyondEveryFieldIsAnEmptyField) {
    EXPECT_EQ(ToNumber(FieldIndex{INT_MAX}).value, INT_MAX);
    MakeFile("in.csv", "b,1\r\na,1\r\nb,2\r\n");
    const CliResult far = RunCli("dedupe --key 2147483647 --mode 0 in.csv -o -");
    const CliResult near = RunCli("dedupe --key 9 --mode 0 in.csv -o -");
    EXPECT_EQ(far.status, 0) << far.err;
    EXPECT_EQ(far.out, near.out);
}

TEST_F(ExitTest, SavingAnLfOnlyFileWritesThroughOneBuffer) {
    messages.Answer(30004, kIdNo);
    ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("in.csv", Lines(20000, "\n")), LoadMode::InPlace));
    File out;
    ASSERT_TRUE(out.Open(Path("out.csv"), "wb"));
    FileFaults::Arm(0);
    ASSERT_TRUE(doc->WriteAllRecords(out));
    EXPECT_LE(FileFaults::Writes(), 2);
    out.Close();
    EXPECT_EQ(ReadBytes(Path("out.csv")), Lines(20000, "\r\n"));
}

}  // namespace
}  // namespace tesmora

namespace tesmora {
namespace {

// A run killed outright leaves its files and its owner file; the next start
// removes exactly those, and nothing of a run that still holds its own.
TEST_F(ExitTest, TheFilesOfARunThatDiedAreRemovedAtTheNextStart) {
    namespace fs = std::filesystem;
    auto write = [](const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    };
    // A dead run's list: one of its files, a file not named as ours, one elsewhere.
    write(tmp_ / "Tes1A2.TMP", "x");
    write(tmp_ / "keep.txt", "y");
    write(dir_ / "Tes3.TMP", "z");
    write(tmp_ / "tesmora-999999.own", (tmp_ / "Tes1A2.TMP").string() + "\n" +
                                           (tmp_ / "keep.txt").string() + "\n" +
                                           (dir_ / "Tes3.TMP").string() + "\n");
    // A live run's list, held as its process holds it.
    write(tmp_ / "Tes4.TMP", "w");
    write(tmp_ / "tesmora-999998.own", (tmp_ / "Tes4.TMP").string() + "\n");
    const int held = open((tmp_ / "tesmora-999998.own").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    EXPECT_EQ(RemoveAbandonedTemps(tmp_.string()), 2);  // Tes1A2.TMP and its list
    EXPECT_FALSE(fs::exists(tmp_ / "Tes1A2.TMP"));
    EXPECT_FALSE(fs::exists(tmp_ / "tesmora-999999.own"));
    EXPECT_TRUE(fs::exists(tmp_ / "keep.txt"));
    EXPECT_TRUE(fs::exists(dir_ / "Tes3.TMP"));
    EXPECT_TRUE(fs::exists(tmp_ / "Tes4.TMP"));
    close(held);

    // A batch run killed while it waits for its input leaves what it made.
    ASSERT_EQ(mkfifo(Path("f").c_str(), 0600), 0);
    const CliResult r =
        RunShell(InTmp("(printf 'a,1\\r\\n'; sleep 3) > f & "
                       "'" TESMORA_CLI "' sort --key 0 f -o out.csv & "
                       "sleep 1; kill -9 $!; wait $! 2>/dev/null; "
                       "ls tmp | grep -c '^Tes'"));
    EXPECT_NE(r.out, "0\n");
    EXPECT_GE(RemoveAbandonedTemps(tmp_.string()), 2);
    EXPECT_EQ(CountFiles(tmp_), 1);  // Tes4.TMP, whose run still "runs"
    EXPECT_FALSE(fs::exists(Path("out.csv")));
}

}  // namespace
}  // namespace tesmora
