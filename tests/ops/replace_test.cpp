// Multiple string replacement: the pair check, the per-record rule against a
// plain sequential reference, the .cng files and the run.
#include "tesmora/ops/replace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using testing::ScriptedMessages;
using Strs = std::vector<std::string>;

// 東 東京 ひがし とうきょう in code page 932.
const std::string kHigashi = "\x93\x8c";
const std::string kTokyo = "\x93\x8c\x8b\x9e";
const std::string kHiragana = "\x82\xd0\x82\xaa\x82\xb5";
const std::string kTokyoKana = "\x82\xc6\x82\xa4\x82\xab\x82\xe5\x82\xa4";
const std::string kKyo = "\x8b\x9e";  // 京
const std::string kA = "\x83\x41";    // ア: its trail byte is 'A'

ReplaceRequest Lists(std::string before, std::string after) {
    ReplaceRequest r;
    r.before_list = std::move(before);
    r.after_list = std::move(after);
    return r;
}

std::string ManyLines(int n) {
    std::string s;
    // Of one width, so that no line contains another.
    for (int i = 0; i < n; ++i) s.append(std::to_string(10000 + i)).append("\n");
    return s;
}

TEST(ValidatePairsTest, ChecksInOrderWithTheirFocus) {
    struct Case {
        std::string before, after;
        int message;
        Focus focus;
        Strs pairs_before, pairs_after;
    } cases[] = {
        {"", "x", kMsgNoText, Focus::BeforeList, {}, {}},
        {"a", "", kMsgNoText, Focus::AfterList, {}, {}},
        {ManyLines(1001), "x", kMsgTooManyStrings, Focus::BeforeList, {}, {}},
        {"a", "x,y", kMsgNoComma, Focus::AfterList, {}, {}},
        {"a", ManyLines(1001), kMsgTooManyStrings, Focus::AfterList, {}, {}},
        {"a\nb", "x", kMsgPairCountMismatch, Focus::None, {}, {}},
        {"a\n\nb", "x\ny\nz", kMsgEmptyBeforeString, Focus::BeforeList, {}, {}},
        // One final break is no line; an empty line after it is one.
        {"a\n", "x", 0, Focus::None, {"a"}, {"x"}},
        {"a\n\n", "x\ny\n", kMsgEmptyBeforeString, Focus::BeforeList, {}, {}},
        {"a\r\nb\r\n", "x\r\n\r\n", 0, Focus::None, {"a", "b"}, {"x", ""}},
        // A comma before is accepted (it can never match).
        {"a,b\nc", "x\ny", 0, Focus::None, {"a,b", "c"}, {"x", "y"}},
        {"a\nb\na", "x\ny\nz", kMsgDuplicateBeforeString, Focus::BeforeList, {}, {}},
    };
    for (const Case& c : cases) {
        ScriptedMessages questions;
        ReplacementPairs pairs;
        const Validation v = ValidatePairs(Lists(c.before, c.after), questions, &pairs);
        EXPECT_EQ(v.message, c.message) << c.before;
        EXPECT_EQ(v.focus, c.focus) << c.before;
        EXPECT_EQ(pairs.before, c.pairs_before) << c.before;
        EXPECT_EQ(pairs.after, c.pairs_after) << c.before;
    }
    ScriptedMessages questions;
    ReplacementPairs pairs;
    EXPECT_TRUE(
        ValidatePairs(Lists(ManyLines(1000), ManyLines(1000)), questions, &pairs).Accepted());
    EXPECT_EQ(pairs.size(), 1000u);
    EXPECT_EQ(ValidatePairs(Lists("a\nb\na", "x\ny\nz"), questions).prefix, "a\n");
}

TEST(ValidatePairsTest, OrderQuestionExchangesOnYes) {
    for (const int answer : {kIdNo, kIdYes}) {
        ScriptedMessages questions;
        questions.Answer(kMsgSwapOrder, answer);
        ReplacementPairs pairs;
        const auto r = Lists(kHigashi + "\n" + kTokyo, kHiragana + "\n" + kTokyoKana);
        ASSERT_TRUE(ValidatePairs(r, questions, &pairs).Accepted());
        ASSERT_EQ(questions.shown, std::vector<int>{kMsgSwapOrder});
        EXPECT_EQ(questions.texts[0].rfind("東 <-> 東京\n", 0), 0u) << questions.texts[0];
        const bool yes = answer == kIdYes;
        EXPECT_EQ(pairs.before, (yes ? Strs{kTokyo, kHigashi} : Strs{kHigashi, kTokyo}));
        EXPECT_EQ(pairs.after, (yes ? Strs{kTokyoKana, kHiragana} : Strs{kHiragana, kTokyoKana}));
        EXPECT_EQ(ReplaceInRecord(kTokyo, pairs, FieldIndex{0}, FieldIndex{0}, false),
                  yes ? kTokyoKana : kHiragana + kKyo);
    }
}

ReplacementPairs Pairs(Strs before, Strs after) {
    return ReplacementPairs{std::move(before), std::move(after)};
}

TEST(ReplaceInRecordTest, PairsInListOrderInsideTheRange) {
    struct Case {
        std::string record;
        ReplacementPairs pairs;
        int first, last;
        bool only_one;
        std::string result;
    } cases[] = {
        {"ab", Pairs({"a", "b"}, {"b", "c"}), 0, 0, false, "cc"},
        {"ab", Pairs({"a", "b"}, {"b", "c"}), 0, 0, true, "bb"},
        {"aaa", Pairs({"aa"}, {"x"}), 0, 0, false, "xa"},
        {"a-b-a", Pairs({"a"}, {""}), 0, 0, false, "-b-"},
        {"ab", Pairs({"a"}, {"aa"}), 0, 0, false, "aab"},  // inserted text not searched again
        {kA + "A", Pairs({"A"}, {"B"}), 0, 0, false, kA + "B"},
        {"a,b,c", Pairs({"a", "b", "c"}, {"x", "y", "z"}), 1, 1, false, "a,y,c"},
        {"b", Pairs({"b"}, {"y"}), 1, 1, false, "b"},
        {"a,b,c", Pairs({"a", "c"}, {"x", "z"}), 1, 9, false, "a,b,z"},
        {"a,b,c", Pairs({"a,b", "b"}, {"x", "y"}), 0, 2, false, "a,y,c"},
        {"q,,ab", Pairs({"b", "ab"}, {"", "z"}), 0, 2, true, "q,,a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ReplaceInRecord(c.record, c.pairs, FieldIndex{c.first}, FieldIndex{c.last}, c.only_one),
            c.result)
            << c.record;
}

// Every pair in turn over every field of the range, with the shared helper.
std::string Reference(const std::string& record, const ReplacementPairs& p, int first, int last,
                      bool only_one) {
    std::string out;
    std::size_t start = 0;
    for (int j = 0;; ++j) {
        const std::size_t comma = record.find(',', start);
        std::string field = record.substr(start, comma == npos ? npos : comma - start);
        if (j >= first && j <= last) {
            for (std::size_t i = 0; i < p.size(); ++i) {
                const bool hit = FindText(field, p.before[i]) != npos;
                field = ReplaceAll(field, p.before[i], p.after[i]);
                if (hit && only_one) break;
            }
        }
        out += field;
        if (comma == npos) return out;
        out += ',';
        start = comma + 1;
    }
}

TEST(ReplaceInRecordTest, SameAsApplyingEveryPairInTurn) {
    // Pieces with double-byte characters, a trail byte equal to 'A' and a stray lead byte.
    const Strs pieces{"a", "b", "A", kA, "\x82\xa0", "\x83", "ab", "\x83\x41\x83"};
    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto text = [&](int max_pieces) {
        std::string s;
        for (int k = pick(max_pieces + 1); k > 0; --k) s += pieces[pick(int(pieces.size()))];
        return s;
    };
    int changed = 0;
    for (int round = 0; round < 4000; ++round) {
        ReplacementPairs p;
        for (int k = 1 + pick(12); k > 0; --k) {
            std::string b = text(3);
            if (b.empty() || std::find(p.before.begin(), p.before.end(), b) != p.before.end())
                continue;
            p.before.push_back(b);
            // Half of them insert text no before-string can match (no new walk needed).
            p.after.push_back(pick(2) ? text(3) : std::string("#").append(text(1)));
        }
        if (p.size() == 0) continue;
        // Long fields too: the walk takes sixteen bytes a step where it can.
        const int longest = pick(3) == 0 ? 24 : 8;
        std::string record = text(longest);
        for (int f = pick(4); f > 0; --f) record.append(",").append(text(longest));
        const int first = pick(3), last = first + pick(3);
        const bool once = pick(2) == 1;
        const std::string expected = Reference(record, p, first, last, once);
        ASSERT_EQ(ReplaceInRecord(record, p, FieldIndex{first}, FieldIndex{last}, once), expected)
            << "round " << round << " record " << record;
        changed += expected != record;
    }
    EXPECT_GT(changed, 1000);  // the cases exercise replacements, not only misses
}

class ReplaceFilesTest : public EngineTest {};

TEST_F(ReplaceFilesTest, LoadSkipsLinesWithoutTheMarkAndKeepsLaterMarks) {
    MakeFile("X.CNG",
             "abc\x14"
             "d\x14"
             "e\r\nno mark\r\n\r\n\x14z\r\nq\x14\r\n");
    std::string before = "old", after = "old";
    ASSERT_TRUE(LoadReplacementSet(Path("X.CNG"), before, after).Accepted());
    EXPECT_EQ(before, "abc\r\n\r\nq\r\n");
    EXPECT_EQ(after,
              "d\x14"
              "e\r\nz\r\n\r\n");

    MakeFile("x.txt",
             "a\x14"
             "b\r\n");
    EXPECT_EQ(LoadReplacementSet(Path("x.txt"), before, after).message, kMsgNeedCngFile);
    EXPECT_EQ(LoadReplacementSet(Path("none.cng"), before, after).message, kMsgOpenFailed);
    EXPECT_EQ(before, "abc\r\n\r\nq\r\n");  // refusals leave the lists alone
}

TEST_F(ReplaceFilesTest, SaveAndLoadReproduceAnAgreedOrder) {
    ScriptedMessages questions;
    questions.Answer(kMsgSwapOrder, kIdYes);
    ReplacementPairs pairs;
    ASSERT_TRUE(ValidatePairs(Lists(kHigashi + "\n" + kTokyo + "\nx", kHiragana + "\n\ny"),
                              questions, &pairs)
                    .Accepted());
    ASSERT_TRUE(SaveReplacementSet(Path("set.cng"), pairs).Accepted());
    EXPECT_EQ(testing::ReadBytes(Path("set.cng")),
              kTokyo + "\x14\r\n" + kHigashi + "\x14" + kHiragana + "\r\nx\x14y\r\n");
    ReplaceRequest loaded;
    ASSERT_TRUE(
        LoadReplacementSet(Path("set.cng"), loaded.before_list, loaded.after_list).Accepted());
    ReplacementPairs again;
    ASSERT_TRUE(ValidatePairs(loaded, questions, &again).Accepted());
    EXPECT_EQ(questions.shown.size(), 1u);  // the saved order asks nothing
    EXPECT_EQ(again.before, pairs.before);
    EXPECT_EQ(again.after, pairs.after);

    const Validation v = SaveReplacementSet(Path("no/such/dir.cng"), pairs);
    EXPECT_EQ(v.message, kMsgCreateFailed);
    EXPECT_EQ(v.prefix, Path("no/such/dir.cng") + "\n");
}

class ReplaceRunTest : public EngineTest {};

TEST_F(ReplaceRunTest, RewritesTheRangeThenUndo) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "ab,ab,ab\r\nb\r\n")));
    ReplaceRequest r = Lists("a\nb", "b\nc");
    r.first = FieldIndex{1};
    r.last = FieldIndex{2};
    r.only_one = false;
    ASSERT_TRUE(RunReplace(*doc, r));
    EXPECT_EQ(Records(), (Strs{"ab,cc,cc", "b"}));
    EXPECT_TRUE(doc->Modified());
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(Records(), (Strs{"ab,ab,ab", "b"}));
}

TEST_F(ReplaceRunTest, RefusalsAndAnOverlongResultChangeNothing) {
    const std::string long_field(4990, 'y');
    ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "a,b\r\nx," + long_field + "\r\n")));
    ReplaceRequest r = Lists("y", "yy");
    r.first = FieldIndex{0};
    r.last = FieldIndex{1};
    EXPECT_FALSE(RunReplace(*doc, r));
    EXPECT_TRUE(messages.Saw(kMsgLineTooLong));
    EXPECT_FALSE(RunReplace(*doc, Lists("", "x")));
    EXPECT_TRUE(messages.Saw(kMsgNoText));
    EXPECT_EQ(Records(), (Strs{"a,b", "x," + long_field}));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->Modified());
}

// Several batches of many pieces each: every record in its place, rewritten
// as on its own; an overlong result in the last batch still changes nothing.
TEST_F(ReplaceRunTest, ManyBatchesKeepTheRecordsInOrder) {
    std::string bytes;
    Strs expected;
    const std::string z(30, 'z');
    for (int i = 0; i < 60000; ++i) {
        const std::string n = std::to_string(i);
        bytes += n + (i % 3 ? ",ab" : ",x") + z + ",b\r\n";
        expected.push_back(n + (i % 3 ? ",c" : ",x") + z + ",c");  // ab -> b -> c
    }
    ASSERT_TRUE(
        doc->OpenDocument(MakeFile("in.csv", bytes + "x," + std::string(4990, 'y') + "\r\n")));
    ReplaceRequest r = Lists("ab\nb", "b\nc");
    r.first = FieldIndex{0};
    r.last = FieldIndex{2};
    r.only_one = false;
    ReplaceRequest longer = Lists("y", "yy");
    longer.first = FieldIndex{1};
    longer.last = FieldIndex{1};
    EXPECT_FALSE(RunReplace(*doc, longer));
    EXPECT_TRUE(messages.Saw(kMsgLineTooLong));
    EXPECT_FALSE(doc->Modified());
    ASSERT_TRUE(RunReplace(*doc, r));
    Strs got = Records();
    ASSERT_EQ(got.size(), expected.size() + 1);
    got.pop_back();
    EXPECT_EQ(got, expected);
}

class ReplaceCliTest : public EngineTest {};

TEST_F(ReplaceCliTest, OrderQuestionAnsweredByTheFlag) {
    MakeFile("in.csv", "1," + kTokyo + "\r\n");
    MakeFile("set.cng",
             kHigashi + "\x14" + kHiragana + "\r\n" + kTokyo + "\x14" + kTokyoKana + "\r\n");
    for (const bool swap : {false, true}) {
        const auto res = RunCli(std::string("replace --pairs set.cng --from 0 --to 1") +
                                (swap ? " --swap-order" : "") + " in.csv -o out.csv");
        EXPECT_EQ(res.status, 0) << res.err;
        EXPECT_EQ(testing::ReadBytes(Path("out.csv")),
                  "1," + (swap ? kTokyoKana : kHiragana + kKyo) + "\r\n");
    }
    MakeFile("set.txt",
             "a\x14"
             "b\r\n");
    const auto refused = RunCli("replace --pairs set.txt --from 0 --to 1 in.csv -o out2.csv");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("置換設定用ファイルを指定してください"), std::string::npos);
}

}  // namespace
}  // namespace tesmora
