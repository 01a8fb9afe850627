// Sort: key order, stability, the 99-byte key limit, windows and undo.
#include "tesmora/ops/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using Recs = std::vector<std::string>;

const std::string kLead98(98, 'k');

TEST(CompareSortKeys, ByteOrderOverTheFirst99Bytes) {
    struct Case {
        std::string a, b;
        int sign;
    } cases[] = {
        {"10", "9", -1},
        {"1", "10", -1},
        {"", "0", -1},
        {"abc", "abc", 0},
        {"B", "a", -1},            // no case folding
        {"z", "\x82\xa0", -1},     // bytes compare unsigned
        {"\x82\xa0", "\xb1", -1},  // a double-byte character by its bytes only
        {std::string(99, 'x') + "a", std::string(99, 'x') + "b", 0},
        {std::string(99, 'x'), std::string(99, 'x') + "b", 0},
        {std::string(98, 'x'), std::string(99, 'x'), -1},
        // A character straddling bytes 99 and 100: only its lead byte counts.
        {kLead98 + "\x82\xa0", kLead98 + "\x82\xa2", 0},
        {kLead98 + "z", kLead98 + "\x82\xa2", -1},
    };
    for (const Case& c : cases) {
        const int r = CompareSortKeys(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
        const int back = CompareSortKeys(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " / " << c.a;
    }
}

class SortTest : public EngineTest {
  protected:
    void Open(const std::string& bytes) {
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", bytes)));
        original_ = Records();
    }
    Recs Sorted(int key, bool descending) {
        SortRequest s;
        s.key_field = FieldIndex{key};
        s.descending = descending;
        EXPECT_TRUE(RunSort(*doc, s));
        Recs out = Records();
        EXPECT_TRUE(doc->Undo());
        EXPECT_EQ(Records(), original_);
        return out;
    }
    Recs original_;
};

TEST_F(SortTest, OrdersByKeyBytesAscendingAndDescending) {
    struct Case {
        const char* file;
        int key;
        Recs ascending, descending;
    } cases[] = {
        {"a,10\r\nb,9\r\nc,1\r\n", 1, {"c,1", "a,10", "b,9"}, {"b,9", "a,10", "c,1"}},
        // Fewer fields than the key: an empty key, first ascending, last descending.
        {"x,b\r\ny\r\nz,a\r\n", 1, {"y", "z,a", "x,b"}, {"x,b", "z,a", "y"}},
        // Equal keys keep their file order in both directions.
        {"1,k\r\n2,j\r\n3,k\r\n4,j\r\n5,k\r\n",
         1,
         {"2,j", "4,j", "1,k", "3,k", "5,k"},
         {"1,k", "3,k", "5,k", "2,j", "4,j"}},
        {"only,one\r\n", 0, {"only,one"}, {"only,one"}},
        {"b,\xb1\r\na,\x82\xa0\r\nc,z\r\n",
         1,
         {"c,z", "a,\x82\xa0", "b,\xb1"},
         {"b,\xb1", "a,\x82\xa0", "c,z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Open(c.file);
        EXPECT_EQ(Sorted(c.key, false), c.ascending);
        EXPECT_EQ(Sorted(c.key, true), c.descending);
    }
}

TEST_F(SortTest, KeysEqualInTheir99BytesKeepTheirOrder) {
    const std::string a = "1," + kLead98 + "\x82\xa2" + "zz";
    const std::string b = "2," + kLead98 + "\x82\xa0";
    const std::string c = "3," + kLead98 + "z";
    const std::string d = "4," + std::string(99, 'k') + "a";
    const std::string e = "5," + std::string(99, 'k') + "\x82\xa0";
    Open(a + "\r\n" + b + "\r\n" + c + "\r\n" + d + "\r\n" + e + "\r\n");
    EXPECT_EQ(Sorted(1, false), (Recs{d, e, c, a, b}));
    EXPECT_EQ(Sorted(1, true), (Recs{a, b, c, d, e}));
}

TEST_F(SortTest, LastRecordWithoutLineBreakGetsOne) {
    Open("b,2\r\na,1");
    SortRequest s;
    s.key_field = FieldIndex{0};
    ASSERT_TRUE(RunSort(*doc, s));
    EXPECT_EQ(testing::ReadBytes(doc->WorkingFileName()), "a,1\r\nb,2\r\n");
    EXPECT_TRUE(doc->Modified());
}

// Random keys with long shared prefixes, double-byte text and lengths around
// the 7-byte steps and the 99-byte cut, against a stable sort of the keys.
Recs RandomRecords(std::mt19937& rng, int n) {
    const std::string prefixes[] = {"",
                                    "abcdefg",
                                    "abcdefgh",
                                    "abcdefghijklmn",
                                    kLead98,
                                    "\xbb\xc4\xb3 \xc0\xdb\xb3",
                                    "\x83\x54\x83\x67\x83\x45"};
    const std::string pieces[] = {"a", "b", "z", " ", "\x82\xa0", "\x82\xa2", "\xb1", "0", "9"};
    Recs records;
    for (int i = 0; i < n; ++i) {
        std::string key = prefixes[rng() % std::size(prefixes)];
        const int extra = static_cast<int>(rng() % 12);
        for (int j = 0; j < extra; ++j) key += pieces[rng() % std::size(pieces)];
        if (rng() % 5 == 0) key += std::string(rng() % 110, 'q');
        records.push_back(std::to_string(i) + "," + key + ",tail");
    }
    return records;
}

TEST_F(SortTest, MatchesAStableSortOfTheKeysWithAnyWindowSize) {
    std::mt19937 rng(7);
    const Recs records = RandomRecords(rng, 3000);
    std::string bytes;
    for (const auto& r : records) bytes += r + "\r\n";
    Open(bytes);
    for (bool descending : {false, true}) {
        Recs expected = records;
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            const int c = CompareSortKeys(GetField(a, FieldNumber{2}), GetField(b, FieldNumber{2}));
            return descending ? c > 0 : c < 0;
        });
        // One window, a few, and one per record (records larger than the window).
        for (std::int64_t window : {std::int64_t{0}, std::int64_t{20000}, std::int64_t{1}}) {
            SCOPED_TRACE(window);
            SortRequest s;
            s.key_field = FieldIndex{1};
            s.descending = descending;
            ASSERT_TRUE(RunOperation(
                *doc, [&](Document& d, TextWriter& out) { return SortPass(d, out, s, window); }));
            EXPECT_EQ(Records(), expected);
            ASSERT_TRUE(doc->Undo());
        }
    }
}

// Large enough for the keys to be read on two cores, half the file each;
// mixed line breaks, so the halves meet wherever the middle falls.
TEST_F(SortTest, TwoReadersMatchAStableSortOnALargeFile) {
    std::mt19937 rng(11);
    Recs records = RandomRecords(rng, 90000);
    std::string bytes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].append(1, ',').append(180 + i % 40, 'p');
        bytes += records[i] + (i % 3 ? "\r\n" : "\n");
    }
    ASSERT_GT(bytes.size(), std::size_t{16} << 20);
    Open(bytes);
    // The table is sorted in two runs, the window filled by two readers.
    for (bool descending : {false, true}) {
        Recs expected = records;
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            const int c = CompareSortKeys(GetField(a, FieldNumber{2}), GetField(b, FieldNumber{2}));
            return descending ? c > 0 : c < 0;
        });
        EXPECT_TRUE(Sorted(1, descending) == expected) << (descending ? "descending" : "ascending");
    }
}

// The batch front end's way: a large input read in place is indexed by the
// key pass itself. Each case must give what a load's own index pass gives,
// with fewer reads, and refuse what the load refuses with its message alone.
TEST_F(SortTest, AnInputIndexedByItsKeyPassSortsAndRefusesAsLoaded) {
    std::mt19937 rng(5);
    std::string body;
    for (const std::string& r : RandomRecords(rng, 80000))
        body += r + "," + std::string(200, 'p') + "\r\n";
    ASSERT_GT(body.size(), std::size_t{16} << 20);
    const std::string head = "b,1\r\na,2\r\n";
    std::string fields(2000, ',');
    const struct {
        const char* name;
        std::string bytes;
        int refusal;
    } cases[] = {
        {"plain", body, 0},
        {"end of data in the first half", head + "\x1A" + body, 0},
        {"end of data in the second half", body + "\x1A" + head, 0},
        {"long line in the first half", head + std::string(4999, 'y') + "\r\n" + body,
         kMsgLineTooLong},
        {"long line in the second half", body + std::string(4999, 'y') + "\r\n", kMsgLineTooLong},
        {"too many fields in the second half", body + fields + "\r\n", kMsgTooManyFields},
    };
    doc->SetSequentialOnly(true);
    SortRequest s;
    s.key_field = FieldIndex{1};
    auto sort = [&](const std::string& path, bool beside, Recs& out) {
        LoadOptions options;
        options.scan_beside = beside;
        FileFaults::Arm(0);
        const bool ok = doc->LoadWorkingFile(path, LoadMode::InPlace, options) && RunSort(*doc, s);
        const std::int64_t reads = FileFaults::Steps();
        out = ok ? Records() : Recs{};
        doc->SetModified(false);
        doc->CloseDocument();
        return ok ? reads : -1;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = MakeFile("in.csv", c.bytes);
        Recs loaded, scanned;
        messages.shown.clear();
        const std::int64_t loaded_reads = sort(path, false, loaded);
        const auto load_said = messages.shown;
        messages.shown.clear();
        const std::int64_t scanned_reads = sort(path, true, scanned);
        EXPECT_EQ(messages.shown, load_said);
        if (c.refusal) {
            EXPECT_EQ(scanned_reads, -1);
            EXPECT_EQ(messages.shown, std::vector<int>{c.refusal});
            continue;
        }
        EXPECT_TRUE(scanned == loaded);
        EXPECT_GT(scanned.size(), 1u);
        // Once for the keys and the index, not once each.
        if (c.bytes == body) {
            EXPECT_LT(scanned_reads, loaded_reads);
        }
    }
}

TEST_F(SortTest, ProgressCountsTwoPassesOverTheRecords) {
    struct Case {
        int records;
        int range;
        std::vector<int> positions;  // after the initial 0, before the final 0
    } cases[] = {
        {150, 3, {}},
        {1500, 30, {}},
    };
    // 150 records: every record moves the bar: keys 1..149, then 150..299.
    for (int i = 1; i < 150; ++i) cases[0].positions.push_back(i / 100);
    for (int j = 0; j < 150; ++j) cases[0].positions.push_back((150 + j) / 100);
    // 1,500 records: only at multiples of 100.
    for (int p = 1; p <= 29; ++p) cases[1].positions.push_back(p);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        std::string bytes;
        for (int i = 0; i < c.records; ++i) bytes += std::to_string(c.records - i) + ",x\r\n";
        ASSERT_TRUE(doc->OpenDocument(MakeFile("p.csv", bytes)));
        File out;
        ASSERT_TRUE(out.Open(Path("out.txt"), "w+b"));
        progress.calls.clear();
        {
            TextWriter writer(out);
            ASSERT_TRUE(SortPass(*doc, writer, SortRequest{}));
        }
        std::vector<std::pair<char, int>> expected{{'r', c.range}, {'p', 0}};
        for (int p : c.positions) expected.emplace_back('p', p);
        expected.emplace_back('p', 0);
        EXPECT_EQ(progress.calls, expected);
        ASSERT_TRUE(doc->CloseDocument());
    }
}

TEST_F(SortTest, AnEmptyDocumentStaysEmpty) {
    Open("a,1\r\n");
    // A pass that writes nothing empties the document.
    ASSERT_TRUE(RunOperation(*doc, [](Document&, TextWriter&) { return true; }));
    ASSERT_EQ(doc->Stats().records, 0);
    ASSERT_TRUE(RunSort(*doc, SortRequest{}));
    EXPECT_EQ(Records(), Recs{});
}

TEST(SortSettingsTest, LoadAndStoreUseTheDialogNames) {
    MemorySettings store;
    SortRequest s = LoadSortSettings(store);
    EXPECT_EQ(s.key_field.value, 0);
    EXPECT_FALSE(s.descending);
    store.SetInt("SortDlg", "KeyField", 4);
    store.SetInt("SortDlg", "SortJun", 1);
    s = LoadSortSettings(store);
    EXPECT_EQ(s.key_field.value, 4);
    EXPECT_TRUE(s.descending);
    s.key_field = FieldIndex{2};
    s.descending = false;
    StoreSortSettings(store, s);
    EXPECT_EQ(store.GetInt("SortDlg", "KeyField", -1), 2);
    EXPECT_EQ(store.GetInt("SortDlg", "SortJun", -1), 0);
}

}  // namespace
}  // namespace tesmora
