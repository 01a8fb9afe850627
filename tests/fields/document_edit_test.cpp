// Whole-file field edits through the pipeline, and the context menu driving them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/ops/field_edit.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

class FieldEditTest : public EngineTest {
  protected:
    void Open(const std::string& bytes) {
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", bytes)));
        original_ = Records();
    }
    // A refused edit leaves the file, the undo state and the flag alone.
    void ExpectUnchanged() {
        EXPECT_EQ(Records(), original_);
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_FALSE(doc->Modified());
        EXPECT_TRUE(doc->OutputFileName().empty());
    }
    Recs original_;
};

TEST_F(FieldEditTest, DeleteOneFieldThenUndo) {
    Open("a,b,c\r\nd,e,f\r\ng\r\n");
    doc->View().sel_start = FieldIndex{1};
    MarkCopy(doc->View(), FieldIndex{0});
    ASSERT_TRUE(EditFields(*doc, FieldIndex{1}, EditMode::Delete));
    EXPECT_EQ(Records(), (Recs{"a,c", "d,f", "g"}));
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(doc->View().sel_start.value, -1);  // the reload clears selection and marks
    EXPECT_EQ(doc->View().copy_mark.value, -1);
    EXPECT_EQ(doc->Stats().most_fields, 2);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), original_);
}

TEST_F(FieldEditTest, DeleteTheSelectedRange) {
    Open("a,b,c,d\nw,x\nq\n");
    doc->View().sel_start = FieldIndex{1};
    doc->View().sel_end = FieldIndex{2};
    ASSERT_TRUE(EditFields(*doc, FieldIndex{-1}, EditMode::Delete));
    EXPECT_EQ(Records(), (Recs{"a,d", "w", "q"}));
    EXPECT_EQ(testing::ReadBytes(doc->WorkingFileName()), "a,d\r\nw\r\nq\r\n");
}

TEST_F(FieldEditTest, EditsWithoutTheirInputAreRefused) {
    Open("a,b,c\n");
    EXPECT_FALSE(EditFields(*doc, FieldIndex{-1}, EditMode::Delete));  // no range
    doc->View().sel_start = FieldIndex{1};
    EXPECT_FALSE(EditFields(*doc, FieldIndex{-1}, EditMode::Delete));  // no end field
    EXPECT_FALSE(EditFields(*doc, FieldIndex{-2}, EditMode::Delete));
    EXPECT_FALSE(EditFields(*doc, FieldIndex{1}, EditMode::Paste, PasteSide::Left));  // no mark
    ExpectUnchanged();
}

TEST_F(FieldEditTest, PasteOverRecordsShorterThanMarkAndTarget) {
    Open("a,b,c,d\r\nx\r\np,q\r\n\r\n");
    MarkCopy(doc->View(), FieldIndex{3});
    ASSERT_TRUE(EditFields(*doc, FieldIndex{1}, EditMode::Paste, PasteSide::Left));
    // "x" and the empty record have no field 1; "p,q" has no field 3.
    EXPECT_EQ(Records(), (Recs{"a,d,b,c,d", "x", "p,,q", ""}));
}

TEST_F(FieldEditTest, CutMovesTheFieldAndNeverLosesIt) {
    Open("a,b,c,d\r\nx,y\r\n");
    MarkCut(doc->View(), FieldIndex{0});
    ASSERT_TRUE(EditFields(*doc, FieldIndex{3}, EditMode::Paste, PasteSide::Right));
    EXPECT_EQ(Records(), (Recs{"b,c,d,a", "x,y"}));
}

TEST_F(FieldEditTest, TheCutMarkWinsOverTheCopyMark) {
    Open("a,b,c\n");
    doc->View().copy_mark = FieldIndex{0};
    doc->View().cut_mark = FieldIndex{2};
    ASSERT_TRUE(EditFields(*doc, FieldIndex{0}, EditMode::Paste, PasteSide::Left));
    EXPECT_EQ(Records(), (Recs{"c,a,b"}));
}

TEST_F(FieldEditTest, DoubleByteRecordsSurviveAMove) {
    // あ,ソ表,c with Shift-JIS bytes; 0x5C and 0x95 0x5C trail bytes look like ASCII.
    const std::string a = "\x82\xa0", so = "\x83\x5c\x95\x5c";
    Open(a + "," + so + ",c\r\n");
    MarkCut(doc->View(), FieldIndex{1});
    ASSERT_TRUE(EditFields(*doc, FieldIndex{0}, EditMode::Paste, PasteSide::Left));
    EXPECT_EQ(Records(), (Recs{so + "," + a + ",c"}));
}

TEST_F(FieldEditTest, ResultOverTheLineLimitIsRefused) {
    const std::string half(2600, 'x');
    Open("a," + half + "\r\nb,c\r\n");
    MarkCopy(doc->View(), FieldIndex{1});
    EXPECT_FALSE(EditFields(*doc, FieldIndex{0}, EditMode::Paste, PasteSide::Right));
    EXPECT_TRUE(messages.Saw(30005));
    ExpectUnchanged();
}

TEST_F(FieldEditTest, ResultOverTheFieldLimitIsRefused) {
    std::string full = "v";
    for (int i = 1; i < kMaxFields; ++i) full += ",v";
    Open(full + "\r\na,b\r\n");
    ASSERT_EQ(doc->Stats().most_fields, kMaxFields);
    MarkCopy(doc->View(), FieldIndex{0});
    EXPECT_FALSE(EditFields(*doc, FieldIndex{0}, EditMode::Paste, PasteSide::Left));
    EXPECT_TRUE(messages.Saw(30010));
    ExpectUnchanged();
    // A move keeps the count: allowed.
    MarkCut(doc->View(), FieldIndex{0});
    EXPECT_TRUE(EditFields(*doc, FieldIndex{1}, EditMode::Paste, PasteSide::Right));
}

TEST_F(FieldEditTest, ProgressStepsEveryHundredRecordsOnLargeFiles) {
    std::string bytes;
    for (int i = 0; i < 1500; ++i) bytes += "a,b\r\n";
    Open(bytes);
    progress.calls.clear();
    ASSERT_TRUE(EditFields(*doc, FieldIndex{0}, EditMode::Delete));
    const auto& calls = progress.calls;
    auto range = std::find(calls.begin(), calls.end(), std::pair<char, int>{'r', 15});
    ASSERT_NE(range, calls.end());
    std::vector<int> positions;
    for (auto it = range + 1; it != calls.end() && it->first == 'p'; ++it)
        positions.push_back(it->second);
    // 0 at the start, 1..15 as the hundreds pass, 0 at the end.
    ASSERT_EQ(positions.size(), 17u);
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions[15], 15);
    EXPECT_EQ(positions.back(), 0);
}

TEST_F(FieldEditTest, ContextMenuDrivesSelectionMarksAndEdits) {
    Open("a,b,c\r\nd,e,f\r\n");
    const int redraws = view.redraws;
    EXPECT_TRUE(RunFieldCommand(*doc, kCmdFieldSelect, FieldIndex{2}));
    EXPECT_EQ(view.redraws, redraws + 1);
    EXPECT_FALSE(RunFieldCommand(*doc, kCmdPasteOver, FieldIndex{2}));    // greyed: no mark
    EXPECT_FALSE(RunFieldCommand(*doc, kCmdDeleteRange, FieldIndex{2}));  // greyed: no range
    EXPECT_TRUE(RunFieldCommand(*doc, kCmdFieldCopy, FieldIndex{2}));
    EXPECT_EQ(view.redraws, redraws + 1);  // a mark redraws nothing
    ExpectUnchanged();
    EXPECT_TRUE(RunFieldCommand(*doc, kCmdPasteLeft, FieldIndex{0}));
    EXPECT_EQ(Records(), (Recs{"c,a,b,c", "f,d,e,f"}));
    EXPECT_FALSE(RunFieldCommand(*doc, kCmdPasteLeft, FieldIndex{0}));  // the mark is used up

    EXPECT_TRUE(RunFieldCommand(*doc, kCmdFieldSelect, FieldIndex{3}));
    EXPECT_TRUE(RunFieldCommand(*doc, kCmdFieldSelect, FieldIndex{1}));
    EXPECT_TRUE(RunFieldCommand(*doc, kCmdDeleteRange, FieldIndex{1}));
    EXPECT_EQ(Records(), (Recs{"c", "f"}));
}

TEST_F(FieldEditTest, FieldAtCellReadsTheRowFromTheTopRecord) {
    Open("ab,cd\r\nx,y,z\r\n");
    struct Case {
        int columns, row, field;
    } cases[] = {{4, 1, 1}, {1, 1, 0}, {5, 2, 2}, {99, 2, 2}, {0, 2, 0}, {9, 3, 0}, {9, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(FieldAtCell(*doc, c.columns, c.row).value, c.field) << c.columns << "," << c.row;
    doc->View().top_record = RecordIndex{1};
    doc->View().top_offset = ByteOffset{7};
    EXPECT_EQ(FieldAtCell(*doc, 5, 1).value, 2);
    EXPECT_EQ(FieldAtCell(*doc, 5, 2).value, 0);  // below the last record
}

}  // namespace
}  // namespace tesmora
