// Output, commit, undo and the operation calling order.
#include "tesmora/document/pipeline.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine_fixture.h"
#include "tesmora/document/progress.h"

namespace tesmora {
namespace {

namespace fs = std::filesystem;
using testing::EngineTest;
using testing::ReadBytes;

// A pass that upper-cases the first byte of every record.
bool UpperFirst(Document& doc, TextWriter& out) {
    TextReader reader = doc.Records();
    Line line;
    std::string rec;
    while (reader.Next(line)) {
        rec.assign(line.text);
        if (!rec.empty() && rec[0] >= 'a' && rec[0] <= 'z') rec[0] = static_cast<char>(rec[0] - 32);
        out.WriteRecord(rec);
    }
    return true;
}

bool AppendX(Document& doc, TextWriter& out) {
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) out.WriteRecord(std::string(line.text) + "x");
    return true;
}

class PipelineTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "a,1\r\nb,2\nc,3")));
    }
};

TEST_F(PipelineTest, CommitReplacesWorkingFileAndKeepsPreviousForUndo) {
    const std::string before = doc->WorkingFileName();
    doc->View().top_record = RecordIndex{2};
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    EXPECT_EQ(Records(), (std::vector<std::string>{"A,1", "B,2", "C,3"}));
    EXPECT_EQ(ReadBytes(doc->WorkingFileName()), "A,1\r\nB,2\r\nC,3\r\n");
    EXPECT_EQ(doc->PreviousWorkingFileName(), before);
    EXPECT_TRUE(doc->CanUndo());
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(doc->View().top_record.value, 0);
    EXPECT_EQ(doc->View().saved_top_record.value, 2);
    EXPECT_EQ(progress.status, "00:00:00  3 → 3 レコード");

    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2", "c,3"}));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(doc->View().top_record.value, 2);
    EXPECT_TRUE(doc->Modified());  // undo leaves the flag as it is
}

TEST_F(PipelineTest, TwoOperationsThenUndoGoesBackOneStep) {
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    ASSERT_TRUE(RunOperation(*doc, AppendX));
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), (std::vector<std::string>{"A,1", "B,2", "C,3"}));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->Undo());
}

TEST_F(PipelineTest, GivenUpTemporaryFilesAreDeleted) {
    const std::string original = doc->WorkingFileName();
    const std::string original_index = doc->IndexFileName();
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    const std::string first = doc->WorkingFileName();
    const std::string first_index = doc->IndexFileName();
    EXPECT_TRUE(fs::exists(original));  // kept for undo
    ASSERT_TRUE(RunOperation(*doc, AppendX));
    EXPECT_FALSE(fs::exists(original));
    EXPECT_FALSE(fs::exists(original_index));
    EXPECT_TRUE(fs::exists(first));
    const std::string undone = doc->WorkingFileName();
    ASSERT_TRUE(doc->Undo());
    EXPECT_FALSE(fs::exists(undone));
    EXPECT_FALSE(fs::exists(first_index));  // replaced by a new index
    EXPECT_TRUE(fs::exists(doc->IndexFileName()));
}

TEST_F(PipelineTest, FailedPassLeavesDocumentAndDeletesItsOutput) {
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    std::string output;
    const bool ok = RunOperation(*doc, [&](Document& d, TextWriter& out) {
        out.WriteRecord("partial");
        output = d.OutputFileName();
        return false;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(Records(), (std::vector<std::string>{"A,1", "B,2", "C,3"}));
    ASSERT_TRUE(doc->Undo());  // still restores the state before the last commit
    EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2", "c,3"}));
}

TEST_F(PipelineTest, RefusedReloadRestoresThePreviousDocument) {
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    const std::string working = doc->WorkingFileName();
    const std::string previous = doc->PreviousWorkingFileName();
    const Statistics stats = doc->Stats();
    const bool ok = RunOperation(*doc, [](Document&, TextWriter& out) {
        out.WriteRecord(std::string(5000, 'z'));  // over the line limit
        return true;
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(messages.Saw(30005));
    ASSERT_TRUE(doc->IsOpen());
    EXPECT_EQ(doc->WorkingFileName(), working);
    EXPECT_EQ(doc->PreviousWorkingFileName(), previous);
    EXPECT_EQ(doc->Stats().records, stats.records);
    EXPECT_EQ(Records(), (std::vector<std::string>{"A,1", "B,2", "C,3"}));
    EXPECT_EQ(doc->RecordOffset(RecordIndex{2}).value, 10);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2", "c,3"}));
}

TEST_F(PipelineTest, OperationRemovingEveryRecordCommitsAnEmptyFile) {
    ASSERT_TRUE(RunOperation(*doc, [](Document&, TextWriter&) { return true; }));
    EXPECT_EQ(doc->Stats().records, 0);
    EXPECT_EQ(doc->Stats().longest_line, 0);
    EXPECT_TRUE(Records().empty());
}

TEST_F(PipelineTest, ProgressRangeForLargerDocuments) {
    struct Case {
        int records;
        int range;
        int positions;  // set-position calls during the pass, the final 0 included
    };
    for (const Case& c : {Case{150, 1, 150 + 1}, Case{1500, 15, 15 + 1}}) {
        std::string bytes;
        for (int i = 0; i < c.records; ++i) bytes += "r\r\n";
        EngineTest::TearDown();
        EngineTest::SetUp();
        ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("p.txt", bytes), LoadMode::NotFresh));
        progress.calls.clear();
        std::vector<std::pair<char, int>> during;
        ASSERT_TRUE(RunOperation(*doc, testing::CopyStepping));
        ASSERT_FALSE(progress.calls.empty());
        EXPECT_EQ(progress.calls[0], std::make_pair('r', c.range)) << c.records;
        int pos = 0;
        std::size_t i = 2;
        for (; i < progress.calls.size() && progress.calls[i].first == 'p'; ++i) ++pos;
        EXPECT_EQ(pos, c.positions) << c.records;
    }
}

struct WrittenCase {
    const char* name;
    std::function<void(TextWriter&)> write;
    friend void PrintTo(const WrittenCase& c, std::ostream* os) { *os << c.name; }
};

class IndexWhileWritingTest : public PipelineTest,
                              public ::testing::WithParamInterface<WrittenCase> {};

// The index built while the output is written must be the one a reading pass
// builds, whatever pieces the pass wrote.
TEST_P(IndexWhileWritingTest, MatchesAReadingPass) {
    ASSERT_TRUE(RunOperation(*doc, [&](Document&, TextWriter& out) {
        GetParam().write(out);
        return true;
    }));
    const std::string built = ReadBytes(doc->IndexFileName());
    const Statistics stats = doc->Stats();
    const std::vector<std::string> records = Records();
    ASSERT_TRUE(doc->BuildRecordIndex());
    EXPECT_EQ(ReadBytes(doc->IndexFileName()), built);
    EXPECT_EQ(doc->Stats().records, stats.records);
    EXPECT_EQ(doc->Stats().longest_line, stats.longest_line);
    EXPECT_EQ(doc->Stats().shortest_line, stats.shortest_line);
    EXPECT_EQ(doc->Stats().most_fields, stats.most_fields);
    EXPECT_EQ(doc->Stats().fewest_fields, stats.fewest_fields);
    EXPECT_EQ(Records(), records);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, IndexWhileWritingTest,
    ::testing::Values(WrittenCase{"Records",
                                  [](TextWriter& out) {
                                      out.WriteRecord("a,b,c");
                                      out.WriteRecord("");
                                      out.WriteRecord("\x82\xA0,x");
                                  }},
                      WrittenCase{"Parts",
                                  [](TextWriter& out) {
                                      out.WritePart("a,");
                                      out.WritePart("b");
                                      out.EndRecord();
                                      out.WritePart("x\r\ny,z\r\nlast");
                                      out.EndRecord();
                                  }},
                      WrittenCase{"Mixed",
                                  [](TextWriter& out) {
                                      out.WritePart("open,");
                                      out.WriteRecord("joined");  // continues the open record
                                      out.WriteRecord("next");
                                  }},
                      WrittenCase{"LoneCrAndNoFinalBreak",
                                  [](TextWriter& out) {
                                      out.WriteRecord("c\rd");
                                      out.WritePart("tail,1");
                                  }},
                      WrittenCase{"EndOfDataByte",
                                  [](TextWriter& out) {
                                      out.WriteRecord("before");
                                      out.WriteRecord(
                                          "cut\x1A"
                                          "after");
                                      out.WriteRecord("gone");
                                  }},
                      WrittenCase{"Nothing", [](TextWriter&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, OutputOverTheLimitsIsRefusedWithoutReadingItBack) {
    struct Case {
        std::string record;
        int message;
    };
    for (const Case& c :
         {Case{std::string(4999, 'x'), 30005}, Case{std::string(2000, ','), 30010}}) {
        messages.shown.clear();
        EXPECT_FALSE(RunOperation(*doc, [&](Document&, TextWriter& out) {
            out.WriteRecord("ok");
            out.WriteRecord(c.record);
            return true;
        }));
        EXPECT_EQ(messages.shown, std::vector<int>{c.message});
        EXPECT_EQ(Records(), (std::vector<std::string>{"a,1", "b,2", "c,3"}));
    }
}

TEST_F(PipelineTest, UndoLeavesSplitMode) {
    ASSERT_TRUE(RunOperation(*doc, UpperFirst));
    doc->SetSplitMode(true);
    ASSERT_TRUE(doc->Undo());
    EXPECT_FALSE(doc->View().split_mode);
}

}  // namespace
}  // namespace tesmora
