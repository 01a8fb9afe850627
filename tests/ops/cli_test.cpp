// tesmora-cli sort, dedupe, delete, reclen and fieldlen: exit status and output bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine_fixture.h"

namespace tesmora {
namespace {

using testing::ReadBytes;

using OpsCliTest = testing::CliTest;

TEST_F(OpsCliTest, CommandsWriteTheirRecords) {
    MakeFile("in.csv", "b,10,x\nc,9\na,1,x\nd,9 ,y");
    MakeFile("dup.csv", "1,A\r\n2,B\r\n3,B\r\n4,\r\n5,C\r\n");
    MakeFile("sp.csv", "1,a b\r\n2,ab\r\n3,a\r\n");
    MakeFile("fixed.txt", "abcdef\r\nab\r\n\x82\xa0\x82\xa0\r\n");
    struct Case {
        const char* args;
        const char* output;
    } cases[] = {
        {"sort --key 1 in.csv", "a,1,x\r\nb,10,x\r\nc,9\r\nd,9 ,y\r\n"},
        {"sort --key 1 --desc in.csv", "d,9 ,y\r\nc,9\r\nb,10,x\r\na,1,x\r\n"},
        {"sort --key 2 in.csv", "c,9\r\nb,10,x\r\na,1,x\r\nd,9 ,y\r\n"},
        {"dedupe --key 1 --mode 0 dup.csv", "1,A\r\n2,B\r\n4,\r\n5,C\r\n"},
        {"dedupe --key 1 --mode 1 dup.csv", "1,A\r\n4,\r\n5,C\r\n"},
        {"dedupe --key 1 --mode 2 dup.csv", "2,B\r\n"},
        {"dedupe --key 1 --mode 3 dup.csv", "2,B\r\n3,B\r\n"},
        {"dedupe --key 1 --mode 3 --ignore-spaces sp.csv", "1,a b\r\n2,ab\r\n"},
        {"dedupe --key 1 --mode 3 sp.csv", ""},
        {"delete --from 1 --to 2 --word1 x --delete-matching in.csv", "c,9\r\nd,9 ,y\r\n"},
        {"delete --from 1 --to 2 --word1 x --word2 10 --and --keep-matching in.csv", "b,10,x\r\n"},
        {"delete --from 0 --to 0 --word1 a --word2 d --keep-matching in.csv",
         "a,1,x\r\nd,9 ,y\r\n"},
        {"reclen --longest fixed.txt", "abcdef\r\nab    \r\n\x82\xa0\x82\xa0  \r\n"},
        {"reclen --length 3 fixed.txt", "abc\r\nab \r\n\x82\xa0 \r\n"},
        {"fieldlen --field 1 --length 3 in.csv", "b,10 ,x\r\nc,9  \r\na,1  ,x\r\nd,9  ,y\r\n"},
        {"fieldlen --field 1 --length 1 --keep-end --fill '#' in.csv",
         "b,0,x\r\nc,9\r\na,1,x\r\nd, ,y\r\n"},
        {"fieldlen --field 2 --length 2 --fill '*' in.csv",
         "b,10,x*\r\nc,9\r\na,1,x*\r\nd,9 ,y*\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(std::string(c.args) + " -o out.txt"), 0) << c.args << Err();
        EXPECT_EQ(ReadBytes(Path("out.txt")), c.output) << c.args;
    }
    EXPECT_EQ(ReadBytes(Path("in.csv")), "b,10,x\nc,9\na,1,x\nd,9 ,y");  // never changed
}

TEST_F(OpsCliTest, TextArgumentsAreConvertedToShiftJis) {
    // "あ" is 0x82 0xA0 in code page 932.
    MakeFile("in.csv", "1,\x82\xa0\r\n2,b\r\n");
    EXPECT_EQ(Run("delete --from 1 --to 1 --word1 'あ' --delete-matching in.csv -o out.txt"), 0)
        << Err();
    EXPECT_EQ(ReadBytes(Path("out.txt")), "2,b\r\n");
    EXPECT_EQ(Run("fieldlen --field 1 --length 3 --fill 'ｱ' in.csv -o out.txt"), 0) << Err();
    EXPECT_EQ(ReadBytes(Path("out.txt")), "1,\x82\xa0\xb1\r\n2,b\xb1\xb1\r\n");
}

TEST_F(OpsCliTest, UsageErrorsExitTwoAndWriteNothing) {
    MakeFile("in.csv", "a,b\r\n");
    const char* bad[] = {
        "sort in.csv -o out.txt",
        "sort --key -1 in.csv -o out.txt",
        "sort --key x in.csv -o out.txt",
        "sort --key 1 in.csv",
        "dedupe --key 1 in.csv -o out.txt",
        "dedupe --key 1 --mode 4 in.csv -o out.txt",
        "delete --from 0 --to 1 --word1 a in.csv -o out.txt",
        "delete --from 0 --to 1 --word1 a --delete-matching --keep-matching in.csv -o out.txt",
        "delete --from 0 --to 1 --word1 a --and --or --keep-matching in.csv -o out.txt",
        "delete --from 2 --to 1 --word1 a --keep-matching in.csv -o out.txt",
        "delete --from 0 --to 1 --keep-matching in.csv -o out.txt",
        "delete --from 0 --to 1 --word1 '\xf0\x9f\x98\x80' --keep-matching in.csv -o out.txt",
        "reclen in.csv -o out.txt",
        "reclen --longest --length 5 in.csv -o out.txt",
        "reclen --length 0 in.csv -o out.txt",
        "reclen --length 4999 in.csv -o out.txt",
        "fieldlen --field 0 in.csv -o out.txt",
        "fieldlen --field 0 --length 101 in.csv -o out.txt",
        "fieldlen --field 0 --length 0 in.csv -o out.txt",
    };
    for (const char* args : bad) {
        EXPECT_EQ(Run(args), 2) << args;
        EXPECT_NE(Err(), "") << args;
        EXPECT_FALSE(std::filesystem::exists(Path("out.txt"))) << args;
    }
}

TEST_F(OpsCliTest, RefusalsExitOneWithTheMessageAndKeepTheOutput) {
    MakeFile("in.csv", "a,b\r\n");
    MakeFile("fixed.txt", "abc\r\nxyz");
    MakeFile("out.txt", "previous");
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"reclen --longest fixed.txt", "既に全てのレコード長が同じです"},
        {"delete --from 0 --to 1 --word1 '' --keep-matching in.csv", "文字が入力されていません"},
        {"fieldlen --field 0 --length 3 --fill '' in.csv", "文字が入力されていません"},
        {"fieldlen --field 0 --length 3 --fill ab in.csv", "１バイト文字１個を入力してください"},
        {"fieldlen --field 0 --length 3 --fill 'あ' in.csv", "１バイト文字１個を入力してください"},
        {"fieldlen --field 0 --length 3 --fill , in.csv", ",(コンマ)を含むことはできません"},
        {"sort --key 0 missing.csv", "ファイルのオープンに失敗"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(std::string(c.args) + " -o out.txt"), 1) << c.args;
        EXPECT_NE(Err().find(c.message), std::string::npos) << c.args << ": " << Err();
        EXPECT_EQ(ReadBytes(Path("out.txt")), "previous") << c.args;
    }
}

}  // namespace
}  // namespace tesmora
