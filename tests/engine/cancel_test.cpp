// Stopping long work from the progress sink: every command ends as a failure
// without a message, and the document, its undo, its files and the user's
// files are as they were.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/ops/sort.h"

namespace tesmora {
namespace {

using testing::ReadBytes;

// Throws Cancelled at the n-th position past 0, once, as the desktop's
// status bar does when its cancel button is pressed.
class StoppingProgress : public IProgressSink {
  public:
    int stop_at = 0;  // 0: never
    int seen = 0;
    std::string status;
    void SetRange(int) override {}
    void SetPos(int pos) override {
        if (pos > 0 && stop_at > 0 && ++seen == stop_at) throw Cancelled{};
    }
    void SetStatusText(const std::string& text) override { status = text; }
};

class CancelTest : public testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        doc = std::make_unique<Document>(messages, stopping, settings, view);
        for (int i = 0; i < 3000; ++i) body.append("r").append(std::to_string(i)).append(",x\r\n");
    }
    StoppingProgress stopping;
    std::string body;
};

bool SortByFirstField(Document& d) {
    SortRequest s;
    s.key_field = FieldIndex{0};
    return RunSort(d, s);
}

TEST_F(CancelTest, StoppedCommandsLeaveEverythingAsItWas) {
    const std::string path = MakeFile("a.csv", body);
    const std::string utf8 = MakeFile("u.csv", "\xEF\xBB\xBF" + body + "x,東京\r\n");
    // Large enough to be indexed beside its copy, written through the
    // writer's second thread and sorted by two key readers.
    std::string large_body;
    for (int i = 0; i < 400000; ++i)
        large_body.append("r")
            .append(std::to_string(i % 977))
            .append(",xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\r\n");
    const std::string large = MakeFile("large.csv", large_body);
    struct Case {
        const char* name;
        bool opened_first;  // the command runs on an open document with one undo level
        std::function<bool(Document&)> command;
        const std::string* file = nullptr;  // the document's file, when not a.csv
        int stop_at = 1;                    // the progress position that stops it
    } cases[] = {
        {"operation", true, [](Document& d) { return RunOperation(d, testing::CopyStepping); }},
        {"undo", true, [](Document& d) { return d.Undo(); }},
        {"append", true, [&](Document& d) { return d.AppendFile(path, 1); }},
        {"save as", true, [&](Document& d) { return d.SaveAs(Path("new.csv")); }},
        {"open", false, [&](Document& d) { return d.OpenDocument(path); }},
        {"open utf-8", false, [&](Document& d) { return d.OpenDocument(utf8); }},
        {"open large", false, [&](Document& d) { return d.OpenDocument(large); }},
        {"operation large", true,
         [](Document& d) { return RunOperation(d, testing::CopyStepping); }, &large, 3000},
        {"sort large, keys", true, SortByFirstField, &large},
        {"sort large, writing", true, SortByFirstField, &large, 6000},
    };
    for (const Case& c : cases) {
        doc = std::make_unique<Document>(messages, stopping, settings, view);
        stopping.stop_at = 0;
        if (c.opened_first) {
            ASSERT_TRUE(doc->OpenDocument(c.file ? *c.file : path)) << c.name;
            ASSERT_TRUE(RunOperation(*doc, testing::CopyStepping)) << c.name;
            doc->View().sel_start = FieldIndex{1};
        }
        const int temps = RecordedTempCount();
        const std::string working = doc->WorkingFileName();
        const std::int64_t records = doc->Stats().records;
        const bool can_undo = doc->CanUndo();
        messages.shown.clear();
        stopping.seen = 0;
        stopping.stop_at = c.stop_at;
        EXPECT_FALSE(c.command(*doc)) << c.name;
        stopping.stop_at = 0;
        EXPECT_EQ(stopping.status, "中止しました") << c.name;
        EXPECT_TRUE(messages.shown.empty()) << c.name;
        EXPECT_EQ(RecordedTempCount(), temps) << c.name;
        EXPECT_EQ(doc->IsOpen(), c.opened_first) << c.name;
        EXPECT_FALSE(std::filesystem::exists(Path("new.csv"))) << c.name;
        if (!c.opened_first) continue;
        EXPECT_EQ(doc->WorkingFileName(), working) << c.name;
        EXPECT_EQ(doc->Stats().records, records) << c.name;
        EXPECT_EQ(doc->CanUndo(), can_undo) << c.name;
        EXPECT_EQ(doc->View().sel_start.value, 1) << c.name;
        EXPECT_EQ(static_cast<std::int64_t>(Records().size()), records) << c.name;
        // Still whole: the next command works.
        EXPECT_TRUE(RunOperation(*doc, testing::CopyStepping)) << c.name;
    }
    EXPECT_EQ(ReadBytes(path), body);
    EXPECT_TRUE(ReadBytes(large) == large_body);
}

}  // namespace
}  // namespace tesmora
