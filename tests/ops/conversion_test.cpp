// CSV to fixed-width and back: the example tables, the limits, the stored
// positions, and a round trip through the pipeline with undo.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/ops/csv_to_txt.h"
#include "tesmora/ops/txt_to_csv.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

const std::string kSp2 = "\x81\x40";  // full-width space

class ConversionTest : public EngineTest {
  protected:
    Recs CsvToTxt(const std::string& bytes, CommaMode mode, const std::string& text = "") {
        return Convert(bytes, [&] { return RunCsvToTxt(*doc, CsvToTxtRequest{mode, text}); });
    }
    Recs TxtToCsv(const std::string& bytes, std::vector<int> positions, bool trim) {
        return Convert(bytes, [&] { return RunTxtToCsv(*doc, TxtToCsvRequest{positions, trim}); });
    }
    template <typename Run>
    Recs Convert(const std::string& bytes, Run run) {
        LoadOptions no_offer;
        no_offer.offer_split_mode = false;
        EXPECT_TRUE(doc->OpenDocument(MakeFile("in.txt", bytes), no_offer));
        if (!run()) return {"(refused)"};
        return Records();
    }
};

TEST_F(ConversionTest, CsvToTxtPadsEveryColumnToItsWidest) {
    struct Case {
        std::string records;
        CommaMode mode;
        std::string text;
        Recs result;
    } cases[] = {
        {"ab,c\r\nd,efg\r\n", CommaMode::Delete, "", {"abc  ", "d efg"}},
        {"ab,c\r\nd,efg\r\n", CommaMode::Keep, "", {"ab,c  ", "d ,efg"}},
        {"ab,c\r\nd,efg\r\n", CommaMode::Replace, "/", {"ab/c  ", "d /efg"}},
        // Missing trailing fields become spaces.
        {"ab,c\r\nd,efg\r\nx\r\n", CommaMode::Delete, "", {"abc  ", "d efg", "x    "}},
        {"ab,c\r\nd,efg\r\nx\r\n",
         CommaMode::Keep,
         "",
         {"ab,c  ", "d ,efg",
          "x , "
          "  "}},
        {"a,\r\nbb,c\r\n", CommaMode::Keep, "", {"a , ", "bb,c"}},
        {"a,\r\nbb,c\r\n", CommaMode::Replace, " | ", {"a  |  ", "bb | c"}},
        // Widths count bytes: two full-width characters are four.
        {"\x93\x8c\x8b\x9e,1\r\nab,22\r\n",
         CommaMode::Delete,
         "",
         {"\x93\x8c\x8b\x9e"
          "1 ",
          "ab  22"}},
        // An empty record is one empty field.
        {"a,b\r\n\r\n", CommaMode::Keep, "", {"a,b", " , "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CsvToTxt(c.records, c.mode, c.text), c.result) << c.records;
}

TEST_F(ConversionTest, TxtToCsvCutsAtBytePositions) {
    const std::string spaced = "AB  CD   EF\r\n";
    struct Case {
        std::string records;
        std::vector<int> positions;
        bool trim;
        Recs result;
    } cases[] = {
        {"ABCDEFGH\r\n", {3, 5}, true, {"ABC,DE,FGH"}},
        {"ABCDEFGH\r\n", {5, 3}, false, {"ABC,DE,FGH"}},
        {"AB\r\n", {3, 5}, true, {"AB,,"}},
        {spaced, {4, 9}, true, {"AB,CD,EF"}},
        {spaced, {9, 4}, false, {"AB  ,CD   ,EF"}},
        {"\r\n", {2}, true, {","}},
        // Full-width spaces go after the half-width ones; a half-width space
        // before them stays.
        {"a" + kSp2 + kSp2 + "b \r\n", {5}, true, {"a,b"}},
        {"a " + kSp2 + "xyz\r\n", {4}, true, {"a ,xyz"}},
        // 0x82 0x81 is one character: the 0x81 0x40 after its lead byte is no space.
        {"\x82\x81\x40\r\n", {3}, true, {"\x82\x81\x40,"}},
        // A character that straddles a position is divided; joined, the
        // pieces give the bytes back.
        {"\x93\x8c\x8b\x9e\r\n", {3}, false, {"\x93\x8c\x8b,\x9e"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TxtToCsv(c.records, c.positions, c.trim), c.result) << c.records;
}

TEST_F(ConversionTest, ResultsBeyondTheLimitsAreRefusedAndNothingChanges) {
    const std::string wide = std::string(2500, 'a') + ",b\r\nc," + std::string(2500, 'd') + "\r\n";
    EXPECT_EQ(CsvToTxt(wide, CommaMode::Keep), Recs{"(refused)"});
    EXPECT_TRUE(messages.Saw(30005));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_EQ(Records().size(), 2u);

    std::vector<int> many;
    for (int i = 1; i <= 2000; ++i) many.push_back(i);
    EXPECT_EQ(TxtToCsv("abc\r\n", many, true), Recs{"(refused)"});
    EXPECT_TRUE(messages.Saw(30010));

    EXPECT_EQ(TxtToCsv(std::string(4990, 'x') + "\r\n", {1, 2, 3, 4, 5, 6, 7, 8, 9}, false),
              Recs{"(refused)"});
    EXPECT_EQ(Records(), Recs{std::string(4990, 'x')});
}

TEST_F(ConversionTest, ChecksAndUndo) {
    EXPECT_EQ(ValidateCsvToTxt({CommaMode::Replace, ""}).message, 30008);
    EXPECT_EQ(ValidateCsvToTxt({CommaMode::Replace, ""}).focus, Focus::Separator);
    EXPECT_EQ(ValidateCsvToTxt({CommaMode::Delete, ""}).message, 0);
    EXPECT_EQ(ValidateTxtToCsv({{}, true}).message, 30017);
    EXPECT_EQ(ValidateTxtToCsv({{}, true}).style, MsgStyle::Info);

    EXPECT_EQ(TxtToCsv("ABCDEFGH\r\n", {}, true), Recs{"(refused)"});
    EXPECT_EQ(TxtToCsv("ABCDEFGH\r\n", {3}, true), (Recs{"ABC,DEFGH"}));
    EXPECT_TRUE(doc->Modified());
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), Recs{"ABCDEFGH"});
}

TEST(SplitPositionSettingsTest, StoredSetsLoadWithinWhatCanBeSaved) {
    MemorySettings store;
    EXPECT_TRUE(LoadSplitPositions(store).empty());
    StoreSplitPositions(store, {9, 3, 5});
    EXPECT_EQ(LoadSplitPositions(store), (std::vector<int>{9, 3, 5}));
    // Values the program never writes: skipped, and the count held to 2,000.
    store.SetInt("TxtToCsv", "Pos1", 0);
    store.SetInt("TxtToCsv", "Pos2", 5000);
    EXPECT_EQ(LoadSplitPositions(store), std::vector<int>{9});
    store.SetInt("TxtToCsv", "SetCnt", 999999);
    EXPECT_EQ(LoadSplitPositions(store).size(), 2000u - 2u);
}

}  // namespace
}  // namespace tesmora
