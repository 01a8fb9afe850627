// UTF-8 files: detection, the conversion both ways through the tables, the
// two forms of one character, and refusals that leave nothing behind.
#include "tesmora/document/encoding.h"

#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "tesmora/document/codepage.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text.h"

namespace tesmora {
namespace {

using testing::EngineTest;
using testing::ReadBytes;

const std::string kBom(kUtf8Bom);

class EncodingTest : public EngineTest {
  protected:
    // Opens bytes as a document; nullopt-like false when refused.
    bool Open(const std::string& bytes, const std::string& name = "in.csv") {
        return doc->OpenDocument(MakeFile(name, bytes));
    }
    std::string Saved(const std::string& name, std::optional<Encoding> as = std::nullopt) {
        std::filesystem::remove(Path(name));
        EXPECT_TRUE(doc->SaveAs(Path(name), as));
        return ReadBytes(Path(name));
    }
};

TEST_F(EncodingTest, DetectsAsTheFirstBytesSay) {
    const std::string kanji_utf8 = "番号,東京都\r\n";
    std::string cut_by_window = "東";  // a character cut at 4 KiB after the first
    while (cut_by_window.size() < 4097) cut_by_window += "京";
    struct Case {
        const char* name;
        std::string bytes;
        Encoding want;
    } cases[] = {
        {"bom", kBom + "a,b\r\n", Encoding::Utf8Bom},
        {"bom only", kBom, Encoding::Utf8Bom},
        {"utf8 without bom", kanji_utf8, Encoding::Utf8},
        {"ascii only", "a,b\r\n1,2\r\n", Encoding::ShiftJis},
        {"short shift-jis half-width kana", "\xB1\xB2\xB3,1\r\n", Encoding::ShiftJis},
        {"shift-jis kanji", "\x8E\x52\x93\x63,1\r\n", Encoding::ShiftJis},
        {"after 64 KiB of ascii", std::string(65536, 'a') + "\n" + kanji_utf8, Encoding::Utf8},
        {"shift-jis after 64 KiB of ascii", std::string(65536, 'a') + "\n\x93\x8C\r\n",
         Encoding::ShiftJis},
        {"cut by the window", cut_by_window + "\r\n", Encoding::Utf8},
        {"cut by the end of the data", "a,\xE6\x9D", Encoding::ShiftJis},
        {"utf8 after 0x1a is not text", "a\r\n\x1A東京", Encoding::ShiftJis},
    };
    for (const Case& c : cases) {
        File f;
        ASSERT_TRUE(f.Open(MakeFile("d.csv", c.bytes), "rb"));
        EXPECT_EQ(DetectEncoding(f), c.want) << c.name;
        EXPECT_EQ(f.Tell(), c.want == Encoding::Utf8Bom ? 3 : 0) << c.name;
        EXPECT_EQ(DetectEncoding(c.bytes, true), c.want) << c.name;
    }
}

TEST_F(EncodingTest, EveryCharacterComesBackThroughUtf8) {
    // Every character of the code page, as UTF-8, converts to code page 932
    // and back to the same UTF-8: an unchanged UTF-8 file is saved as it was.
    const char16_t* table = Cp932DecodeTable();
    std::string cp932;
    int characters = 0;
    for (unsigned code = 0x80; code < 0x10000; ++code) {
        const bool pair = code > 0xFF;
        if (!table[code] || (pair && !IsLeadByte(static_cast<unsigned char>(code >> 8))) ||
            (!pair && IsLeadByte(static_cast<unsigned char>(code))))
            continue;
        if (pair) cp932 += static_cast<char>(code >> 8);
        cp932 += static_cast<char>(code & 0xFF);
        cp932 += (++characters % 50) ? "," : "\r\n";
    }
    cp932 += "\r\n";
    EXPECT_GT(characters, 7000);
    const auto utf8 = Cp932ToUtf8(cp932);
    ASSERT_TRUE(utf8);
    VariantForms forms;
    EncodingFault fault;
    const auto back = ConvertUtf8ToCp932(*utf8, forms, fault);
    ASSERT_TRUE(back) << fault.line << " " << fault.what;
    EXPECT_EQ(Cp932ToUtf8(*back), utf8);

    ASSERT_TRUE(Open(kBom + *utf8));
    EXPECT_EQ(doc->FileEncoding(), Encoding::Utf8Bom);
    // Compared as a flag: a failure would print every character.
    EXPECT_TRUE(Saved("out.csv") == kBom + *utf8);
}

TEST_F(EncodingTest, KeepsTheFormEachFileUsed) {
    struct Case {
        const char* name;
        std::string text;  // as UTF-8
        std::string cp932;
    } cases[] = {
        {"wave dash", "1,〜\r\n2,〜\r\n", "1,\x81\x60\r\n2,\x81\x60\r\n"},
        {"full-width tilde", "1,～\r\n", "1,\x81\x60\r\n"},
        {"minus and dash", "1,−—‖¢£¬\r\n",
         "1,\x81\x7C\x81\x5C\x81\x61\x81\x91\x81\x92\x81\xCA\r\n"},
        {"yen sign", "1,¥100\r\n", "1,\\100\r\n"},
        {"backslash", "1,C:\\tmp,東\r\n", "1,C:\\tmp,\x93\x8C\r\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Open(c.text)) << c.name;
        std::string all;
        for (const std::string& r : Records()) all += r + "\r\n";
        EXPECT_EQ(all, c.cp932) << c.name;
        EXPECT_EQ(Saved("out.csv"), c.text) << c.name;
        // Shift-JIS and back to UTF-8 writes the common forms.
        EXPECT_EQ(Saved("sj.csv", Encoding::ShiftJis), c.cp932) << c.name;
    }
}

TEST_F(EncodingTest, RefusesWhatCannotComeBackNamingTheLine) {
    const std::string filler = "1," + std::string(5000, 'a').substr(0, 100) + "東京\r\n";
    std::string late_invalid;
    for (int i = 0; i < 100; ++i) late_invalid += filler;  // past the 4 KiB window
    std::string megabytes;                                 // read in several pieces
    for (int i = 0; i < 30000; ++i) megabytes += filler;
    struct Case {
        const char* name;
        std::string bytes;
        int message;
        const char* where;
    } cases[] = {
        {"outside the code page", "1,a\r\n2,b\r\n3,𠮷野家\r\n", kMsgNotInCodePage, "3行目: 𠮷"},
        {"emoji", kBom + "1,😀\r\n", kMsgNotInCodePage, "1行目: 😀"},
        {"both forms of 0x8160", "1,〜\r\n2,～\r\n", kMsgTwoForms, "2行目: ～"},
        {"backslash then yen", "1,a\\b,東\r\n2,¥\r\n", kMsgTwoForms, "2行目: ¥"},
        {"yen then backslash", "1,¥\r\n2,a\\b\r\n", kMsgTwoForms, "2行目: \\"},
        {"invalid late", late_invalid + "x,\xE6\x9D\r\n", kMsgInvalidUtf8, "101行目: 0xE6 0x9D"},
        {"cut at the end", late_invalid + "x,\xE6\x9D", kMsgInvalidUtf8, "101行目: 0xE6 0x9D"},
        // A whole character, then bytes that continue nothing, at the end.
        {"stray bytes after the last character", kBom + "1,a\r\n2,\xEF\xBB\x9E\x93\x8C",
         kMsgNotInCodePage, "2行目: \xEF\xBB\x9E"},
        {"forms far apart", "1,〜\r\n" + megabytes + "x,～\r\n", kMsgTwoForms, "30002行目: ～"},
        {"invalid after a clash", "1,〜\r\n" + megabytes + "x,～\xE6\r\n", kMsgTwoForms,
         "30002行目: ～"},
        {"cut at the end, megabytes in", megabytes + "x,\xE6\x9D", kMsgInvalidUtf8,
         "30001行目: 0xE6 0x9D"},
    };
    const int temps = RecordedTempCount();
    for (const Case& c : cases) {
        messages.shown.clear();
        messages.texts.clear();
        EXPECT_FALSE(Open(c.bytes)) << c.name;
        EXPECT_FALSE(doc->IsOpen()) << c.name;
        ASSERT_EQ(messages.shown, std::vector<int>{c.message}) << c.name;
        EXPECT_EQ(messages.texts[0].rfind(Path("in.csv") + "\n" + c.where + "\n", 0), 0u)
            << c.name << ": " << messages.texts[0];
        EXPECT_EQ(RecordedTempCount(), temps) << c.name;  // no temporary file left
    }
}

TEST_F(EncodingTest, AppendedFilesAreReadInTheirOwnEncoding) {
    const std::string sjis = MakeFile("a.csv", "1,\x8E\x52\x93\x63\r\n");  // 山田
    const std::string utf8 = MakeFile("b.csv", kBom + "2,鈴木〜\r\n");
    LoadOptions options;
    options.order = AppendOrder::AsGiven;
    ASSERT_TRUE(doc->OpenFiles({sjis, utf8}, options));
    EXPECT_EQ(Records(),
              (std::vector<std::string>{"1,\x8E\x52\x93\x63", "2,\x97\xE9\x96\xD8\x81\x60"}));
    EXPECT_EQ(doc->FileEncoding(), Encoding::ShiftJis);
    EXPECT_EQ(Saved("ab.csv", Encoding::Utf8), "1,山田\r\n2,鈴木〜\r\n");

    ASSERT_TRUE(doc->CloseDocument());
    ASSERT_TRUE(doc->OpenFiles({utf8, sjis}, options));
    EXPECT_EQ(doc->FileEncoding(), Encoding::Utf8Bom);
    EXPECT_EQ(Saved("ba.csv"), kBom + "2,鈴木〜\r\n1,山田\r\n");
    // A file with the other form of a character the document holds cannot join it.
    messages.shown.clear();
    EXPECT_FALSE(doc->AppendFile(MakeFile("c.csv", "3,～\r\n"), 1));
    EXPECT_EQ(messages.shown, std::vector<int>{kMsgTwoForms});
}

TEST_F(EncodingTest, SavingAsUtf8RefusesACharacterWithoutAForm) {
    ASSERT_TRUE(Open("1,a\r\n2,\x81\r\n"));  // a lead byte without its trail
    messages.shown.clear();
    EXPECT_FALSE(doc->SaveAs(Path("out.csv"), Encoding::Utf8));
    EXPECT_EQ(messages.shown, std::vector<int>{kMsgNoUtf8Form});
    EXPECT_EQ(messages.texts[0].rfind(Path("out.csv") + "\n2行目\n", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(Path("out.csv")));
    EXPECT_EQ(doc->FileEncoding(), Encoding::ShiftJis);
}

class EncodingCliTest : public testing::CliTest {};

TEST_F(EncodingCliTest, ConvertsAndRefusesAsTheOptionsSay) {
    MakeFile("u.csv", kBom + "1,山田〜\r\n2,鈴木\r\n");
    MakeFile("s.csv", "1,\x8E\x52\x93\x63\x81\x60\r\n2,\x97\xE9\x96\xD8\r\n");
    MakeFile("bad.csv", "1,𠮷\r\n");
    struct Case {
        const char* args;
        int status;
        std::string out;  // OUTPUT's bytes afterwards
    } cases[] = {
        {"save u.csv -o o.csv", 0, ReadBytes(Path("u.csv"))},
        {"save u.csv --output-encoding shift-jis -o o.csv", 0, ReadBytes(Path("s.csv"))},
        {"save s.csv --output-encoding utf-8 -o o.csv", 0, "1,山田～\r\n2,鈴木\r\n"},
        {"delete --from 1 --to 1 --word1 山田 --delete-matching u.csv -o o.csv", 0,
         kBom + "2,鈴木\r\n"},
        {"save u.csv --encoding shift-jis -o o.csv", 0, ReadBytes(Path("u.csv"))},
        {"save bad.csv -o o.csv", 1, "old"},
        {"save s.csv --encoding utf-8 -o o.csv", 1, "old"},
        {"save u.csv --output-encoding latin1 -o o.csv", 2, "old"},
    };
    for (const Case& c : cases) {
        MakeFile("o.csv", "old");
        EXPECT_EQ(Run(c.args), c.status) << c.args << "\n" << Err();
        EXPECT_EQ(ReadBytes(Path("o.csv")), c.out) << c.args;
    }
}

}  // namespace
}  // namespace tesmora
