// Every run refuses quietly when no document is open.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine_fixture.h"
#include "tesmora/ops/duplicates.h"
#include "tesmora/ops/field_length.h"
#include "tesmora/ops/line_delete.h"
#include "tesmora/ops/record_length.h"
#include "tesmora/ops/sort.h"

namespace tesmora {
namespace {

class NoDocumentTest : public testing::EngineTest {};

TEST_F(NoDocumentTest, RunsRefuseWithoutADocument) {
    LineDeleteRequest words;
    words.word1 = "a";
    FieldLengthRequest fill;
    fill.fill_text = "*";
    const std::vector<std::function<bool(Document&)>> runs = {
        [](Document& d) { return RunSort(d, SortRequest{}); },
        [](Document& d) { return RunDuplicates(d, DuplicateRequest{}); },
        [&](Document& d) { return RunLineDelete(d, words); },
        [](Document& d) {
            return RunRecordLength(d, RecordLengthRequest{true, 10});
        },
        [&](Document& d) { return RunFieldLength(d, fill); },
    };
    for (const auto& run : runs) {
        EXPECT_FALSE(run(*doc));
        EXPECT_FALSE(doc->IsOpen());
        EXPECT_FALSE(doc->Modified());
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(doc->OutputFileName().empty());
}

}  // namespace
}  // namespace tesmora
