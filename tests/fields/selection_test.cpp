// Selection by mouse and keys, the marks, and the context menu's rules.
#include <gtest/gtest.h>

#include <vector>

#include "tesmora/document/messages.h"
#include "tesmora/ops/field_edit.h"

namespace tesmora {
namespace {

ViewState State(int start, int end, int copy = -1, int cut = -1) {
    ViewState s;
    s.sel_start = FieldIndex{start};
    s.sel_end = FieldIndex{end};
    s.copy_mark = FieldIndex{copy};
    s.cut_mark = FieldIndex{cut};
    return s;
}

struct Sel {
    int start, end;
    bool operator==(const Sel&) const = default;
};
Sel Of(const ViewState& s) {
    return {s.sel_start.value, s.sel_end.value};
}
std::ostream& operator<<(std::ostream& os, const Sel& s) {
    return os << "(" << s.start << ", " << s.end << ")";
}

TEST(SelectFieldTest, DoubleClicksBuildAndUndoARange) {
    struct Step {
        int field;
        Sel after;
        bool redraw;
    };
    const Step steps[] = {
        {3, {3, -1}, true},   // first field selected
        {1, {1, 3}, true},    // a lower second field becomes the start
        {2, {1, 3}, false},   // a third field changes nothing
        {1, {3, -1}, true},   // the start leaves: the end is the single field
        {5, {3, 5}, true},    // a higher second field becomes the end
        {5, {3, -1}, true},   // the end leaves
        {3, {-1, -1}, true},  // the single field leaves
    };
    ViewState s;
    for (const Step& step : steps) {
        EXPECT_EQ(SelectField(s, FieldIndex{step.field}), step.redraw) << step.field;
        EXPECT_EQ(Of(s), step.after) << "after " << step.field;
    }
}

TEST(MoveSelectionTest, ArrowKeys) {
    struct Case {
        Sel before;
        int step;
        bool ctrl;
        Sel after;
        bool redraw;
    };
    constexpr int most = 5;
    const Case cases[] = {
        {{-1, -1}, +1, false, {-1, -1}, false},  // nothing selected: keys ignored
        {{-1, -1}, +1, true, {-1, -1}, false},
        {{2, -1}, +1, false, {3, -1}, true},
        {{4, -1}, +1, false, {4, -1}, true},  // stops at most fields - 1
        {{0, -1}, -1, false, {0, -1}, true},  // stops at 0
        {{1, 3}, +1, false, {2, 3}, true},
        {{3, 3}, +1, false, {3, 3}, true},  // the start never passes the end
        {{0, 3}, -1, false, {0, 3}, true},
        {{2, -1}, +1, true, {2, 2}, true},  // first Ctrl+arrow: a one-field range
        {{2, -1}, -1, true, {2, 2}, true},
        {{2, 2}, +1, true, {2, 3}, true},
        {{2, 4}, +1, true, {2, 4}, true},  // end stops at most fields - 1
        {{2, 3}, -1, true, {2, 2}, true},
        {{2, 2}, -1, true, {2, 2}, true},  // narrowed to the start, never removed
    };
    for (const Case& c : cases) {
        ViewState s = State(c.before.start, c.before.end);
        EXPECT_EQ(MoveSelection(s, c.step, c.ctrl, most), c.redraw) << c.before << c.step << c.ctrl;
        EXPECT_EQ(Of(s), c.after) << c.before << " step " << c.step << " ctrl " << c.ctrl;
    }
}

TEST(MoveSelectionTest, ClampKeepsNothingSelectedAsIs) {
    ViewState s = State(-1, -1);
    EXPECT_FALSE(ClampSelectionStart(s, 4));
    EXPECT_EQ(s.sel_start.value, -1);
    s = State(9, -1);
    EXPECT_TRUE(ClampSelectionStart(s, 4));
    EXPECT_EQ(s.sel_start.value, 3);
}

TEST(MarksTest, MarkingOneClearsTheOther) {
    ViewState s;
    MarkCopy(s, FieldIndex{2});
    EXPECT_EQ(s.copy_mark.value, 2);
    MarkCut(s, FieldIndex{4});
    EXPECT_EQ(s.cut_mark.value, 4);
    EXPECT_EQ(s.copy_mark.value, -1);
    MarkCopy(s, FieldIndex{1});
    EXPECT_EQ(s.copy_mark.value, 1);
    EXPECT_EQ(s.cut_mark.value, -1);
}

TEST(ContextMenuTest, PopupFollowsTheMenuFieldAndTheSelection) {
    EXPECT_EQ(PopupFor(State(-1, -1), FieldIndex{0}), FieldPopup::NoSelection);
    EXPECT_EQ(PopupFor(State(2, -1), FieldIndex{2}), FieldPopup::Selection);
    EXPECT_EQ(PopupFor(State(2, 5), FieldIndex{5}), FieldPopup::Selection);
    EXPECT_EQ(PopupFor(State(2, 5), FieldIndex{3}), FieldPopup::NoSelection);
}

TEST(ContextMenuTest, PopupsHoldTheirItemsInOrder) {
    std::vector<int> ids;
    for (const MenuItem& item : PopupItems(FieldPopup::NoSelection)) ids.push_back(item.id);
    EXPECT_EQ(ids, (std::vector<int>{33813, 33827}));
    ids.clear();
    for (const MenuItem& item : PopupItems(FieldPopup::Selection)) ids.push_back(item.id);
    EXPECT_EQ(ids,
              (std::vector<int>{33819, 0, 33821, 33820, 0, 33823, 33824, 33825, 0, 33818, 33829}));
    EXPECT_STREQ(MessageText(PopupItems(FieldPopup::Selection)[5].id),
                 "貼り付け(&P)\t[このフィールドに上書き]");
}

TEST(ContextMenuTest, GreyedItems) {
    struct Case {
        ViewState state;
        std::vector<int> greyed;
    };
    const std::vector<int> all = {33813, 33827, 33819, 33821, 33820,
                                  33823, 33824, 33825, 33818, 33829};
    const Case cases[] = {
        {State(-1, -1), {33827, 33823, 33824, 33825, 33829}},
        {State(2, -1), {33823, 33824, 33825, 33829}},
        {State(2, 4), {33813, 33823, 33824, 33825}},
        {State(2, 4, 1, -1), {33813}},
        {State(2, -1, -1, 0), {33829}},
    };
    for (const Case& c : cases) {
        std::vector<int> greyed;
        for (int id : all)
            if (!IsCommandEnabled(c.state, id)) greyed.push_back(id);
        EXPECT_EQ(greyed, c.greyed) << Of(c.state);
    }
}

}  // namespace
}  // namespace tesmora
