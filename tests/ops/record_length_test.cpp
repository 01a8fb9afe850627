// Record length edit: padding, cutting, the "already equal" check and undo.
#include "tesmora/ops/record_length.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

TEST(FitRecordTest, PadsAndCutsWithoutSplittingCharacters) {
    struct Case {
        std::string record;
        int length;
        std::string result;
    } cases[] = {
        {"abcdefg", 5, "abcde"},
        {"ab", 5, "ab   "},
        {"abcde", 5, "abcde"},
        {"", 3, "   "},
        // A cut between the two bytes of a character: a space replaces the lead byte.
        {"ab\x82\xa0"
         "c",
         4, "ab\x82\xa0"},
        {"ab\x82\xa0"
         "c",
         3, "ab "},
        {"\x82\xa0\x82\xa2", 1, " "},
        {"\x82\xa0\x82\xa2", 3, "\x82\xa0 "},
        // Half-width katakana are single bytes.
        {"\xb1\xb2\xb3", 2, "\xb1\xb2"},
        // A byte pair that only looks like a character after an earlier one.
        {"\x82\x82\x82", 2, "\x82\x82"},
    };
    std::string out = "stale";
    for (const Case& c : cases) {
        FitRecord(c.record, c.length, out);
        EXPECT_EQ(out, c.result) << c.record << " to " << c.length;
    }
}

TEST(CutsCharacterTest, AgreesWithAScanFromTheStart) {
    // Lead-valued trail bytes (0x8C, 0x93) make long runs where only the
    // scan from the start knows the pairing.
    const char alphabet[] = {'\x82', '\x93', '\x8c', '\xa0', '\x40',
                             'a',    ',',    '\xe0', '\xfd', '\x7f'};
    std::mt19937 rng(3);
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 12, ' ');
        for (char& c : text) c = alphabet[rng() % std::size(alphabet)];
        for (std::size_t cut = 0; cut <= text.size() + 1; ++cut) {
            const bool inside = cut > 0 && cut < text.size() && CharStart(text, cut) != cut;
            ASSERT_EQ(CutsCharacter(text, cut), inside)
                << ::testing::PrintToString(text) << " " << cut;
        }
    }
}

class RecordLengthTest : public EngineTest {
  protected:
    void Open(const std::string& bytes) {
        messages.Answer(30004, kIdNo);  // no split mode
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.txt", bytes)));
        original_ = Records();
    }
    void ExpectUnchanged() {
        EXPECT_EQ(Records(), original_);
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_FALSE(doc->Modified());
    }
    static RecordLengthRequest Longest() { return RecordLengthRequest{}; }
    static RecordLengthRequest Given(int length) {
        RecordLengthRequest s;
        s.given_length = true;
        s.length = length;
        return s;
    }
    Recs original_;
};

TEST_F(RecordLengthTest, RunsBothModesThenUndo) {
    struct Case {
        const char* file;
        RecordLengthRequest settings;
        Recs result;
    } cases[] = {
        {"abc\r\na\r\n", Longest(), {"abc", "a  "}},
        {"abcdefg\r\nab\r\nabcde\r\n", Given(5), {"abcde", "ab   ", "abcde"}},
        {"ab\x82\xa0"
         "c\r\n\r\n",
         Given(4),
         {"ab\x82\xa0", "    "}},
        {"abc\r\nxyz\r\n", Given(3), {"abc", "xyz"}},  // already that long: no message
        // Line lengths 4 and 4, but records of 2 and 3 bytes: the last has no break.
        {"ab\r\nabc", Longest(), {"ab ", "abc"}},
        {"abc\r\nab", Longest(), {"abc", "ab "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Open(c.file);
        ASSERT_TRUE(RunRecordLength(*doc, c.settings));
        EXPECT_EQ(Records(), c.result);
        EXPECT_TRUE(messages.shown.empty() || messages.shown.back() != 30024);
        ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Records(), original_);
        messages.Answer(30002, kIdNo);
        ASSERT_TRUE(doc->CloseDocument());
    }
}

TEST_F(RecordLengthTest, EqualRecordsAreRefusedWithTheNotice) {
    for (const char* file : {"0123456789\r\nabcdefghij\r\n", "0123456789\r\nabcdefghij",
                             "\x82\xa0\x82\xa0\r\nabcd\r\n"}) {
        SCOPED_TRACE(file);
        Open(file);
        EXPECT_EQ(ValidateRecordLength(*doc, Longest()).message, 30024);
        EXPECT_EQ(ValidateRecordLength(*doc, Given(10)).message, 0);
        messages.shown.clear();
        EXPECT_FALSE(RunRecordLength(*doc, Longest()));
        EXPECT_EQ(messages.shown, std::vector<int>{30024});
        ExpectUnchanged();
        ASSERT_TRUE(doc->CloseDocument());
    }
}

TEST_F(RecordLengthTest, MeasuresRecordsNotLines) {
    struct Case {
        const char* file;
        int longest, shortest;
    } cases[] = {
        {"abc\r\na\r\n", 3, 1}, {"abc\na\n", 3, 1},     {"ab\r\nabc", 3, 2},
        {"abcd\r\nabc", 4, 3},  {"a\r\n\r\nabc", 3, 0},
    };
    for (const Case& c : cases) {
        Open(c.file);
        const RecordLengths m = MeasureRecordLengths(*doc);
        EXPECT_EQ(m.longest, c.longest) << c.file;
        EXPECT_EQ(m.shortest, c.shortest) << c.file;
        ASSERT_TRUE(doc->CloseDocument());
    }
}

TEST(RecordLengthSettingsTest, LengthStaysWithinTheLineLimit) {
    MemorySettings store;
    struct Case {
        int stored, loaded;
    } cases[] = {{100, 100}, {0, 1}, {-5, 1}, {4998, 4998}, {4999, 4998}, {5000, 4998}};
    for (const Case& c : cases) {
        store.SetInt("LineLength", "LineLen", c.stored);
        EXPECT_EQ(LoadRecordLengthSettings(store).length, c.loaded) << c.stored;
    }
    RecordLengthRequest s;
    s.given_length = true;
    s.length = 42;
    StoreRecordLengthMode(store, s);
    EXPECT_EQ(store.GetInt("LineLength", "SetMax", -1), 1);
    EXPECT_EQ(store.GetInt("LineLength", "LineLen", -1), 5000);  // stored separately
    StoreRecordLengthValue(store, s);
    EXPECT_EQ(store.GetInt("LineLength", "LineLen", -1), 42);
}

TEST_F(RecordLengthTest, NoOutputRecordBreaksTheLineLimit) {
    Open("a\r\n");
    ASSERT_TRUE(RunRecordLength(*doc, Given(9999)));
    ASSERT_EQ(Records().size(), 1u);
    EXPECT_EQ(Records()[0].size(), static_cast<std::size_t>(kMaxRecordBytes));
}

}  // namespace
}  // namespace tesmora
