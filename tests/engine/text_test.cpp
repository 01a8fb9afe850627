#include "tesmora/document/text.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "engine_fixture.h"
#include "tesmora/document/messages.h"
#include "tesmora/document/progress.h"

namespace tesmora {
namespace {

struct FieldCase {
    const char* record;
    int n;
    const char* sep;
    const char* expected;
    friend void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.n << c.sep; }
};

class GetFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(GetFieldTest, ReturnsFieldOrEmpty) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(GetField(c.record, FieldNumber{c.n}, c.sep), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Records, GetFieldTest,
    ::testing::Values(FieldCase{"a,b,c", 1, ",", "a"}, FieldCase{"a,b,c", 3, ",", "c"},
                      FieldCase{"a,b,c", 4, ",", ""}, FieldCase{"a,b,c", 0, ",", ""},
                      FieldCase{"a,b,c", -1, ",", ""}, FieldCase{"a,,c", 2, ",", ""},
                      FieldCase{"a,b,", 3, ",", ""}, FieldCase{"", 1, ",", ""},
                      FieldCase{",x", 1, ",", ""}, FieldCase{",x", 2, ",", "x"},
                      // 0x95 0x7C is one character whose trail byte is '|'.
                      FieldCase{"\x95\x7C|b", 1, "|", "\x95\x7C"},
                      FieldCase{"\x95\x7C|b", 2, "|", "b"}, FieldCase{"a\x95\x7C", 2, "|", ""},
                      FieldCase{"x\ny\nz", 2, "\n", "y"}));

TEST(SplitFieldsTest, StoresAtMostNAndKeepsLaterSlots) {
    std::array<std::string_view, 5> slots{"", "", "", "old3", "old4"};
    EXPECT_EQ(SplitFields("a,b,c", std::span(slots).first(2)), 2u);
    EXPECT_EQ(slots[0], "a");
    EXPECT_EQ(slots[1], "b");
    EXPECT_EQ(slots[2], "");
    EXPECT_EQ(SplitFields("a,b,c", slots), 3u);
    EXPECT_EQ(slots[2], "c");
    EXPECT_EQ(slots[3], "old3");
    EXPECT_EQ(slots[4], "old4");
}

TEST(SplitFieldsTest, TrailByteNeverSplitsACommandLinePiece) {
    std::array<std::string_view, 3> slots;
    EXPECT_EQ(SplitFields("C:\\\x95\x7C.txt|D:\\b", slots, "|"), 2u);
    EXPECT_EQ(slots[0], "C:\\\x95\x7C.txt");
    EXPECT_EQ(slots[1], "D:\\b");
}

TEST(RemoveSpacesTest, RemovesBothWidthsAndNothingElse) {
    EXPECT_EQ(RemoveSpaces("a b\x81\x40"
                           "c"),
              "abc");
    // 0x81 0x40 straddling two characters is not a full-width space:
    // 0x88 0x81 is one character, then 0x40 '@'.
    EXPECT_EQ(RemoveSpaces("\x88\x81\x40"), "\x88\x81\x40");
    EXPECT_EQ(RemoveSpaces("\x81\x40\x81\x40 "), "");
}

TEST(FindTextTest, MatchesOnlyAtCharacterBoundaries) {
    // 0x82 0xA0 0x82 0xA0: searching 0xA0 0x82 must not match across characters.
    EXPECT_EQ(FindText("\x82\xA0\x82\xA0", "\xA0\x82"), npos);
    EXPECT_EQ(FindText("\x82\xA0\x82\xA0", "\x82\xA0", 2), 2u);
    EXPECT_EQ(FindText("ab\x95\x5C"
                       "c",
                       "\\"),
              npos);  // 0x5C trail byte is not a backslash
    EXPECT_EQ(FindText("ab\\c", "\\"), 2u);
    EXPECT_EQ(FindText("abc", ""), npos);
}

TEST(FindBytesTest, AgreesWithThePlainSearch) {
    // Haystacks of few distinct bytes put many first/last-byte candidates in
    // every 16-byte step, and needles near both ends.
    std::mt19937 random(7);
    const std::string alphabet = "ab,\x82";
    auto text = [&](std::size_t n) {
        std::string s(n, 'a');
        for (char& c : s) c = alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string hay = text(random() % 80);
        const std::string needle = text(random() % 6);
        const std::size_t from = random() % (hay.size() + 2);
        EXPECT_EQ(FindBytes(hay, needle, from), std::string_view(hay).find(needle, from))
            << '"' << hay << "\" \"" << needle << "\" " << from;
    }
}

TEST(FieldSpanTest, AgreesWithASplitOfTheRecord) {
    // Records of up to 200 bytes, commas anywhere in and across the 16- and
    // 64-byte blocks, against the stretch taken from a plain split.
    std::mt19937 random(11);
    for (int round = 0; round < 6000; ++round) {
        std::string record(random() % 200, 'a');
        for (char& c : record) c = random() % 3 ? 'a' : ',';
        std::vector<std::size_t> begins{0};
        for (std::size_t i = 0; i < record.size(); ++i)
            if (record[i] == ',') begins.push_back(i + 1);
        const int first = static_cast<int>(random() % 80);
        const int last = random() % 5 ? static_cast<int>(random() % 80) : kRestOfRecord.value;
        std::optional<std::string_view> want;
        if (static_cast<std::size_t>(first) < begins.size()) {
            const std::size_t upto = static_cast<std::size_t>(std::max(first, last)) + 1;
            const std::size_t end = upto < begins.size() ? begins[upto] - 1 : record.size();
            want = std::string_view(record).substr(begins[first], end - begins[first]);
        }
        EXPECT_EQ(FieldSpan(record, FieldIndex{first}, FieldIndex{last}), want)
            << record << " " << first << ".." << last;
    }
}

TEST(CountFieldsTest, CountsCommasPlusOne) {
    EXPECT_EQ(CountFields(""), 1);
    EXPECT_EQ(CountFields(",,"), 3);
    EXPECT_EQ(CountFields("\x82\xA0,\x82\xA0"), 2);
}

TEST(FormatElapsedTest, HoursMinutesSecondsModulo24) {
    EXPECT_EQ(FormatElapsed(3), "00:00:03");
    EXPECT_EQ(FormatElapsed(3725), "01:02:05");
    EXPECT_EQ(FormatElapsed(25 * 3600 + 61), "01:01:01");
}

TEST(MessagesTest, PrefixThenTextAndUnknownIdShowsNothing) {
    testing::ScriptedMessages sink;
    EXPECT_EQ(ShowMessage(sink, 30003, "C:\\a.txt\n", MsgStyle::Error), kIdOk);
    ASSERT_EQ(sink.texts.size(), 1u);
    EXPECT_EQ(sink.texts[0], "C:\\a.txt\nファイルのオープンに失敗");
    EXPECT_EQ(ShowMessage(sink, 29999, "", MsgStyle::Error), 0);
    EXPECT_EQ(sink.texts.size(), 1u);
}

TEST(MessagesTest, TableHoldsTheTextsVerbatim) {
    EXPECT_STREQ(MessageText(57344), "Tesmora");
    EXPECT_STREQ(MessageText(30005), "5,000バイトを超えるレコードを含むファイルは処理できません");
    EXPECT_STREQ(MessageText(30012),
                 "ビューのＷクリックで区切り設定。ドラッグ＆ドロップで区切り線の移動ができます\n\n"
                 "メニューの「ファイル単位の処理」「ＴＸＴ⇒ＣＳＶ」で処理を実行してください");
    EXPECT_STREQ(MessageText(30039), "ファイルの作成に失敗\nアクセス権がない可能性があります");
}

struct StepCase {
    int n;
    std::vector<std::pair<char, int>> expected;  // after the range and position 0
    friend void PrintTo(const StepCase& c, std::ostream* os) { *os << c.n << " steps"; }
};

std::vector<std::pair<char, int>> Steps(int n) {
    testing::RecordingProgress rec;
    {
        ProgressStepper p(rec, n);
        for (int k = 1; k <= n; ++k) p.Step(k);
    }
    return rec.calls;
}

TEST(ProgressStepperTest, SmallPassUpdatesEveryItem) {
    auto calls = Steps(250);
    ASSERT_EQ(calls.size(), 2u + 250u + 1u);
    EXPECT_EQ(calls[0], std::make_pair('r', 2));
    EXPECT_EQ(calls[1], std::make_pair('p', 0));
    EXPECT_EQ(calls[2 + 98], std::make_pair('p', 0));   // item 99
    EXPECT_EQ(calls[2 + 99], std::make_pair('p', 1));   // item 100
    EXPECT_EQ(calls[2 + 199], std::make_pair('p', 2));  // item 200
    EXPECT_EQ(calls.back(), std::make_pair('p', 0));
}

TEST(ProgressStepperTest, LargePassUpdatesOnlyAtHundreds) {
    auto calls = Steps(1234);
    ASSERT_EQ(calls.size(), 2u + 12u + 1u);
    EXPECT_EQ(calls[0], std::make_pair('r', 12));
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(calls[1 + i], std::make_pair('p', i));
    EXPECT_EQ(calls.back(), std::make_pair('p', 0));
}

TEST(ProgressStepperTest, FewerThanHundredShowsNoRange) {
    auto calls = Steps(99);
    EXPECT_EQ(calls[0], std::make_pair('r', 0));
}

TEST(FieldSpanTest, StretchOfFieldsOrAbsent) {
    struct Case {
        const char* record;
        int first, last;
        const char* expected;  // nullptr: absent
    } cases[] = {
        {"a,bb,c", 1, 1, "bb"},    {"a,bb,c", 0, 1, "a,bb"},
        {"a,bb,c", 1, 9, "bb,c"},  {"a,bb,c", 2, 1, "c"},
        {"a,bb,c", 3, 3, nullptr}, {"a,bb,c", -1, 0, nullptr},
        {"a,,c", 1, 1, ""},        {"", 0, 0, ""},
        {"a,", 1, 1, ""},          {"\x95\x5C,x", 0, 0, "\x95\x5C"},
    };
    for (const Case& c : cases) {
        const auto span = FieldSpan(c.record, FieldIndex{c.first}, FieldIndex{c.last});
        ASSERT_EQ(span.has_value(), c.expected != nullptr) << c.record << " " << c.first;
        if (c.expected) {
            EXPECT_EQ(*span, c.expected) << c.record << " " << c.first;
        }
    }
    // The rest of the record, commas and all, from field 1.
    EXPECT_EQ(FieldSpan("a,b,c,d", FieldIndex{1}, kRestOfRecord).value(), "b,c,d");
}

}  // namespace
}  // namespace tesmora
