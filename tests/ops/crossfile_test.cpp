// Append matching records and replacement by lookup: the examples, the first
// match winning, spaces, empty keys and records, the limits, and the other
// file's column count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/text.h"
#include "tesmora/ops/lookup.h"
#include "tesmora/ops/tail_add.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

const std::string kWide = "\x81\x40";                     // full-width space
const std::string kYamada = "\x8e\x52\x93\x63";           // 山田
const std::string kYa = "\x8e\x52", kDa = "\x93\x63";

class CrossFileTest : public EngineTest {
  protected:
    bool Open(const std::string& current) {
        LoadOptions no_offer;
        no_offer.offer_split_mode = false;
        return doc->OpenDocument(MakeFile("cur.csv", current), no_offer);
    }
    Recs TailAdd(const std::string& current, const std::string& other, int key, int other_key,
                 bool spaces) {
        if (!Open(current)) return {"(no document)"};
        const TailAddRequest r{FieldIndex{key}, MakeFile("other.csv", other),
                               FieldIndex{other_key}, spaces};
        return RunTailAdd(*doc, r) ? Records() : Recs{"(refused)"};
    }
    Recs Lookup(const std::string& current, const std::string& other, int target, int compare,
                int replacement) {
        if (!Open(current)) return {"(no document)"};
        const LookupRequest r{FieldIndex{target}, MakeFile("other.csv", other),
                              FieldIndex{compare}, FieldIndex{replacement}, false};
        return RunLookup(*doc, r) ? Records() : Recs{"(refused)"};
    }
};

TEST_F(CrossFileTest, TailAddAppendsTheFirstMatch) {
    struct Case {
        std::string current, other;
        int key, other_key;
        bool spaces;
        Recs result;
    } cases[] = {
        {"1,A,x\r\n", "B,banana\r\nA,apple\r\n", 1, 0, false, {"1,A,x,A,apple"}},
        {"1,A\r\n2,Z\r\n", "A,first\r\nA,second\r\n", 1, 0, false, {"1,A,A,first", "2,Z"}},
        // Spaces: '山 田' against '山田' and '山　田', the appended record as it is.
        {"1," + kYa + " " + kDa + "\r\n", kYa + kWide + kDa + ",w\r\n", 1, 0, true,
         {"1," + kYa + " " + kDa + "," + kYa + kWide + kDa + ",w"}},
        {"1," + kYa + " " + kDa + "\r\n", kYamada + ",n\r\n", 1, 0, true,
         {"1," + kYa + " " + kDa + "," + kYamada + ",n"}},
        {"1," + kYa + " " + kDa + "\r\n", kYamada + ",n\r\n" + kYa + kWide + kDa + ",w\r\n", 1, 0,
         false, {"1," + kYa + " " + kDa}},
        // A record without the key field has an empty key: the first other
        // record with an empty or missing key field, unless that one is empty.
        {"1\r\n", "a,b\r\nc\r\n,d\r\n", 1, 1, false, {"1,c"}},
        {"1\r\n", "\r\nx,\r\n", 1, 1, false, {"1"}},
        // The other file is read as text: LF alone, no final break, 0x1A ends it.
        {"1,A\r\n2,B\r\n", "A,a\nB,b\x1A" "C,c", 1, 0, false, {"1,A,A,a", "2,B,B,b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TailAdd(c.current, c.other, c.key, c.other_key, c.spaces), c.result)
            << c.current << " / " << c.other;
}

TEST_F(CrossFileTest, LookupReplacesByTheFirstMatch) {
    const std::string member =
        "\x89\xef\x88\xf5, 201, \x90\x56\x92\xac\x82\x50\x92\x9a\x96\xda" "23\r\n";  // 会員, 201, 新町１丁目23
    const std::string table = "20, A, 201, B, 105\r\n";
    struct Case {
        std::string current, other;
        int target, compare, replacement;
        Recs result;
    } cases[] = {
        // The leading spaces are part of the fields and match.
        {member, table, 1, 2, 3,
         {"\x89\xef\x88\xf5, B, \x90\x56\x92\xac\x82\x50\x92\x9a\x96\xda" "23"}},
        {"x,201\r\n", table, 1, 2, 3, {"x,201"}},
        {"x,1,y\r\ny,2\r\nz\r\n", "1,one\r\n1,uno\r\n2\r\n", 1, 0, 1, {"x,one,y", "y,", "z"}},
        // An empty target matches the first other record with an empty compare field.
        {"a,,b\r\n", "k,v\r\n,empty\r\n", 1, 0, 1, {"a,empty,b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lookup(c.current, c.other, c.target, c.compare, c.replacement), c.result)
            << c.current;
}

TEST_F(CrossFileTest, ChecksRefusalsAndLimits) {
    EXPECT_EQ(ValidateTailAdd({}).message, 30023);
    EXPECT_EQ(ValidateLookup({}).message, 30023);
    EXPECT_EQ(ValidateLookup({FieldIndex{0}, "t.csv", FieldIndex{2}, FieldIndex{2}, false}).message,
              30030);
    // A binary other file is never appended.
    EXPECT_EQ(TailAdd("1,A\r\n", std::string("A,\0b\r\n", 6), 1, 0, false), Recs{"(refused)"});
    EXPECT_TRUE(messages.Saw(30003));
    EXPECT_EQ(Records(), Recs{"1,A"});
    // Past the record and the field limits: refused during the pass.
    EXPECT_EQ(TailAdd("1,A\r\n", "A," + std::string(4995, 'x') + "\r\n", 1, 0, false),
              Recs{"(refused)"});
    EXPECT_TRUE(messages.Saw(30005));
    EXPECT_EQ(TailAdd("1,A\r\n", "A" + std::string(1999, ',') + "\r\n", 1, 0, false),
              Recs{"(refused)"});
    EXPECT_TRUE(messages.Saw(30010));
    EXPECT_FALSE(doc->CanUndo());
}

TEST_F(CrossFileTest, LargeOtherFilesLeaveTheirRecordsOnDisk) {
    File other;
    ASSERT_TRUE(other.Open(MakeFile("big.csv", "k1,one\r\nk2,two\r\nk1,again\r\n"), "rb"));
    OtherFileIndex index;
    auto entry = [](std::string_view record, std::string& key, std::string_view& value) {
        key = FieldSpan(record, FieldIndex{0}).value_or("");
        value = record;
    };
    ASSERT_TRUE(index.Build(other, true, entry, /*held_bytes=*/4));
    std::string scratch;
    EXPECT_EQ(FindMatchingRecord(index, "k2", scratch), "k2,two");
    EXPECT_EQ(FindMatchingRecord(index, "k1", scratch), "k1,one");
    EXPECT_EQ(FindMatchingRecord(index, "k3", scratch), "");
    EXPECT_EQ(index.Size(), 2u);
}

TEST_F(CrossFileTest, CountColumnsTakesTheThirdRecord) {
    struct Case {
        const char* bytes;
        int columns;
        std::size_t preview;  // records among the first three
    } cases[] = {{"a,b\r\nc,d\r\ne,f,g,h,i\r\nj\r\n", 5, 3},
                 {"a,b,c\r\nd,e\r\n", 2, 2},
                 {"", 0, 0},
                 {"x", 1, 1}};
    for (const Case& c : cases) {
        File f;
        ASSERT_TRUE(f.Open(MakeFile("cols.csv", c.bytes), "rb"));
        EXPECT_EQ(CountColumns(f), c.columns) << c.bytes;
        EXPECT_EQ(ReadRecords(f, 3).size(), c.preview) << c.bytes;
    }
}

}  // namespace
}  // namespace tesmora
