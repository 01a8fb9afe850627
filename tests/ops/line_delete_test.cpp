// Conditional record deletion: matching, the two delete modes, the check and undo.
#include "tesmora/ops/line_delete.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

LineDeleteRequest Words(int first, int last, const std::string& w1, const std::string& w2,
                        bool use_or) {
    LineDeleteRequest s;
    s.first = FieldIndex{first};
    s.last = FieldIndex{last};
    s.word1 = w1;
    s.word2 = w2;
    s.use_or = use_or;
    return s;
}

TEST(LineMatchesTest, WordsWithinTheRangeFieldByField) {
    struct Case {
        const char* record;
        int first, last;
        const char* w1;
        const char* w2;
        bool use_or;
        bool match;
    } cases[] = {
        {"ab,cd,ef", 0, 2, "cd", "", true, true},
        {"ab,cd,ef", 0, 2, "cd", "", false, true},  // an empty word 2: And is ignored
        {"ab,cd,ef", 0, 2, "zz", "", false, false},
        {"ab,cd,ef", 0, 2, "ab", "ef", false, true},  // And over two fields
        {"ab,cd,ef", 0, 2, "ab", "zz", false, false},
        {"ab,cd,ef", 0, 2, "zz", "ef", true, true},
        {"ab,cd,ef", 0, 2, "zz", "yy", true, false},
        {"ab,cd,ef", 1, 2, "ab", "", true, false},  // outside the range
        {"ab,cd,ef", 1, 1, "cd", "", true, true},   // a range of one field
        {"ab,cd,ef", 1, 1, "ef", "", true, false},
        {"ab,cd,ef", 2, 0, "ab", "", true, true},  // reversed bounds
        // Never across fields: not through the comma, nor the separator the
        // range is joined with.
        {"ab,cd", 0, 1, "bc", "", true, false},
        {"ab,cd", 0, 1, "ab,cd", "", true, false},
        {"ab,cd", 0, 1, "b\tc", "", true, false},
        {"ab,cd", 0, 1, "ab\t", "", true, false},
        {"a\tb,cd", 0, 1, "a\tb", "", true, true},  // a TAB inside one field
        // Fewer fields than the range start: nothing to search.
        {"ab", 1, 3, "ab", "", true, false},
        {"ab,", 1, 3, "ab", "", true, false},
        {"ABC", 0, 0, "abc", "", true, false},  // case-sensitive
        // 0x5C is the trail byte of "表" (0x95 0x5C): no match inside it.
        {"\x95\x5c", 0, 0, "\x5c", "", true, false},
        {"\x95\x5c\x5c", 0, 0, "\x5c", "", true, true},
        {"x\x82\xa0", 0, 0, "\xa0", "", true, false},
        {"\x82\xa0\xa0", 0, 0, "\xa0", "", true, true},
        {"", 0, 0, "a", "", true, false},
    };
    for (const Case& c : cases) {
        const LineDeleteRequest s = Words(c.first, c.last, c.w1, c.w2, c.use_or);
        EXPECT_EQ(LineMatches(c.record, s), c.match)
            << c.record << " [" << c.first << "," << c.last << "] " << c.w1 << "/" << c.w2;
    }
}

// The plain reading: split at the commas and search each field of the range.
bool ReferenceMatch(const std::string& record, const LineDeleteRequest& s) {
    std::vector<std::string_view> fields(kMaxFields);
    const std::size_t n = SplitFields(record, fields);
    const int from = std::min(s.first.value, s.last.value);
    const int to = std::max(s.first.value, s.last.value);
    auto in_range = [&](const std::string& w) {
        for (int i = std::max(from, 0); i <= to && i < static_cast<int>(n); ++i)
            if (FindText(fields[i], w) != npos) return true;
        return false;
    };
    const bool f1 = in_range(s.word1);
    if (s.word2.empty()) return f1;
    return s.use_or ? f1 || in_range(s.word2) : f1 && in_range(s.word2);
}

TEST(LineMatchesTest, AgreesWithAFieldByFieldSearch) {
    const std::string pieces[] = {"a",    "b",        ",",    "\x95\x5c", "\x5c", "\x82\xa0",
                                  "\xa0", "\x93\x8c", "\x8c", "\t",       "ab"};
    std::mt19937 rng(11);
    auto random_text = [&](int max) {
        std::string t;
        for (int n = static_cast<int>(rng() % max); n > 0; --n)
            t += pieces[rng() % std::size(pieces)];
        return t;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string record = random_text(10);
        LineDeleteRequest s = Words(static_cast<int>(rng() % 4), static_cast<int>(rng() % 5),
                                    random_text(3), rng() % 2 ? random_text(2) : "", rng() % 2);
        if (s.word1.empty()) s.word1.push_back('a');
        ASSERT_EQ(LineMatches(record, s), ReferenceMatch(record, s))
            << ::testing::PrintToString(record) << " w1=" << ::testing::PrintToString(s.word1)
            << " w2=" << ::testing::PrintToString(s.word2) << " [" << s.first.value << ","
            << s.last.value << "]";
    }
}

class LineDeleteTest : public EngineTest {
  protected:
    void Open(const std::string& bytes) {
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", bytes)));
        original_ = Records();
    }
    Recs original_;
};

TEST_F(LineDeleteTest, DeletesMatchingOrOtherRecordsThenUndo) {
    Open("1,apple,red\r\n2,pear,green\r\n3,plum\r\n4\r\n5,grape,red\r\n");
    struct Case {
        const char* w1;
        const char* w2;
        bool use_or, keep_matching;
        Recs result;
    } cases[] = {
        {"red", "", true, false, {"2,pear,green", "3,plum", "4"}},
        {"red", "", true, true, {"1,apple,red", "5,grape,red"}},
        {"p", "e", false, true, {"1,apple,red", "2,pear,green", "5,grape,red"}},
        {"plum", "pear", true, false, {"1,apple,red", "4", "5,grape,red"}},
        {"zz", "", true, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w1);
        LineDeleteRequest s = Words(1, 2, c.w1, c.w2, c.use_or);
        s.keep_matching = c.keep_matching;
        ASSERT_TRUE(RunLineDelete(*doc, s));
        EXPECT_EQ(Records(), c.result);
        EXPECT_TRUE(doc->Modified());
        ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Records(), original_);
    }
}

TEST_F(LineDeleteTest, SingleFieldFileSearchesWholeRecords) {
    messages.Answer(30004, kIdNo);  // no split mode
    Open("abc\r\nxyz\r\n");
    LineDeleteRequest s = Words(0, 0, "y", "", true);
    s.keep_matching = false;
    ASSERT_TRUE(RunLineDelete(*doc, s));
    EXPECT_EQ(Records(), Recs{"abc"});
}

TEST_F(LineDeleteTest, EmptyWordOneIsRefusedAndChangesNothing) {
    Open("a,b\r\n");
    const LineDeleteRequest s = Words(0, 1, "", "b", true);
    EXPECT_EQ(ValidateLineDelete(s).message, 30008);
    EXPECT_FALSE(RunLineDelete(*doc, s));
    EXPECT_TRUE(messages.Saw(30008));
    EXPECT_EQ(Records(), original_);
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(ValidateLineDelete(Words(0, 1, "a", "", true)).message, 0);
}

TEST(LineDeleteSettingsTest, TwoStoresAndTheDefaults) {
    MemorySettings store;
    const LineDeleteRequest d = LoadLineDeleteSettings(store);
    EXPECT_EQ(d.first.value, 0);
    EXPECT_EQ(d.last.value, 1);
    EXPECT_TRUE(d.keep_matching);  // "DelOrLeave" 1
    EXPECT_TRUE(d.use_or);         // "AndOrOr" 1
    LineDeleteRequest s = Words(2, 5, "w1", "w2", false);
    s.keep_matching = false;
    StoreLineDeleteRange(store, s);
    EXPECT_EQ(store.GetInt("LineDel", "Field1", -1), 2);
    EXPECT_EQ(store.GetInt("LineDel", "Field2", -1), 5);
    EXPECT_EQ(store.GetInt("LineDel", "DelOrLeave", -1), 0);
    EXPECT_EQ(store.GetString("LineDel", "Moji1", "unset"), "unset");  // not before the check
    StoreLineDeleteWords(store, s);
    const LineDeleteRequest back = LoadLineDeleteSettings(store);
    EXPECT_EQ(back.word1, "w1");
    EXPECT_EQ(back.word2, "w2");
    EXPECT_FALSE(back.use_or);
    EXPECT_FALSE(back.keep_matching);
}

}  // namespace
}  // namespace tesmora
