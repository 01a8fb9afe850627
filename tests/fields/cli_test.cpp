// tesmora-cli field-delete and field-paste: exit status and output bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_fixture.h"

namespace tesmora {
namespace {

using testing::ReadBytes;

using FieldCliTest = testing::CliTest;

TEST_F(FieldCliTest, EditsAndWritesCrLfRecords) {
    MakeFile("in.csv", "a,b,c,d\nx\np,q,r");
    struct Case {
        const char* args;
        const char* output;
    } cases[] = {
        {"field-delete --field 1", "a,c,d\r\nx\r\np,r\r\n"},
        {"field-delete --from 1 --to 2", "a,d\r\nx\r\np\r\n"},
        {"field-delete --from 0 --to 0", "b,c,d\r\n\r\nq,r\r\n"},
        {"field-paste --copy 0 --target 2 --side over", "a,b,a,d\r\nx\r\np,q,p\r\n"},
        {"field-paste --copy 3 --target 1 --side left", "a,d,b,c,d\r\nx\r\np,,q,r\r\n"},
        {"field-paste --cut 3 --target 0 --side right", "a,d,b,c\r\nx,\r\np,,q,r\r\n"},
        {"field-paste --cut 1 --target 9 --side over", "a,b,c,d\r\nx\r\np,q,r\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(std::string(c.args) + " in.csv -o out.csv"), 0) << c.args << Err();
        EXPECT_EQ(ReadBytes(Path("out.csv")), c.output) << c.args;
    }
    EXPECT_EQ(ReadBytes(Path("in.csv")), "a,b,c,d\nx\np,q,r");  // never changed
}

TEST_F(FieldCliTest, UsageErrorsExitTwoAndWriteNothing) {
    MakeFile("in.csv", "a,b\r\n");
    const char* bad[] = {
        "field-delete in.csv -o out.csv",
        "field-delete --field 1 --from 0 --to 1 in.csv -o out.csv",
        "field-delete --from 1 in.csv -o out.csv",
        "field-delete --from 2 --to 1 in.csv -o out.csv",
        "field-delete --field -1 in.csv -o out.csv",
        "field-delete --field x in.csv -o out.csv",
        "field-delete --field 1 in.csv",
        "field-paste --copy 0 --target 1 in.csv -o out.csv",
        "field-paste --copy 0 --cut 1 --target 1 --side over in.csv -o out.csv",
        "field-paste --target 1 --side over in.csv -o out.csv",
        "field-paste --copy 0 --target 1 --side up in.csv -o out.csv",
        "field-paste --cut 0 --target -3 --side left in.csv -o out.csv",
    };
    for (const char* args : bad) {
        EXPECT_EQ(Run(args), 2) << args;
        EXPECT_NE(Err(), "") << args;
        EXPECT_FALSE(std::filesystem::exists(Path("out.csv"))) << args;
    }
}

TEST_F(FieldCliTest, RefusedEditExitsOneAndKeepsOutput) {
    MakeFile("in.csv", "a," + std::string(4000, 'x') + "\r\n");
    MakeFile("out.csv", "previous");
    EXPECT_EQ(Run("field-paste --copy 1 --target 1 --side right in.csv -o out.csv"), 1);
    EXPECT_NE(Err().find("5,000"), std::string::npos) << Err();
    EXPECT_EQ(ReadBytes(Path("out.csv")), "previous");
    EXPECT_EQ(Run("field-delete --field 0 missing.csv -o out.csv"), 1);
    EXPECT_EQ(ReadBytes(Path("out.csv")), "previous");
}

}  // namespace
}  // namespace tesmora
