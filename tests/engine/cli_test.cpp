// The batch front end as a whole process: output, messages, exit status.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine_fixture.h"
#include "tesmora/document/paths.h"
#include "tesmora/document/version.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using testing::ReadBytes;

class BatchTest : public EngineTest {
  protected:
    CliResult Run(const std::string& args) { return RunCli(args); }
};

TEST_F(BatchTest, StatsPrintsEveryValue) {
    const std::string in = MakeFile("in.csv", "a,bbb\r\ncccc,d\r\nx,y,z");
    CliResult r = Run("stats --extremes " + in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "records: 3\nmost_fields: 3\nfewest_fields: 2\nlongest_line: 8\nshortest_line: 6\n"
              "longest_field: 4\nshortest_field: 1\nmost_fields_record: 3\n"
              "fewest_fields_record: 1\n");
}

TEST_F(BatchTest, SaveJoinsInputsSkippingHeadersAndEndsEveryRecordWithCrLf) {
    const std::string a = MakeFile("a.csv", "h\r\na,1\nb,2");
    const std::string b = MakeFile("b.csv", "h\r\nc,3\r\n");
    const std::string out = Path("out.csv");
    CliResult r = Run("save " + a + " " + b + " --first-rec 2 -o " + out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(out), "h\r\na,1\r\nb,2\r\nc,3\r\n");
    EXPECT_EQ(ReadBytes(a), "h\r\na,1\nb,2");
}

TEST_F(BatchTest, SaveOfOneFileInSavedFormOrNotLeavesNothingBeside) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c :
         {Case{"a,1\r\nb,2\r\n", "a,1\r\nb,2\r\n"}, Case{"a,1\nb,2", "a,1\r\nb,2\r\n"},
          Case{"a\r\n\x1A"
               "junk",
               "a\r\n"}}) {
        const std::string in = MakeFile("one.csv", c.in);
        MakeFile("out.csv", "old\r\n");
        CliResult r = Run("save one.csv -o out.csv");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadBytes(Path("out.csv")), c.out);
        EXPECT_EQ(ReadBytes(in), c.in);
        int files = 0;
        for (auto& e : std::filesystem::directory_iterator(dir_)) files += e.is_regular_file();
        EXPECT_EQ(files, 3);  // one.csv, out.csv, stderr.txt
    }
}

TEST_F(BatchTest, FileNamesOutsideTheAnsiCodePage) {
    // Windows gives a program its arguments in the ANSI code page unless asked.
    const std::string in = "名簿①.csv", out = "出力.csv";
    testing::WriteBytes(dir_ / ToPath(in), "a\nb");
    CliResult r = Run("save " + in + " -o " + out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir_ / ToPath(out)), "a\r\nb\r\n");
}

// --verbose: the status bar's line after the operation, and nothing of the load.
TEST_F(BatchTest, VerbosePrintsTheStatusLine) {
    const std::string in = MakeFile("in.csv", "a,1\r\nb,2\r\na,3\r\n");
    const std::string args =
        "delete --from 0 --to 0 --word1 a --delete-matching " + in + " -o " + Path("out.csv");
    CliResult r = Run(args + " --verbose");
    EXPECT_EQ(r.status, 0) << r.err;
    // The elapsed time, then the record change (a busy machine may take a second).
    EXPECT_EQ(r.err.substr(r.err.find("  ")), "  3 → 1 レコード\n") << r.err;
    EXPECT_EQ(r.err.rfind("00:00:0", 0), 0u) << r.err;
    r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST_F(BatchTest, SaveToStandardOutput) {
    CliResult r = Run("save " + MakeFile("a.csv", "x\ny") + " -o -");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x\r\ny\r\n");
}

struct FailCase {
    const char* name;
    std::string args;  // {IN} is a valid input, {BAD} one over the limits
    int status;
    std::string err_contains;
    friend void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }
};

class CliFailTest : public BatchTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(CliFailTest, ExitStatusAndMessage) {
    const FailCase& c = GetParam();
    std::string args = c.args;
    auto put = [&](const std::string& key, const std::string& value) {
        for (std::size_t p; (p = args.find(key)) != std::string::npos;)
            args.replace(p, key.size(), value);
    };
    put("{IN}", MakeFile("in.csv", "a,1\r\n"));
    put("{BAD}", MakeFile("bad.csv", "a\r\n" + std::string(5000, 'x') + "\r\n"));
    put("{OUT}", Path("out.csv"));
    MakeFile("out.csv", "keep\r\n");
    CliResult r = Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.err_contains), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Path("out.csv")), "keep\r\n");  // never touched on failure
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);             // nor anything left beside it
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFailTest,
    ::testing::Values(
        FailCase{"UnknownCommand", "frobnicate {IN}", 2, "unknown command"},
        FailCase{"UnknownOption", "stats --nope {IN}", 2, "unknown option --nope"},
        FailCase{"NoInput", "stats", 2, "no INPUT"},
        FailCase{"SaveWithoutOutput", "save {IN}", 2, "-o OUTPUT is required"},
        FailCase{"BadFirstRec", "save {IN} {IN} --first-rec two -o {OUT}", 2, "whole number"},
        FailCase{"BadFirstRecOneInput", "save {IN} --first-rec two -o {OUT}", 2, "whole number"},
        FailCase{"OverLimit", "save {BAD} -o {OUT}", 1,
                 "tesmora-cli: 5,000バイトを超えるレコードを含むファイルは処理できません"},
        FailCase{"Missing", "stats /no/such/file.csv", 1,
                 "tesmora-cli: /no/such/file.csv\nファイルのオープンに失敗"},
        FailCase{"SaveIntoMissingFolder", "save {IN} -o /no/such/dir/x.csv", 1,
                 "ファイルの作成に失敗"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchTest, HelpListsCommandsAndExitsZero) {
    CliResult r = Run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  stats "), std::string::npos);
    EXPECT_NE(r.out.find("  save "), std::string::npos);
    CliResult c = Run("stats --help");
    EXPECT_EQ(c.status, 0);
    EXPECT_NE(c.out.find("--extremes"), std::string::npos);
}

TEST_F(BatchTest, VersionComesFromTheBuild) {
    CliResult r = Run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("tesmora-cli ") + kVersion + "\n");
    EXPECT_STRNE(kVersion, "");
}

TEST_F(BatchTest, ProgressStaysOffWhenStandardErrorIsNotATerminal) {
    std::string big;
    for (int i = 0; i < 5000; ++i) big += "a,b,c\r\n";
    CliResult r = Run("stats " + MakeFile("big.csv", big));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace tesmora
