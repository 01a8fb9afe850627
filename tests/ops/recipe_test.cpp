// The operations table, its request <-> arguments pairs, the recipe reader
// and `tesmora-cli run`.
#include "tesmora/ops/recipe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "cli.h"
#include "engine_fixture.h"
#include "tesmora/document/codepage.h"

namespace tesmora {
namespace {

std::string Sjis(const char* utf8) {
    return *Utf8ToCp932(utf8);
}

struct RoundTrip {
    const char* name;
    AnyRequest request;
};

// Requests as the batch builds them: every option each command takes, and
// words that need quoting in a recipe.
std::vector<RoundTrip> RoundTrips() {
    return {
        {"csv2txt delete", CsvToTxtRequest{CommaMode::Delete, {}}},
        {"csv2txt keep", CsvToTxtRequest{CommaMode::Keep, {}}},
        {"csv2txt separator", CsvToTxtRequest{CommaMode::Replace, Sjis(" ｜ ")}},
        {"txt2csv", TxtToCsvRequest{{12, 3, 40}, true}},
        {"txt2csv no trim", TxtToCsvRequest{{1}, false}},
        {"sort", SortRequest{FieldIndex{2}, false}},
        {"sort desc", SortRequest{FieldIndex{0}, true}},
        {"dedupe", DuplicateRequest{FieldIndex{1}, DuplicateMode{3}, true}},
        {"delete or",
         LineDeleteRequest{FieldIndex{0}, FieldIndex{6}, false, Sjis("解約 希望"), {}, true}},
        {"delete and, quotes",
         LineDeleteRequest{FieldIndex{2}, FieldIndex{2}, true, "#1", "say \"hi\" \\", false}},
        {"reclen longest", RecordLengthRequest{false, 100}},
        {"reclen length", RecordLengthRequest{true, 80}},
        {"fieldlen fill space", FieldLengthRequest{FieldIndex{3}, 10, true, true, " "}},
        {"fieldlen no fill", FieldLengthRequest{FieldIndex{0}, 1, false, false, {}}},
        {"tailadd", TailAddRequest{FieldIndex{1}, "/data/my codes.csv", FieldIndex{0}, true}},
        {"lookup", LookupRequest{FieldIndex{2}, "codes.csv", FieldIndex{0}, FieldIndex{1}}},
        {"replace", ReplaceStep{ReplaceRequest{FieldIndex{0}, FieldIndex{6}, true, {}, {}},
                                "clean.cng", true}},
        {"replace all pairs",
         ReplaceStep{ReplaceRequest{FieldIndex{1}, FieldIndex{1}, false, {}, {}}, "a#b.cng",
                     false}},
        {"field-delete one", FieldDeleteRequest{FieldIndex{4}, FieldIndex{4}}},
        {"field-delete range", FieldDeleteRequest{FieldIndex{1}, FieldIndex{3}}},
        {"field-paste cut left",
         FieldPasteRequest{FieldIndex{2}, true, FieldIndex{0}, PasteSide::Left}},
        {"field-paste copy over",
         FieldPasteRequest{FieldIndex{0}, false, FieldIndex{5}, PasteSide::Over}},
    };
}

TEST(OperationsTableTest, RequestsGoToArgumentsAndBack) {
    for (const RoundTrip& row : RoundTrips()) {
        const Words words = StepWords(row.request);
        const Operation* op = FindOperation(words.at(0));
        ASSERT_NE(op, nullptr) << row.name;
        EXPECT_EQ(ParseStep(*op, Words(words.begin() + 1, words.end())), row.request) << row.name;
        // And through a recipe line, quoting included.
        const std::string line = RecipeLine(row.request, "");
        const Recipe recipe = ParseRecipe(line + "\n", "");
        ASSERT_TRUE(recipe.errors.empty())
            << row.name << ": " << line << ": " << recipe.errors[0].what;
        ASSERT_EQ(recipe.steps.size(), 1u) << row.name;
        EXPECT_EQ(recipe.steps[0].request, row.request) << row.name << ": " << line;
    }
}

TEST(OperationsTableTest, EveryOperationHasOneRowWithItsPair) {
    std::set<std::size_t> alternatives;
    std::set<std::string> commands, tried;
    for (const Operation& op : Operations()) {
        EXPECT_TRUE(op.parse && op.print) << op.command;
        EXPECT_TRUE(alternatives.insert(op.request_index).second) << op.command;
        EXPECT_EQ(cli::FindCommand(op.command)->usage, op.usage) << op.command;
        commands.insert(op.command);
    }
    EXPECT_EQ(alternatives.size(), std::variant_size_v<AnyRequest>);
    for (const RoundTrip& row : RoundTrips()) tried.insert(StepWords(row.request).at(0));
    EXPECT_EQ(tried, commands) << "a command without a round trip";
    // Every command that changes records besides save and run is a row.
    for (const cli::Command* c : cli::Commands()) {
        const std::string name = c->name;
        if (c->changes_records && name != "save" && name != "run") {
            EXPECT_TRUE(FindOperation(name)) << name;
        }
    }
    // Every request an operation header declares has its alternative
    // (the replacement's as ReplaceStep).
    int declared = 0;
    const std::regex request("^struct \\w+Request \\{");
    for (const auto& entry :
         std::filesystem::directory_iterator(TESMORA_SOURCE_DIR "/src/ops/include/tesmora/ops")) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);)
            declared += std::regex_search(line, request);
    }
    EXPECT_EQ(declared, static_cast<int>(std::variant_size_v<AnyRequest>));
}

TEST(RecipeReaderTest, SplitsWordsAsTheContractSays) {
    const struct {
        const char* line;
        Words words;
    } rows[] = {
        {"sort --key 2", {"sort", "--key", "2"}},
        {"  sort\t--key   2  ", {"sort", "--key", "2"}},
        {"delete --word1 \"解約 希望\"", {"delete", "--word1", "解約 希望"}},
        {R"(x "say \"hi\"" "a\\b" "c\d")", {"x", "say \"hi\"", "a\\b", "c\\d"}},
        {"x \"\" y", {"x", "", "y"}},
        {"x \"#\" # comment \"", {"x", "#"}},
        {"x a#b", {"x", "a#b"}},
        {"# all comment", {}},
        {"x ab\"c d\"e", {"x", "abc de"}},
        {"sort --key 2\r", {"sort", "--key", "2"}},
    };
    for (const auto& row : rows) EXPECT_EQ(SplitRecipeLine(row.line), row.words) << row.line;
    EXPECT_THROW(SplitRecipeLine("delete --word1 \"open"), UsageError);
    EXPECT_THROW(SplitRecipeLine(R"(x "ends in \")"), UsageError);
}

TEST(RecipeReaderTest, ErrorsNameTheirLinesAndStepsKeepTheirs) {
    const Recipe r = ParseRecipe(
        "\xEF\xBB\xBF# tesmora recipe\n"
        "sort --key 2\r\n"
        "\n"
        "stats\n"
        "  # indented comment\n"
        "dedupe --key 1 --mode 9\n"
        "nosuch --key 1\n"
        "fieldlen --field 1 --length 3 in.csv\n"
        "delete --from 0 --to 1 --word1 \"x\n"
        "reclen --longest   # pad\n",
        "");
    ASSERT_EQ(r.steps.size(), 2u);
    EXPECT_EQ(r.steps[0].line, 2);
    EXPECT_EQ(r.steps[1].line, 10);
    std::vector<int> lines;
    for (const RecipeError& e : r.errors) lines.push_back(e.line);
    EXPECT_EQ(lines, (std::vector<int>{4, 6, 7, 8, 9}));
}

TEST(RecipeReaderTest, OtherFilesLieRelativeToTheRecipe) {
    const std::string folder = "/work/monthly";
    const Recipe r = ParseRecipe(
        "lookup --target 2 --other codes.csv --compare 0 --replace 1\n"
        "tailadd --key 0 --other /srv/x.csv --other-key 0\n"
        "replace --pairs sets/clean.cng --from 0 --to 6\n",
        folder);
    ASSERT_EQ(r.steps.size(), 3u);
    EXPECT_EQ(std::get<LookupRequest>(r.steps[0].request).other, "/work/monthly/codes.csv");
    EXPECT_EQ(std::get<TailAddRequest>(r.steps[1].request).other, "/srv/x.csv");
    EXPECT_EQ(std::get<ReplaceStep>(r.steps[2].request).pairs, "/work/monthly/sets/clean.cng");
    // Written back: inside the folder relative, outside as it is.
    EXPECT_EQ(RecipeLine(r.steps[0].request, folder),
              "lookup --target 2 --other codes.csv --compare 0 --replace 1");
    EXPECT_EQ(RecipeLine(r.steps[1].request, folder),
              "tailadd --key 0 --other /srv/x.csv --other-key 0");
    EXPECT_EQ(RecipeLine(r.steps[2].request, folder),
              "replace --pairs sets/clean.cng --from 0 --to 6");
    EXPECT_EQ(RecipeLine(r.steps[2].request, "/work/other"),
              "replace --pairs /work/monthly/sets/clean.cng --from 0 --to 6");
}

class RecipeRunTest : public testing::CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        MakeFile("in.csv", "3,b,東京,解約 希望\r\n1,a,大阪,\r\n2,a,東京,継続\r\n1,c,福岡,\r\n");
        MakeFile("codes.csv", "東京,T01\r\n大阪,O02\r\n");
        MakeFile("set.cng",
                 "a\x14"
                 "A\r\nT0\x14"
                 "T-\r\n");
    }
};

TEST_F(RecipeRunTest, StepsGiveWhatTheCommandsGiveOneAtATime) {
    const std::vector<std::string> steps{
        "sort --key 0",
        "delete --from 0 --to 3 --word1 \"解約 希望\" --delete-matching",
        "lookup --target 2 --other codes.csv --compare 0 --replace 1",
        "replace --pairs set.cng --from 0 --to 3",
        "dedupe --key 0 --mode 0",
        "fieldlen --field 1 --length 4 --fill \"*\"",
    };
    std::string recipe = "# tesmora recipe\n";
    std::string previous = "in.csv";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        recipe += steps[i] + "\n";
        const std::string out = "step" + std::to_string(i) + ".csv";
        ASSERT_EQ(Run(steps[i] + " " + previous + " -o " + out), 0) << steps[i] << Err();
        previous = out;
    }
    MakeFile("month.txt", recipe);
    // From another folder: the recipe's files are found beside it.
    ASSERT_EQ(RunShell("mkdir -p elsewhere && cd elsewhere && {CLI} run ../month.txt ../in.csv "
                       "-o ../run.csv")
                  .status,
              0);
    EXPECT_EQ(testing::ReadBytes(Path("run.csv")), testing::ReadBytes(Path(previous)));
}

TEST_F(RecipeRunTest, AMalformedLineRunsNothingAndARefusalNamesItsLine) {
    MakeFile("out.csv", "old\r\n");
    MakeFile("bad.txt", "sort --key 0\n\nsort --kee 1\n");
    EXPECT_EQ(Run("run bad.txt in.csv -o out.csv"), 2);
    EXPECT_NE(Err().find("bad.txt:3: unknown option --kee"), std::string::npos) << Err();
    MakeFile("refuses.txt", "sort --key 0\n# then\nreclen --length 40\nreclen --longest\n");
    EXPECT_EQ(Run("run refuses.txt in.csv -o out.csv"), 1);
    EXPECT_NE(Err().find("refuses.txt:4: "), std::string::npos) << Err();
    EXPECT_EQ(testing::ReadBytes(Path("out.csv")), "old\r\n");
}

// The document's history: what the recipe runner and the recipe file keep.
class HistoryTest : public testing::EngineTest {
  protected:
    const std::string kMembers = "3,b,x\r\n1,a,y\r\n2,a,x\r\n1,c,z\r\n";
    void SetUp() override {
        EngineTest::SetUp();
        std::filesystem::create_directories(dir_ / "r");
        MakeFile("r/codes.csv", "x,X1\r\ny,Y1\r\n");
        ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", kMembers)));
    }
    std::vector<std::string> Lines() {
        std::vector<std::string> out;
        for (const HistoryStep& s : doc->History()) {
            std::string line;
            for (const std::string& w : s.words) line += (line.empty() ? "" : " ") + w;
            out.push_back(line + " =" + std::to_string(s.records));
        }
        return out;
    }
};

TEST_F(HistoryTest, StepsSavedAsARecipeReplayToTheSameRecordsWithOneUndo) {
    ASSERT_TRUE(RunStep(*doc, SortRequest{FieldIndex{0}, false}));
    ASSERT_TRUE(RunStep(*doc, DuplicateRequest{FieldIndex{0}, DuplicateMode::KeepFirst, false}));
    ASSERT_TRUE(RunStep(
        *doc, LookupRequest{FieldIndex{2}, Path("r/codes.csv"), FieldIndex{0}, FieldIndex{1}}));
    // Pairs typed in the dialog: no file yet.
    ReplaceStep typed{
        ReplaceRequest{FieldIndex{0}, FieldIndex{2}, false, "a\r\nX\r\n", "A\r\nx\r\n"}, "", false};
    ASSERT_TRUE(RunStep(*doc, typed));
    ASSERT_TRUE(RunStep(*doc, FieldDeleteRequest{FieldIndex{1}, FieldIndex{1}}));
    EXPECT_TRUE(doc->Undo());  // removes the field deletion
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"sort --key 0 =4", "dedupe --key 0 --mode 0 =3",
                                        "lookup --target 2 --other " + Path("r/codes.csv") +
                                            " --compare 0 --replace 1 =3",
                                        "replace --pairs  --from 0 --to 2 =3"}));
    const std::vector<std::string> expected = Records();
    ASSERT_TRUE(SaveRecipe(*doc, Path("r/monthly.txt"), "2026-12-10"));
    const std::string text = testing::ReadBytes(Path("r/monthly.txt"));
    EXPECT_NE(text.find("\nlookup --target 2 --other codes.csv "), std::string::npos) << text;
    EXPECT_NE(text.find("\nreplace --pairs monthly-4.cng "), std::string::npos) << text;
    EXPECT_EQ(testing::ReadBytes(Path("r/monthly-4.cng")),
              "a\x14"
              "A\r\nX\x14x\r\n");

    // The next month: open the original again and run the recipe.
    doc->SetModified(false);
    ASSERT_TRUE(doc->OpenDocument(Path("in.csv")));
    EXPECT_TRUE(doc->History().empty());
    ASSERT_TRUE(RunRecipe(*doc, Path("r/monthly.txt")));
    EXPECT_EQ(Records(), expected);
    EXPECT_EQ(doc->History().size(), 4u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(testing::ReadBytes(doc->WorkingFileName()), kMembers);
    EXPECT_TRUE(doc->History().empty());
}

TEST_F(HistoryTest, ABadLineRunsNothingAndARefusalLeavesTheDocument) {
    MakeFile("r/bad.txt", "sort --key 0\n# fine so far\nsort --key -1\n");
    EXPECT_FALSE(RunRecipe(*doc, Path("r/bad.txt")));
    ASSERT_FALSE(messages.texts.empty());
    EXPECT_NE(messages.texts.back().find("3行目: --key must be 0 or more"), std::string::npos)
        << messages.texts.back();
    MakeFile("r/refuses.txt", "sort --key 0\nreclen --length 5\nreclen --longest\n");
    EXPECT_FALSE(RunRecipe(*doc, Path("r/refuses.txt")));
    EXPECT_NE(messages.texts.back().find("3行目: "), std::string::npos) << messages.texts.back();
    EXPECT_EQ(Records(), (std::vector<std::string>{"3,b,x", "1,a,y", "2,a,x", "1,c,z"}));
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_TRUE(doc->History().empty());
}

TEST_F(HistoryTest, AJoinStartsTheHistoryAgain) {
    ASSERT_TRUE(RunStep(*doc, SortRequest{FieldIndex{0}, false}));
    LoadOptions join;
    join.order = AppendOrder::AsGiven;
    ASSERT_TRUE(doc->OpenFiles({MakeFile("more.csv", "9,z,z\r\n")}, join));
    EXPECT_TRUE(doc->History().empty());
    EXPECT_TRUE(doc->HistoryRestarted());
    ASSERT_TRUE(RunStep(*doc, SortRequest{FieldIndex{1}, true}));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"sort --key 1 --desc =5"}));
}

}  // namespace
}  // namespace tesmora
