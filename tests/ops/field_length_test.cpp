// Field length edit: cutting and padding one field, the fill checks and undo.
#include "tesmora/ops/field_length.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine_fixture.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

TEST(FitFieldTest, CutsAndPadsAtEitherEnd) {
    struct Case {
        std::string field;
        int length;
        bool keep_end;
        char fill;
        std::string result;
    } cases[] = {
        {"abcdef", 3, false, ' ', "abc"},
        {"abcdef", 3, true, ' ', "def"},
        {"ab", 4, false, '*', "ab**"},
        {"ab", 4, true, '*', "**ab"},
        {"ab", 4, false, ' ', "ab  "},
        {"", 3, false, '*', "***"},
        {"", 3, true, '*', "***"},
        {"abc", 3, true, '*', "abc"},
        // Never half a character: the half that would stay becomes a fill byte.
        {"a\x82\xa0"
         "b",
         2, false, '*', "a*"},
        {"a\x82\xa0"
         "b",
         2, true, '*', "*b"},
        {"a\x82\xa0"
         "b",
         3, false, '*', "a\x82\xa0"},
        {"a\x82\xa0"
         "b",
         3, true, '*',
         "\x82\xa0"
         "b"},
        {"\x82\xa0\x82\xa2", 3, false, '-', "\x82\xa0-"},
        {"\x82\xa0\x82\xa2", 3, true, '-', "-\x82\xa2"},
        {"\x82\xa0\x82\xa2", 1, true, '-', "-"},
        {"\x82\xa0", 4, true, '\xb1', "\xb1\xb1\x82\xa0"},  // a half-width katakana fill
        // 0x82 0x82 0x82: one character then a single byte; the cut keeps the pair.
        {"\x82\x82\x82", 2, false, '*', "\x82\x82"},
        {"\x82\x82\x82", 1, true, '*', "\x82"},
    };
    std::string out = "stale";
    for (const Case& c : cases) {
        FitField(c.field, c.length, c.keep_end, c.fill, out);
        EXPECT_EQ(out, c.result) << c.field << " to " << c.length << (c.keep_end ? " end" : "");
    }
}

TEST(CheckFieldLengthTest, LengthFromOneToAHundred) {
    for (const auto& [length, message] : {std::pair{0, 30055}, std::pair{1, 0}, std::pair{100, 0},
                                          std::pair{101, 30055}, std::pair{-5, 30055}}) {
        FieldLengthRequest s;
        s.length = length;
        s.use_fill = false;
        EXPECT_EQ(ValidateFieldLength(s).message, message) << length;
    }
}

TEST(CheckFieldLengthTest, FillCharacterChecksInOrder) {
    struct Case {
        bool use_fill;
        std::string fill;
        int message;
    } cases[] = {
        {true, "*", 0},      {true, "\xb1", 0},  // half-width katakana: one byte
        {true, "\t", 0},     {true, "", 30008},
        {true, "ab", 30032}, {true, "\x82\xa0", 30032},  // a double-byte character is two bytes
        {true, "a,", 30032},                             // too long before it is a comma
        {true, ",", 30031},  {true, "\x82", 30032},      // a lone lead byte is no character
        {true, "\n", 30032},                             // would split the record
        {true, "\r", 30032}, {true, std::string(1, '\0'), 30032},
        {false, "", 0},  // the fill box is ignored when it is not used
        {false, ",", 0},
    };
    for (const Case& c : cases) {
        FieldLengthRequest s;
        s.use_fill = c.use_fill;
        s.fill_text = c.fill;
        EXPECT_EQ(ValidateFieldLength(s).message, c.message) << c.use_fill << " '" << c.fill << "'";
    }
    FieldLengthRequest s;
    s.use_fill = false;
    s.fill_text = "*";
    EXPECT_EQ(FillByte(s), ' ');
    s.use_fill = true;
    EXPECT_EQ(FillByte(s), '*');
}

class FieldLengthTest : public EngineTest {
  protected:
    void Open(const std::string& bytes) {
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", bytes)));
        original_ = Records();
    }
    void ExpectUnchanged() {
        EXPECT_EQ(Records(), original_);
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_FALSE(doc->Modified());
    }
    static FieldLengthRequest Make(int field, int length, bool keep_end, const char* fill) {
        FieldLengthRequest s;
        s.key_field = FieldIndex{field};
        s.length = length;
        s.keep_end = keep_end;
        s.use_fill = fill != nullptr;
        s.fill_text = fill ? fill : "";
        return s;
    }
    Recs original_;
};

TEST_F(FieldLengthTest, OnlyTheChosenFieldChangesThenUndo) {
    Open("abcdef,x,\x82\xa0yz\r\nab,,\r\nshort\r\n,\r\n");
    struct Case {
        FieldLengthRequest s;
        Recs result;
    } cases[] = {
        {Make(0, 3, false, nullptr), {"abc,x,\x82\xa0yz", "ab ,,", "sho", "   ,"}},
        {Make(0, 3, true, "*"), {"def,x,\x82\xa0yz", "*ab,,", "ort", "***,"}},
        {Make(1, 2, false, "_"), {"abcdef,x_,\x82\xa0yz", "ab,__,", "short", ",__"}},
        {Make(2, 3, true, "."), {"abcdef,x,.yz", "ab,,...", "short", ","}},
        {Make(2, 1, false, "."), {"abcdef,x,.", "ab,,.", "short", ","}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.s.key_field.value);
        ASSERT_TRUE(RunFieldLength(*doc, c.s));
        EXPECT_EQ(Records(), c.result);
        ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Records(), original_);
    }
}

TEST_F(FieldLengthTest, RefusalsLeaveTheDocumentAlone) {
    Open("a," + std::string(4950, 'x') + ",b\r\nc,d\r\n");
    // A bad fill character: refused before anything runs.
    for (const char* fill : {"", "ab", ","}) {
        SCOPED_TRACE(fill);
        EXPECT_FALSE(RunFieldLength(*doc, Make(0, 5, false, fill)));
        ExpectUnchanged();
    }
    EXPECT_EQ(messages.shown, (std::vector<int>{30008, 30032, 30031}));
    // Padding field 0 to 100 bytes makes the first record longer than 4,998 bytes.
    EXPECT_FALSE(RunFieldLength(*doc, Make(0, 100, false, nullptr)));
    EXPECT_TRUE(messages.Saw(30005));
    ExpectUnchanged();
    EXPECT_TRUE(doc->OutputFileName().empty());
}

TEST(FieldLengthSettingsTest, LoadClampsAndStoresInTwoSteps) {
    MemorySettings store;
    const FieldLengthRequest d = LoadFieldLengthSettings(store);
    EXPECT_EQ(d.length, 1);
    EXPECT_TRUE(d.use_fill);  // "YohakuCheck" defaults to 1
    EXPECT_FALSE(d.keep_end);
    for (auto [stored, loaded] : {std::pair{0, 1}, {50, 50}, {101, 100}, {-3, 1}}) {
        store.SetInt("FieldLen", "NewLen", stored);
        EXPECT_EQ(LoadFieldLengthSettings(store).length, loaded);
    }
    FieldLengthRequest s;
    s.key_field = FieldIndex{2};
    s.length = 7;
    s.keep_end = true;
    s.use_fill = false;
    s.fill_text = "#";
    StoreFieldLengthSettings(store, s);
    EXPECT_EQ(store.GetString("FieldLen", "YohakuMoji", "unset"), "unset");
    StoreFieldLengthFill(store, s);
    const FieldLengthRequest back = LoadFieldLengthSettings(store);
    EXPECT_EQ(back.key_field.value, 2);
    EXPECT_EQ(back.length, 7);
    EXPECT_TRUE(back.keep_end);
    EXPECT_FALSE(back.use_fill);
    EXPECT_EQ(back.fill_text, "#");
}

}  // namespace
}  // namespace tesmora
