// The single-record edits: delete a field or a range, paste a marked field.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tesmora/ops/field_edit.h"

namespace tesmora {
namespace {

struct DeleteCase {
    const char* record;
    int first, last;
    const char* expected;
    friend void PrintTo(const DeleteCase& c, std::ostream* os) {
        *os << '"' << c.record << "\" -> \"" << c.expected << '"';
    }
};

class DeleteTable : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteTable, Edits) {
    const DeleteCase& c = GetParam();
    std::string out = "stale";
    DeleteFieldRange(c.record, FieldIndex{c.first}, FieldIndex{c.last}, out);
    EXPECT_EQ(out, c.expected) << c.record << " delete " << c.first << ".." << c.last;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DeleteTable,
    ::testing::Values(DeleteCase{"a,b,c", 1, 1, "a,c"}, DeleteCase{"a,b,c", 2, 2, "a,b"},
                      DeleteCase{"a,b,c", 0, 0, "b,c"}, DeleteCase{"x", 0, 0, ""},
                      // The empty last field is a field like any other: it stays.
                      DeleteCase{"a,b,", 1, 1, "a,"}, DeleteCase{"a,b,", 2, 2, "a,b"},
                      DeleteCase{",,", 0, 0, ","}, DeleteCase{"a,,c", 1, 1, "a,c"},
                      DeleteCase{"a,b,c,d", 1, 2, "a,d"}, DeleteCase{"a,b", 1, 2, "a"},
                      DeleteCase{"a,b,c", 0, 1, "c"}, DeleteCase{"a,b,c", 0, 7, ""},
                      DeleteCase{"a,b,c,d", 2, 1, "a,d"},  // bounds given in reverse
                      // No field at the (first) index: the record stands.
                      DeleteCase{"a,b,c", 5, 5, "a,b,c"}, DeleteCase{"a,b,c", 3, 4, "a,b,c"},
                      DeleteCase{"", 0, 0, ""}, DeleteCase{"", 1, 1, ""},
                      DeleteCase{"a,b", 1, INT_MAX, "a"},
                      DeleteCase{"a,b", INT_MAX, INT_MAX, "a,b"}),
    // "delete1to2_8": the range the case deletes, and its place in the table.
    [](const ::testing::TestParamInfo<DeleteCase>& info) {
        const auto bound = [](int i) {
            return i == INT_MAX ? std::string("max") : std::to_string(i);
        };
        return "delete" + bound(info.param.first) + "to" + bound(info.param.last) + "_" +
               std::to_string(info.index);
    });

struct PasteCase {
    const char* record;
    bool cut;
    int source, target;
    PasteSide side;
    const char* expected;
    friend void PrintTo(const PasteCase& c, std::ostream* os) {
        *os << '"' << c.record << "\" -> \"" << c.expected << '"';
    }
};

class PasteTable : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PasteTable, Edits) {
    const PasteCase& c = GetParam();
    std::string out = "stale";
    PasteFieldInRecord(c.record, {FieldIndex{c.source}, c.cut, FieldIndex{c.target}, c.side}, out);
    EXPECT_EQ(out, c.expected) << c.record << (c.cut ? " cut " : " copy ") << c.source << " side "
                               << static_cast<int>(c.side) << " of " << c.target;
}

constexpr bool kCopy = false, kCut = true;
constexpr PasteSide kOver = PasteSide::Over, kLeft = PasteSide::Left, kRight = PasteSide::Right;

INSTANTIATE_TEST_SUITE_P(
    Fields, PasteTable,
    ::testing::Values(
        PasteCase{"a,b,c", kCopy, 0, 2, kOver, "a,b,a"},
        PasteCase{"a,b,c", kCopy, 0, 2, kLeft, "a,b,a,c"},
        PasteCase{"a,b,c", kCopy, 0, 2, kRight, "a,b,c,a"},
        PasteCase{"a,b,c", kCut, 2, 0, kLeft, "c,a,b"},
        PasteCase{"a,b,", kCut, 0, 1, kRight, "b,a,"},
        PasteCase{"a,b,c", kCut, 1, 1, kOver, "a,b,c"},
        // A field cut and pasted beside itself stays one field.
        PasteCase{"a,b,c", kCut, 1, 1, kLeft, "a,b,c"},
        PasteCase{"a,b,c", kCut, 1, 1, kRight, "a,b,c"},
        PasteCase{"a,b,c", kCopy, 0, 5, kOver, "a,b,c"},
        // No target: a cut field keeps its place rather than vanish.
        PasteCase{"a,b,c", kCut, 1, 5, kOver, "a,b,c"},
        PasteCase{"a,b,c", kCut, 0, 3, kLeft, "a,b,c"},
        PasteCase{"a,b,c", kCopy, 1, 1, kOver, "a,b,c"},
        PasteCase{"a,b,c", kCut, 1, INT_MAX, kOver, "a,b,c"},
        PasteCase{"a,b,c", kCopy, INT_MAX, 0, kRight, "a,,b,c"},
        PasteCase{"a,b,c", kCopy, 2, 2, kRight, "a,b,c,c"},
        PasteCase{"a,b,c", kCopy, 2, 0, kLeft, "c,a,b,c"},
        PasteCase{"a,b,c", kCut, 0, 2, kRight, "b,c,a"},
        PasteCase{"a,b,c", kCut, 0, 1, kOver, "a,c"}, PasteCase{"a,b,c", kCut, 2, 0, kOver, "c,b"},
        PasteCase{"a,b,c,d", kCut, 3, 1, kLeft, "a,d,b,c"},
        PasteCase{"a,b,c,d", kCut, 1, 2, kRight, "a,c,b,d"},
        PasteCase{"a,b,c,d", kCut, 2, 1, kLeft, "a,c,b,d"},
        PasteCase{"a,b,c,d", kCut, 0, 3, kLeft, "b,c,a,d"},
        PasteCase{"a,b,c,d", kCut, 3, 0, kRight, "a,d,b,c"},
        PasteCase{"a,b,c,d", kCut, 1, 3, kOver, "a,c,b"},
        PasteCase{"a,b,c,d", kCut, 3, 2, kOver, "a,b,d"},
        PasteCase{"a,b,c,d", kCut, 1, 2, kLeft, "a,b,c,d"},
        PasteCase{"a,b,c,d", kCut, 2, 1, kRight, "a,b,c,d"},
        // No source: an empty field goes to the paste place.
        PasteCase{"a,b", kCopy, 3, 1, kLeft, "a,,b"}, PasteCase{"a,b", kCopy, 3, 0, kOver, ",b"},
        PasteCase{"a,b", kCut, 3, 1, kRight, "a,b,"}, PasteCase{"a", kCut, 1, 0, kLeft, ",a"},
        // Empty fields are fields.
        PasteCase{"", kCopy, 0, 0, kLeft, ","}, PasteCase{",x,", kCut, 1, 2, kRight, ",,x"},
        PasteCase{",x,", kCopy, 0, 1, kOver, ",,"}, PasteCase{",x,", kCut, 2, 0, kLeft, ",,x"}),
    // "cut0left2_4": what the case does, and its place in the table.
    [](const ::testing::TestParamInfo<PasteCase>& info) {
        const PasteCase& c = info.param;
        const char* side = c.side == PasteSide::Over   ? "over"
                           : c.side == PasteSide::Left ? "left"
                                                       : "right";
        return std::string(c.cut ? "cut" : "copy") + std::to_string(c.source) + side +
               std::to_string(c.target) + "_" + std::to_string(info.index);
    });

// Shift-JIS: a trail byte in 0x40..0x7E looks like ASCII but is never a comma.
TEST(RecordEditText, DoubleByteFieldsMoveWhole) {
    const std::string so = "\x83\x5c";                 // a trail byte 0x5C
    const std::string fw_comma = "\x81\x43";           // full-width comma, not a separator
    const std::string a = "\x82\xa0" + fw_comma + so;  // three characters
    const std::string record = a + ",b," + so + so;
    std::string out;
    PasteFieldInRecord(record, {FieldIndex{0}, true, FieldIndex{2}, PasteSide::Right}, out);
    EXPECT_EQ(out, "b," + so + so + "," + a);
    DeleteFieldRange(record, FieldIndex{1}, FieldIndex{1}, out);
    EXPECT_EQ(out, a + "," + so + so);
    PasteFieldInRecord(record, {FieldIndex{2}, false, FieldIndex{0}, PasteSide::Over}, out);
    EXPECT_EQ(out, so + so + ",b," + so + so);
}

// The buffer is reused from record to record: a short record after a long
// one must carry nothing over.
TEST(RecordEditText, ReusedBufferCarriesNothingOver) {
    std::string out;
    const FieldPasteRequest copy_2_left_of_0{FieldIndex{2}, false, FieldIndex{0}, PasteSide::Left};
    PasteFieldInRecord("aaaa,bbbb,SOURCE", copy_2_left_of_0, out);
    EXPECT_EQ(out, "SOURCE,aaaa,bbbb,SOURCE");
    PasteFieldInRecord("x,y", copy_2_left_of_0, out);
    EXPECT_EQ(out, ",x,y");
    DeleteFieldRange("q", FieldIndex{0}, FieldIndex{0}, out);
    EXPECT_EQ(out, "");
}

TEST(RecordEditText, FieldAtColumnCountsCommasBeforeTheColumn) {
    struct {
        const char* line;
        int columns;
        int field;
    } cases[] = {
        {"ab,cd,ef", 1, 0},
        {"ab,cd,ef", 2, 0},
        {"ab,cd,ef", 3, 1},  // a comma starts the next field
        {"ab,cd,ef", 4, 1},
        {"ab,cd,ef", 7, 2},
        {"ab,cd,ef", 99, 2},  // right of the end: last
        {"ab,cd,ef", 0, 0},
        {"ab,cd,ef", -5, 0},  // record-number margin
        {"", 10, 0},          // below the last record
        {"\x82\xa0,\x83\x5c,z", 4, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldAtColumn(c.line, c.columns).value, c.field) << c.line << " at " << c.columns;
}

}  // namespace
}  // namespace tesmora
