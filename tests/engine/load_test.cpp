// Loading: the text check, the record index file, the statistics and limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine_fixture.h"
#include "tesmora/document/record_index.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using testing::ReadBytes;

class LoadTest : public EngineTest {
  protected:
    bool Load(const std::string& bytes) {
        messages.Answer(30004, kIdNo);
        return doc->LoadWorkingFile(MakeFile("in.txt", bytes), LoadMode::Fresh);
    }
};

TEST_F(LoadTest, TwoLinesGiveEntriesAndStatistics) {
    ASSERT_TRUE(Load("a,b\r\nc\r\n"));
    const Statistics& s = doc->Stats();
    EXPECT_EQ(s.records, 2);
    EXPECT_EQ(s.longest_line, 5);
    EXPECT_EQ(s.shortest_line, 3);
    EXPECT_EQ(s.most_fields, 2);
    EXPECT_EQ(s.fewest_fields, 1);
    EXPECT_EQ(ReadBytes(doc->IndexFileName()), "          5          8");
}

TEST_F(LoadTest, MissingFinalBreakCountsOne) {
    ASSERT_TRUE(Load("a,b\r\nc"));
    EXPECT_EQ(doc->Stats().longest_line, 5);
    EXPECT_EQ(doc->Stats().shortest_line, 2);
    EXPECT_EQ(ReadBytes(doc->IndexFileName()), "          5          6");
}

TEST_F(LoadTest, WorkingFileIsATemporaryCopy) {
    ASSERT_TRUE(Load("x\r\n"));
    EXPECT_NE(doc->WorkingFileName(), Path("in.txt"));
    const std::string leaf = std::filesystem::path(doc->WorkingFileName()).filename().string();
    EXPECT_EQ(leaf.rfind("Tes", 0), 0u);
    EXPECT_EQ(leaf.substr(leaf.size() - 4), ".TMP");
    EXPECT_EQ(ReadBytes(doc->WorkingFileName()), "x\r\n");
}

TEST_F(LoadTest, TextStreamSemantics) {
    // LF alone, CR LF, a lone CR kept as data, 0x1A ends the data.
    ASSERT_TRUE(
        Load("a\nb\r\nc\rd\r\ne\x1A"
             "f\r\n"));
    EXPECT_EQ(Records(), (std::vector<std::string>{"a", "b", "c\rd", "e"}));
    EXPECT_EQ(ReadBytes(doc->IndexFileName()), "          2          5         10         11");
}

struct LimitCase {
    const char* name;
    std::string bytes;
    bool accepted;
    int message;  // 0 when none
    friend void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }
};

class LimitTest : public LoadTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitTest, AcceptsOrRefusesWithItsMessage) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(Load(c.bytes), c.accepted);
    if (c.message) {
        EXPECT_TRUE(messages.Saw(c.message));
    }
    if (!c.accepted) {
        EXPECT_FALSE(doc->IsOpen());
        EXPECT_TRUE(doc->WorkingFileName().empty() ||
                    !std::filesystem::exists(doc->WorkingFileName()));
    }
}

std::string Commas(int n) {
    return std::string(static_cast<std::size_t>(n), ',');
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitTest,
    ::testing::Values(
        LimitCase{"Record4998", std::string(4998, 'x') + "\r\n", true, 0},
        LimitCase{"Record4999", std::string(4999, 'x') + "\r\n", false, 30005},
        LimitCase{"Record4999LfOnly", "a\n" + std::string(4999, 'x') + "\n", false, 30005},
        LimitCase{"FinalRecord4999NoBreak", "a\r\n" + std::string(4999, 'x'), true, 0},
        LimitCase{"FinalRecord5000NoBreak", "a\r\n" + std::string(5000, 'x'), false, 30005},
        LimitCase{"HugeLine", "a\r\n" + std::string(3 << 20, 'x') + "\r\n", false, 30005},
        LimitCase{"Fields2000", Commas(1999) + "\r\n", true, 0},
        LimitCase{"Fields2001", "a\r\n" + Commas(2000) + "\r\n", false, 30010},
        LimitCase{"Empty", "", false, 30006},
        LimitCase{"NoBreakIn5000", std::string(6000, 'x') + "\r\n", false, 30006},
        LimitCase{"BreakAt4999", std::string(4998, 'x') + "\r\n", true, 0},
        LimitCase{"Nul", std::string("a\0b\r\n", 5), false, 30033},
        LimitCase{"Esc", "a\x1b[0m\r\n", false, 30033},
        LimitCase{"ControlAfter5000",
                  std::string(10, 'x') + "\r\n" + std::string(5000, 'y') + "\x01\r\n", false,
                  30005},
        LimitCase{"TabAndHighBytes", "a\tb\x82\xA0\xFF\r\n", true, 0},
        LimitCase{"OnlyCrLf", "\r\n", true, 0}, LimitCase{"OnlyEof", "\x1A", false, 30006},
        LimitCase{"LoneCr", "abc\r", true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadTest, OnlyCrLfIsOneEmptyRecord) {
    ASSERT_TRUE(Load("\r\n"));
    EXPECT_EQ(doc->Stats().records, 1);
    EXPECT_EQ(doc->Stats().longest_line, 2);
    EXPECT_EQ(Records(), std::vector<std::string>{""});
}

TEST_F(LoadTest, AppendSkipsAFileOverTheLimits) {
    ASSERT_TRUE(Load("a,b,c\r\n"));
    EXPECT_TRUE(doc->AppendFile(MakeFile("f.txt", "x\r\n" + Commas(2000) + "\r\n")));
    EXPECT_TRUE(messages.Saw(30010));
    EXPECT_TRUE(doc->AppendFile(MakeFile("l.txt", "x\r\n" + std::string(5001, 'y') + "\r\n")));
    EXPECT_TRUE(messages.Saw(30005));
    // One byte over, its CR LF included: refused before anything is written.
    messages.shown.clear();
    EXPECT_TRUE(doc->AppendFile(MakeFile("m.txt", "x\r\n" + std::string(4999, 'y'))));
    EXPECT_TRUE(messages.Saw(30005));
    ASSERT_TRUE(doc->BuildRecordIndex());
    EXPECT_EQ(Records(), std::vector<std::string>{"a,b,c"});
    EXPECT_EQ(doc->Stats().most_fields, 3);
}

TEST_F(LoadTest, NoCommaOffersSplitMode) {
    messages.Answer(30004, kIdYes);
    ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("fixed.txt", "abc\r\ndef\r\n"), LoadMode::Fresh));
    EXPECT_TRUE(messages.Saw(30012));
    EXPECT_TRUE(doc->View().split_mode);
    EXPECT_TRUE(doc->IsFixedWidth());
}

TEST_F(LoadTest, CommaDocumentIsNotAsked) {
    ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("csv.txt", "a,b\r\n"), LoadMode::Fresh));
    EXPECT_FALSE(messages.Saw(30004));
    EXPECT_FALSE(doc->IsFixedWidth());
}

TEST_F(LoadTest, AnIndexBuiltBesideTheCopyIsKeptWhenTheCopyFinishesFirst) {
    // Large enough to be indexed beside the copy, small enough for the copy
    // to be done first: the load then waits for that index instead of
    // indexing the copy again (a second range on the progress bar).
    std::string bytes;
    while (bytes.size() < (std::size_t{3} << 20)) bytes += "12345,abcdefghij\r\n";
    for (int i = 0; i < 5; ++i) {
        progress.calls.clear();
        ASSERT_TRUE(Load(bytes));
        EXPECT_EQ(std::count_if(progress.calls.begin(), progress.calls.end(),
                                [](const auto& c) { return c.first == 'r'; }),
                  1);
        EXPECT_EQ(doc->Stats().records, static_cast<std::int64_t>(bytes.size() / 18));
    }
}

TEST_F(LoadTest, IndexProgressCountsBytes) {
    // 150 records of 10 bytes: range 15, every record updates the position.
    std::string bytes;
    for (int i = 0; i < 150; ++i) bytes += "12345678\r\n";
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(progress.calls.front(), std::make_pair('r', 15));
    int positions = 0;
    for (auto& c : progress.calls) positions += c.first == 'p';
    // The copy into the working file: its end and the reset; then the pass.
    EXPECT_EQ(positions, 2 + 1 + 150 + 1);
    EXPECT_EQ(progress.calls.back(), std::make_pair('p', 0));
    EXPECT_EQ(progress.status, "00:00:00");
}

TEST_F(LoadTest, SeekRecordReadsTheEntryBeforeIt) {
    ASSERT_TRUE(Load("aa\r\nbbb\r\ncccc\r\n"));
    EXPECT_EQ(doc->RecordOffset(RecordIndex{0}).value, 0);
    EXPECT_EQ(doc->RecordOffset(RecordIndex{1}).value, 4);
    EXPECT_EQ(doc->RecordOffset(RecordIndex{2}).value, 9);
    TextReader r = doc->Records(RecordIndex{2});
    Line line;
    ASSERT_TRUE(r.Next(line));
    EXPECT_EQ(line.text, "cccc");
}

TEST_F(LoadTest, FieldWidthsPerPosition) {
    ASSERT_TRUE(Load("ab,c\r\nd,efg,h\r\n"));
    doc->ComputeFieldWidths();
    EXPECT_EQ(doc->FieldWidths()[0], 2);
    EXPECT_EQ(doc->FieldWidths()[1], 3);
    EXPECT_EQ(doc->FieldWidths()[2], 1);
    EXPECT_EQ(doc->FieldWidths()[3], 0);
}

TEST_F(LoadTest, ReadOnlyFileAsksAndNoStops) {
    const std::string path = MakeFile("ro.txt", "a\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    messages.Answer(30040, kIdNo);
    EXPECT_FALSE(doc->LoadWorkingFile(path, LoadMode::Fresh));
    EXPECT_EQ(messages.texts.back(), path + "\n読み取り専用になっています。解除して継続しますか");
    messages.Answer(30040, kIdYes);
    messages.Answer(30004, kIdNo);
    EXPECT_TRUE(doc->LoadWorkingFile(path, LoadMode::Fresh));
    EXPECT_NE(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
}

TEST_F(LoadTest, MissingFileFailsSilently) {
    EXPECT_FALSE(doc->LoadWorkingFile(Path("nope.txt"), LoadMode::Fresh));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(IndexEntryTest, FormatsAndParsesElevenBytes) {
    struct Case {
        std::int64_t value;
        const char* text;
    };
    for (const Case& c : {Case{0, "          0"}, Case{5, "          5"},
                          Case{2147483648LL, " 2147483648"}, Case{99999999999LL, "99999999999"}}) {
        char buf[11];
        FormatIndexEntry(c.value, buf);
        EXPECT_EQ(std::string(buf, 11), c.text);
        EXPECT_EQ(ParseIndexEntry(buf), c.value);
    }
    EXPECT_EQ(ParseIndexEntry("           "), -1);
}

TEST(TextReaderTest, LinesAcrossBufferBoundaries) {
    // A small buffer forces CR LF pairs and lines to straddle refills; lines
    // of up to 150 bytes begin and end anywhere in the 64-byte break masks.
    const std::string path =
        (std::filesystem::temp_directory_path() / "tesmora-reader-test.txt").string();
    for (const std::size_t buffer : {64, 256, 1 << 16}) {
        SCOPED_TRACE(buffer);
        const std::size_t longest = buffer == 64 ? 36 : 150;
        std::string bytes;
        std::vector<std::string> expected;
        for (int i = 0; i < 2000; ++i) {
            std::string rec(static_cast<std::size_t>(i * 37) % (longest + 1),
                            static_cast<char>('a' + i % 26));
            expected.push_back(rec);
            bytes += rec + (i % 3 ? "\r\n" : "\n");
        }
        testing::WriteBytes(path, bytes);
        File f;
        ASSERT_TRUE(f.Open(path, "rb"));
        TextReader reader(f, buffer, buffer);
        Line line;
        std::vector<std::string> got;
        std::int64_t physical = 0;
        while (reader.Next(line)) {
            got.emplace_back(line.text);
            physical += line.physical;
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(physical, static_cast<std::int64_t>(bytes.size()));
    }
    std::filesystem::remove(path);
}

}  // namespace
// Records of every shape, many megabytes of them: a big file is indexed in
// blocks (Fresh: beside its copy), a small one a record at a time; the index
// and the statistics must not tell which.
struct Shaped {
    std::string bytes, index;
    Statistics stats;
    std::vector<int> widths = std::vector<int>(64, 0);
};

Shaped ShapedRecords(int count) {
    Shaped out;
    std::int64_t offset = 0;
    for (int i = 0; i < count; ++i) {
        const int commas = i % 7 == 0 ? 0 : (i * 13) % 40;
        std::string text(static_cast<std::size_t>((i * 37) % 150 + (i % 5 == 0 ? 1 : 0)), 'x');
        for (int c = 0; c < commas && c < static_cast<int>(text.size()); ++c)
            text[static_cast<std::size_t>((c * 7 + i) % text.size())] = ',';
        if (i % 11 == 3 && text.size() > 1) text[0] = '\r';  // a lone CR is data
        const int fields = static_cast<int>(std::count(text.begin(), text.end(), ',')) + 1;
        for (std::size_t f = 0, start = 0; start <= text.size(); ++f) {
            const std::size_t comma = std::min(text.find(',', start), text.size());
            out.widths[f] = std::max(out.widths[f], static_cast<int>(comma - start));
            start = comma + 1;
        }
        const bool last = i == count - 1;
        const std::string end = last ? "" : i % 3 == 0 ? "\n" : "\r\n";
        out.bytes += text + end;
        offset += static_cast<std::int64_t>(text.size() + end.size());
        char entry[kIndexEntryWidth];
        FormatIndexEntry(offset, entry);
        out.index.append(entry, kIndexEntryWidth);
        const int len = static_cast<int>(text.size()) + (last ? 1 : 2);
        Statistics& s = out.stats;
        s.longest_line = i == 0 ? len : std::max(s.longest_line, len);
        s.shortest_line = i == 0 ? len : std::min(s.shortest_line, len);
        s.most_fields = i == 0 ? fields : std::max(s.most_fields, fields);
        s.fewest_fields = i == 0 ? fields : std::min(s.fewest_fields, fields);
        ++s.records;
    }
    return out;
}

void ExpectStats(const Statistics& got, const Statistics& want) {
    EXPECT_EQ(got.records, want.records);
    EXPECT_EQ(got.longest_line, want.longest_line);
    EXPECT_EQ(got.shortest_line, want.shortest_line);
    EXPECT_EQ(got.most_fields, want.most_fields);
    EXPECT_EQ(got.fewest_fields, want.fewest_fields);
}

TEST_F(LoadTest, BlocksAndRecordsIndexAlike) {
    for (const int count : {300, 40000}) {
        const Shaped want = ShapedRecords(count);
        for (const LoadMode mode : {LoadMode::Fresh, LoadMode::InPlace}) {
            SCOPED_TRACE(std::to_string(count) +
                         (mode == LoadMode::Fresh ? " fresh" : " in place"));
            messages.Answer(30004, kIdNo);
            doc->SetCollectFieldWidths(true);
            ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("shaped.txt", want.bytes), mode));
            EXPECT_TRUE(
                std::equal(want.widths.begin(), want.widths.end(), doc->FieldWidths().begin()));
            ExpectStats(doc->Stats(), want.stats);
            EXPECT_TRUE(ReadBytes(doc->IndexFileName()) == want.index);
            doc->CloseDocument();
        }
    }
}

TEST_F(LoadTest, ABigFileReadOnlyInOrderIndexesInHalvesAlike) {
    const Shaped want = ShapedRecords(240000);
    ASSERT_GT(want.bytes.size(), std::size_t{16} << 20);  // large enough for two threads
    doc->SetSequentialOnly(true);
    doc->SetCollectFieldWidths(true);
    messages.Answer(30004, kIdNo);
    ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("shaped.txt", want.bytes), LoadMode::InPlace));
    EXPECT_TRUE(std::equal(want.widths.begin(), want.widths.end(), doc->FieldWidths().begin()));
    ExpectStats(doc->Stats(), want.stats);
    doc->CloseDocument();
    // Over a limit in either half.
    const std::string over = std::string(4999, 'y') + "\r\n";
    for (const std::string& bytes : {over + want.bytes, want.bytes + "\r\n" + over}) {
        messages.shown.clear();
        EXPECT_FALSE(doc->LoadWorkingFile(MakeFile("over.txt", bytes), LoadMode::InPlace));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0], kMsgLineTooLong);
    }
    // A byte 0x1A ends the data in either half: nothing after it counts.
    const Shaped head = ShapedRecords(300);
    const struct {
        std::string bytes;
        const Statistics& stats;
    } ended[] = {{head.bytes + "\x1A" + want.bytes, head.stats},
                 {want.bytes + "\x1A" + want.bytes, want.stats}};
    for (const auto& c : ended) {
        ASSERT_TRUE(doc->LoadWorkingFile(MakeFile("ended.txt", c.bytes), LoadMode::InPlace));
        ExpectStats(doc->Stats(), c.stats);
        doc->CloseDocument();
    }
}

// A file indexed in two parts, the second joined to the first, must give
// what one pass over it gives, wherever it is cut between records.
TEST(IndexJoinTest, TwoPartsJoinedAreOnePass) {
    const std::string too_long(4999, 'y'), too_many(2000, ',');
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"plain", "a,b\r\nccc\r\nd,e,f\r\n"},
        {"LF only, no last break", "a\nbb,c\n\nd,,"},
        {"fewer fields later", "a,b,c\r\nd\r\ne,f\r\n"},
        {"line too long", "a,b\r\n" + too_long + "\r\nc\r\n"},
        {"too many fields", "a\r\nb,c\r\n" + too_many + "\r\nd,e,f,g\r\n"},
        {"end of data", "a,b\r\nc\x1A,d\r\ne\r\n"},
    };
    auto same = [](IndexBuilder& a, IndexBuilder& b, const int* wa, const int* wb) {
        a.Finish();
        b.Finish();
        const Statistics &x = a.stats(), &y = b.stats();
        EXPECT_EQ(a.failure(), b.failure());
        EXPECT_EQ(a.offset(), b.offset());
        EXPECT_EQ(a.canonical(), b.canonical());
        EXPECT_EQ(a.saw_end_of_data(), b.saw_end_of_data());
        EXPECT_EQ(x.records, y.records);
        EXPECT_EQ(x.longest_line, y.longest_line);
        EXPECT_EQ(x.shortest_line, y.shortest_line);
        if (!a.failure()) {
            EXPECT_EQ(x.most_fields, y.most_fields);
            EXPECT_EQ(x.fewest_fields, y.fewest_fields);
        }
        EXPECT_TRUE(std::equal(wa, wa + kMaxFields, wb));
    };
    File none;
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            if (cut > 0 && c.bytes[cut - 1] != '\n') continue;
            SCOPED_TRACE(std::string(c.name) + ", cut at " + std::to_string(cut));
            std::vector<int> whole_widths(kMaxFields), first_widths(kMaxFields),
                later_widths(kMaxFields);
            IndexBuilder whole(none), first(none), later(none);
            for (IndexBuilder* b : {&whole, &first, &later}) b->SkipEntries();
            whole.CollectWidths(whole_widths.data());
            first.CollectWidths(first_widths.data());
            later.CollectWidths(later_widths.data());
            whole.Feed(c.bytes);
            first.Feed(std::string_view(c.bytes).substr(0, cut));
            later.Feed(std::string_view(c.bytes).substr(cut));
            first.Join(later);
            same(whole, first, whole_widths.data(), first_widths.data());
        }
    }
}

TEST_F(LoadTest, ABigFileOverTheLimitsIsRefused) {
    const std::string filler = ShapedRecords(40000).bytes + "\r\n";
    const struct {
        const char* name;
        std::string last;
        int message;
    } cases[] = {{"line too long", std::string(4999, 'y'), kMsgLineTooLong},
                 {"too many fields", std::string(2000, ','), kMsgTooManyFields}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        EXPECT_FALSE(
            doc->LoadWorkingFile(MakeFile("over.txt", filler + c.last + "\r\n"), LoadMode::Fresh));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0], c.message);
    }
}

}  // namespace tesmora
