// The batch front end with inputs that are not plain text files: refused
// whatever the load mode, or read once when they are streams.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace tesmora {
namespace {

using testing::ReadBytes;

class BatchInputTest : public testing::EngineTest {};

struct RefusedCase {
    const char* name;
    std::string input;  // a file name in the scratch folder, or an absolute path
    std::string bytes;  // its content when made here
    std::string message;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

class RefusedInputTest : public BatchInputTest,
                         public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInputTest, EveryCommandRefusesAndLeavesOutput) {
    const RefusedCase& c = GetParam();
    if (c.input == "dir")
        std::filesystem::create_directory(Path("dir"));
    else if (!std::filesystem::path(c.input).has_root_directory())
        MakeFile(c.input, c.bytes);
#ifdef _WIN32
    if (c.input == "/dev/zero") GTEST_SKIP() << "Windows has no endless device like /dev/zero";
#endif
    for (const char* command : {"save", "sort --key 0", "dedupe --key 0 --mode 0"}) {
        for (const std::string& inputs : {c.input, c.input + " ok.csv", "ok.csv " + c.input}) {
            MakeFile("ok.csv", "x\r\n");
            MakeFile("out.csv", "keep\r\n");
            const std::string args = std::string(command) + " " + inputs + " -o out.csv";
            const CliResult r = RunCli(args);
            EXPECT_EQ(r.status, 1) << args;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << args << ": " << r.err;
            EXPECT_EQ(ReadBytes(Path("out.csv")), "keep\r\n") << args;
        }
    }
    const CliResult stats = RunCli("stats " + c.input);
    EXPECT_EQ(stats.status, 1);
    EXPECT_EQ(stats.out, "");
}

const std::string kNoText = "テキストファイル以外のファイルは処理できません";
const std::string kNoBreak = "改行のないファイルは処理できません";
const std::string kNoOpen = "ファイルのオープンに失敗";

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedInputTest,
    ::testing::Values(
        RefusedCase{"Empty", "empty.csv", "", kNoBreak},
        RefusedCase{"NoLineBreak", "one.csv", "a,b,c", kNoBreak},
        RefusedCase{"BreakBeyond5000", "long.csv", std::string(5000, 'x') + "\n", kNoBreak},
        // Not "nul.csv": Windows reads that name as its NUL device.
        RefusedCase{"Nul", "nulbyte.csv", std::string("a,b\r\nc\0d\r\n", 10), kNoText},
        RefusedCase{"Esc", "esc.csv", "a\r\n\x1b[0m\r\n", kNoText},
#ifdef _WIN32
        RefusedCase{"Binary", TESMORA_CLI, "", kNoText},
#else
        RefusedCase{"Binary", "/bin/ls", "", kNoText},
#endif
        RefusedCase{"EndlessZeros", "/dev/zero", "", kNoText},
        RefusedCase{"Folder", "dir", "", kNoOpen}),
    [](const auto& info) { return std::string(info.param.name); });

struct StreamCase {
    const char* name;
    std::string feed;  // piped into the line's standard input, when not empty
    std::string line;
    std::string out;  // standard output, or out.csv when -o out.csv
    friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class StreamInputTest : public BatchInputTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(StreamInputTest, IsReadOnceAndProcessed) {
    const StreamCase& c = GetParam();
    std::string line = c.line;
    if (!c.feed.empty()) {
        MakeFile("feed.txt", c.feed);
#ifdef _WIN32
        line = "type feed.txt | " + line;
#else
        line = "cat feed.txt | " + line;
#endif
    }
#ifdef _WIN32
    if (line.find("mkfifo") != std::string::npos) GTEST_SKIP() << "Windows has no FIFOs";
#endif
    MakeFile("a.csv", "a,1\r\n");
    MakeFile("out.csv", "keep\r\n");
    const CliResult r = RunShell(line);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(c.line.find("out.csv") != std::string::npos ? ReadBytes(Path("out.csv")) : r.out,
              c.out);
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, StreamInputTest,
    ::testing::Values(
        StreamCase{"PipeSorted", "b,2\na,1\n", "{CLI} sort --key 0 /dev/stdin -o out.csv",
                   "a,1\r\nb,2\r\n"},
        StreamCase{"PipeSavedToStdout", "b\na", "{CLI} save /dev/stdin -o -", "b\r\na\r\n"},
        StreamCase{"PipeStats", "b\na,c\n", "{CLI} stats /dev/stdin",
                   "records: 2\nmost_fields: 2\nfewest_fields: 1\nlongest_line: 5\n"
                   "shortest_line: 3\nlongest_field: 1\nshortest_field: 1\n"},
        StreamCase{"PipeAsSecondInput", "h\nc,3\n",
                   "{CLI} save a.csv /dev/stdin --first-rec 2 -o out.csv", "a,1\r\nc,3\r\n"},
        StreamCase{"PipeFirstOfTwo", "z,0\n", "{CLI} sort --key 0 /dev/stdin a.csv -o -",
                   "a,1\r\nz,0\r\n"},
        StreamCase{
            "Fifo", "",
            "mkfifo f && (printf 'b\\na\\n' > f &) && timeout 20 {CLI} sort --key 0 f -o out.csv",
            "a\r\nb\r\n"},
        StreamCase{"FifoAppended", "",
                   "mkfifo f && (printf 'q\\n' > f &) && timeout 20 {CLI} save a.csv f -o out.csv",
                   "a,1\r\nq\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A large single input is indexed by the operation's own pass: what the load
// would refuse is still refused, alone, and the data ends at 0x1A as before.
struct LargeCase {
    const char* name;
    std::string head, tail;  // around 150,000 records "abcd,1"
    std::string command;
    int status;
    std::string out;  // out.csv afterwards
    std::string said, unsaid;
    friend void PrintTo(const LargeCase& c, std::ostream* os) { *os << c.name; }
};

class LargeInputTest : public BatchInputTest, public ::testing::WithParamInterface<LargeCase> {};

constexpr int kLargeRecords = 150000;

std::string Repeated(const std::string& record) {
    std::string all;
    for (int i = 0; i < kLargeRecords; ++i) all += record;
    return all;
}

TEST_P(LargeInputTest, RefusesOrProcessesAsALoadFirstWould) {
    const LargeCase& c = GetParam();
    MakeFile("big.csv", c.head + Repeated("abcd,1\r\n") + c.tail);
    MakeFile("out.csv", "keep\r\n");
    const CliResult r = RunCli(c.command + " big.csv -o out.csv --verbose");
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(ReadBytes(Path("out.csv")), c.out);
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    if (!c.unsaid.empty()) {
        EXPECT_EQ(r.err.find(c.unsaid), std::string::npos) << r.err;
    }
    EXPECT_EQ(CountFiles(dir_, ".Tes"), 0);
}

const std::string kTooLong = "5,000バイトを超えるレコード";
const std::string kTooManyFields = "フィールド数が 2,000 以上";
const std::string kFieldsOver = std::string(2001, ',') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Large, LargeInputTest,
    ::testing::Values(LargeCase{"LastRecordOverFieldLimit", "", kFieldsOver,
                                "dedupe --key 1 --mode 0", 1, "keep\r\n", kTooManyFields, ""},
                      // The pass refuses its first record, the load the last: the load speaks.
                      LargeCase{"PassRefusalGivesWayToLoads",
                                "x," + std::string(4990, 'y') + "\r\n", kFieldsOver,
                                "fieldlen --field 0 --length 100", 1, "keep\r\n", kTooManyFields,
                                kTooLong},
                      LargeCase{"EndOfDataMark", "", "\x1a" + std::string(6000, 'z') + kFieldsOver,
                                "fieldlen --field 0 --length 3", 0, Repeated("abc,1\r\n"),
                                "150,000 → 150,000 レコード", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tesmora
