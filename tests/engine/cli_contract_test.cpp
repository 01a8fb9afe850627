// The batch front end's contract with its commands: the options come from
// the usage text, and no command touches the settings (the batch store
// aborts on any use, so a command that did would not exit normally).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "cli.h"
#include "engine_fixture.h"

namespace tesmora {
namespace {

using cli::Commands;
using cli::DeclaredOptions;
using cli::FindCommand;

TEST(CliUsageTest, OptionsAreWhatTheUsageTextDeclares) {
    using Options = std::map<std::string, bool>;
    const Options common{
        {"first-rec", true}, {"encoding", true}, {"output-encoding", true}, {"verbose", false}};
    std::map<std::string, Options> expected{
        {"sort", {{"key", true}, {"desc", false}}},
        {"delete",
         {{"from", true},
          {"to", true},
          {"word1", true},
          {"word2", true},
          {"and", false},
          {"or", false},
          {"delete-matching", false},
          {"keep-matching", false}}},
        {"save", {}},
    };
    for (auto& [name, options] : expected) options.insert(common.begin(), common.end());
    for (const auto& [name, options] : expected) {
        ASSERT_NE(FindCommand(name), nullptr) << name;
        EXPECT_EQ(DeclaredOptions(*FindCommand(name)), options) << name;
    }
    for (const cli::Command* c : Commands()) {
        EXPECT_TRUE(DeclaredOptions(*c).count("first-rec")) << c->name;
        EXPECT_NE(cli::Usage(*c).find(c->name), std::string::npos) << c->name;
    }
    const std::vector<std::string> unknown{"--bogus", "in.csv"};
    EXPECT_THROW(cli::ParseArgs(*FindCommand("stats"), unknown), cli::UsageError);
    const std::vector<std::string> missing{"--key"};
    EXPECT_THROW(cli::ParseArgs(*FindCommand("sort"), missing), cli::UsageError);
}

using CliContractTest = testing::CliTest;

// One successful run of every command; a command added without a row here fails.
TEST_F(CliContractTest, EveryCommandRunsWithoutSettings) {
    MakeFile("in.csv", "b,1,x\r\na,1,y\r\n");
    MakeFile("more.csv", "h\r\nc,3,z\r\n");
    MakeFile("set.cng",
             "a\x14"
             "c\r\n");
    MakeFile("steps.txt", "sort --key 0\nfield-delete --field 1\n");
    const std::map<std::string, std::string> runs{
        {"stats", "stats in.csv more.csv"},
        {"save", "save in.csv more.csv --first-rec 2 -o out.csv"},
        {"sort", "sort --key 0 in.csv -o out.csv"},
        {"dedupe", "dedupe --key 1 --mode 0 in.csv -o out.csv"},
        {"delete", "delete --from 0 --to 1 --word1 a --keep-matching in.csv -o out.csv"},
        {"reclen", "reclen --length 3 in.csv -o out.csv"},
        {"fieldlen", "fieldlen --field 0 --length 2 --fill '*' in.csv -o out.csv"},
        {"field-delete", "field-delete --from 0 --to 1 in.csv -o out.csv"},
        {"field-paste", "field-paste --cut 2 --target 0 --side left in.csv -o out.csv"},
        {"csv2txt", "csv2txt --separator ' | ' in.csv -o out.csv"},
        {"txt2csv", "txt2csv --splits 2,1 in.csv -o out.csv"},
        {"tailadd", "tailadd --key 2 --other more.csv --other-key 2 in.csv -o out.csv"},
        {"lookup", "lookup --target 0 --other more.csv --compare 0 --replace 1 in.csv -o out.csv"},
        {"replace", "replace --pairs set.cng --from 0 --to 2 --once in.csv -o out.csv"},
        {"run", "run steps.txt in.csv more.csv -o out.csv"},
    };
    std::set<std::string> listed;
    for (const cli::Command* c : Commands()) listed.insert(c->name);
    for (const std::string& name : listed) {
        const auto it = runs.find(name);
        ASSERT_NE(it, runs.end()) << "no run for command " << name;
        EXPECT_EQ(Run(it->second), 0) << it->second << Err();
    }
}

}  // namespace
}  // namespace tesmora
