// The status line after an operation or an undo: time, record count before
// and after, and the records rewritten where the pass counts them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine_fixture.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/ops/lookup.h"
#include "tesmora/ops/replace.h"

namespace tesmora {
namespace {

using testing::EngineTest;

struct StatusCase {
    const char* name;
    std::function<bool(Document&)> run;
    const char* status;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusLineTest : public EngineTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusLineTest, SaysHowTheRecordsChanged) {
    ASSERT_TRUE(doc->OpenDocument(MakeFile("in.csv", "a,1\r\nb,2\r\nc,3\r\na,4\r\n")));
    MakeFile("other.csv", "a,X\r\nb,b\r\n");
    ASSERT_TRUE(GetParam().run(*doc));
    EXPECT_EQ(progress.status, GetParam().status);
}

bool DropFirst(Document& doc, TextWriter& out) {
    TextReader reader = doc.Records();
    Line line;
    for (bool first = true; reader.Next(line); first = false)
        if (!first) out.WriteRecord(line.text);
    return true;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, StatusLineTest,
    ::testing::Values(StatusCase{"FewerRecords",
                                 [](Document& d) { return RunOperation(d, DropFirst); },
                                 "00:00:00  4 → 3 レコード"},
                      StatusCase{"Undo",
                                 [](Document& d) { return RunOperation(d, DropFirst) && d.Undo(); },
                                 "00:00:00  3 → 4 レコード"},
                      // "b" becomes "b": looked up, but not changed.
                      StatusCase{"Lookup",
                                 [](Document& d) {
                                     LookupRequest r;
                                     r.target = FieldIndex{0};
                                     r.other = std::filesystem::path(d.CurrentFileName())
                                                   .replace_filename("other.csv")
                                                   .string();
                                     r.compare = FieldIndex{0};
                                     r.replacement = FieldIndex{1};
                                     return RunLookup(d, r);
                                 },
                                 "00:00:00  4 → 4 レコード  2 件変更"},
                      // "a" -> "a" puts back what it finds: only the records with "c" change.
                      StatusCase{"Replacement",
                                 [](Document& d) {
                                     ReplaceRequest r;
                                     r.first = FieldIndex{0};
                                     r.last = FieldIndex{1};
                                     r.before_list = "a\r\nc\r\n";
                                     r.after_list = "a\r\nz\r\n";
                                     return RunReplace(d, r);
                                 },
                                 "00:00:00  4 → 4 レコード  1 件変更"}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST(StatusLine, GroupsThousands) {
    EXPECT_EQ(StatusLine(3725, {2100000, 2099990, -1}), "01:02:05  2,100,000 → 2,099,990 レコード");
    EXPECT_EQ(StatusLine(0, {1000, 1000, 999}), "00:00:00  1,000 → 1,000 レコード  999 件変更");
}

}  // namespace
}  // namespace tesmora
