#include "tesmora/ops/field_edit.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <new>
#include <span>

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"
#include "tesmora/ops/operations.h"

namespace tesmora {
namespace {

// Where fields begin, for the few indexes an edit touches: one vectorised
// scan of the record's commas, stopping at the last index wanted, instead of
// a split of every field.
struct Wanted {
    int index;           // >= 0; ascending in the list
    std::size_t* begin;  // set to the field's first byte, npos when absent
};

void LocateFields(std::string_view record, std::span<const Wanted> wanted) {
    CommaCursor commas(record);
    std::size_t found = 0;  // the begin of the last field looked up
    int field = 0;
    for (const Wanted& w : wanted) {
        if (w.index > field) {
            found = found == npos ? npos : commas.Find(w.index);
            if (found != npos) ++found;
            field = w.index;
        }
        *w.begin = found;
    }
}

// Byte position just past a field, given where the next one begins.
std::size_t EndBefore(std::string_view record, std::size_t next_begin) {
    return next_begin == npos ? record.size() : next_begin - 1;
}

// Joins items with single commas. An item is one field or a run of adjacent
// fields (commas inside it are the record's own); an empty item is still an
// empty field, so it still gets its comma.
class Joiner {
  public:
    explicit Joiner(std::string& out) : out_(out) { out_.clear(); }
    void Item(std::string_view s) {
        if (!first_) out_.push_back(',');
        out_.append(s);
        first_ = false;
    }

  private:
    std::string& out_;
    bool first_ = true;
};

std::string_view Bytes(std::string_view r, std::size_t from, std::size_t to) {
    return r.substr(from, to - from);
}

}  // namespace

void DeleteFieldRange(std::string_view record, FieldIndex first, FieldIndex last,
                      std::string& out) {
    int s = first.value, e = last.value;
    if (s > e) std::swap(s, e);
    if (e < 0) {
        out.assign(record);
        return;
    }
    s = std::max(s, 0);
    e = std::min(e, INT_MAX - 1);
    std::size_t begin, after;
    const Wanted wanted[] = {{s, &begin}, {e + 1, &after}};
    LocateFields(record, wanted);
    if (begin == npos) {
        out.assign(record);
        return;
    }
    Joiner join(out);
    if (s > 0) join.Item(Bytes(record, 0, begin - 1));
    if (after != npos) join.Item(Bytes(record, after, record.size()));
}

void PasteFieldInRecord(std::string_view record, const FieldPasteRequest& paste, std::string& out) {
    // Kept below INT_MAX so t + 1 and k + 1 stay defined; no record has that many fields.
    const int t = std::min(paste.target.value, INT_MAX - 1);
    const int k = std::min(paste.source.value, INT_MAX - 1);
    if (t < 0) {
        out.assign(record);
        return;
    }
    // Begins of the target, the source and the fields after them; the
    // source is looked up only when there is one and it is not the target.
    std::size_t bt, at, bk = npos, ak = npos;
    std::array<Wanted, 4> wanted{{{t, &bt}, {t + 1, &at}}};
    std::size_t count = 2;
    if (k >= 0 && k != t) {
        const Wanted source[] = {{k, &bk}, {k + 1, &ak}};
        if (k < t) {
            wanted = {source[0], source[1], wanted[0], wanted[1]};
        } else {
            wanted[2] = source[0];
            wanted[3] = source[1];
        }
        count = 4;
    }
    LocateFields(record, std::span<const Wanted>(wanted.data(), count));
    if (bt == npos || (paste.cut && k == t)) {
        // No place to paste, or a field cut and put back where it was.
        out.assign(record);
        return;
    }
    const std::size_t et = EndBefore(record, at);
    std::size_t ek = 0;
    if (k == t) {
        bk = bt;
        ek = et;
    } else if (bk != npos) {
        ek = EndBefore(record, ak);
    }

    const bool has_source = bk != npos;
    const std::string_view source = has_source ? Bytes(record, bk, ek) : std::string_view{};
    const bool cut_here = paste.cut && has_source;
    const bool before_t = t > 0;              // fields 0 .. t-1 exist
    const bool after_t = et < record.size();  // fields t+1 .. exist

    Joiner join(out);
    // Fields left of the target, less a cut field among them.
    if (before_t) {
        if (cut_here && k < t) {
            if (k > 0) join.Item(Bytes(record, 0, bk - 1));
            if (k + 1 < t) join.Item(Bytes(record, ek + 1, bt - 1));
        } else {
            join.Item(Bytes(record, 0, bt - 1));
        }
    }
    const std::string_view target = Bytes(record, bt, et);
    switch (paste.side) {
        case PasteSide::Over:
            join.Item(source);
            break;
        case PasteSide::Left:
            join.Item(source);
            join.Item(target);
            break;
        case PasteSide::Right:
            join.Item(target);
            join.Item(source);
            break;
    }
    // Fields right of the target, less a cut field among them.
    if (after_t) {
        if (cut_here && k > t) {
            if (k > t + 1) join.Item(Bytes(record, et + 1, bk - 1));
            if (ek < record.size()) join.Item(Bytes(record, ek + 1, record.size()));
        } else {
            join.Item(Bytes(record, et + 1, record.size()));
        }
    }
}

namespace {

// One edit per record, into a buffer: the edits build the record from pieces
// of the one they are given.
template <typename Edit>
bool EditEveryRecord(Document& doc, TextWriter& out, Edit edit) {
    std::string buffer;
    try {
        buffer.reserve(2 * kMaxLineLength);
    } catch (const std::bad_alloc&) {
        doc.Message(kMsgNoMemory);
        return false;
    }
    return EachRecord(doc, out, [&](std::string_view record) {
        edit(record, buffer);
        out.WriteRecord(buffer);
        return true;
    });
}

}  // namespace

bool FieldDeletePass(Document& doc, TextWriter& out, const FieldDeleteRequest& r) {
    return EditEveryRecord(doc, out, [&](std::string_view record, std::string& result) {
        DeleteFieldRange(record, r.first, r.last, result);
    });
}

bool FieldPastePass(Document& doc, TextWriter& out, const FieldPasteRequest& r) {
    return EditEveryRecord(doc, out, [&](std::string_view record, std::string& result) {
        PasteFieldInRecord(record, r, result);
    });
}

bool RunFieldDelete(Document& doc, const FieldDeleteRequest& r) {
    if (!doc.IsOpen() || r.first.value < 0 || r.last.value < 0) return false;
    return RunOperation(doc,
                        [&r](Document& d, TextWriter& out) { return FieldDeletePass(d, out, r); });
}

bool RunFieldPaste(Document& doc, const FieldPasteRequest& r) {
    if (!doc.IsOpen() || r.source.value < 0 || r.target.value < 0) return false;
    return RunOperation(doc,
                        [&r](Document& d, TextWriter& out) { return FieldPastePass(d, out, r); });
}

bool EditFields(Document& doc, FieldIndex field, EditMode mode, PasteSide side) {
    const ViewState& view = doc.View();
    if (mode == EditMode::Delete) {
        if (field.value >= 0) return RunStep(doc, FieldDeleteRequest{field, field});
        if (field.value != -1) return false;
        // In order, as the batch command takes the range (the run orders it too).
        if (view.sel_start.value < 0 || view.sel_end.value < 0) return false;
        return RunStep(doc, FieldDeleteRequest{std::min(view.sel_start, view.sel_end),
                                               std::max(view.sel_start, view.sel_end)});
    }
    FieldPasteRequest paste;
    paste.cut = view.cut_mark.value != -1;
    paste.source = paste.cut ? view.cut_mark : view.copy_mark;
    paste.target = field;
    paste.side = side;
    return RunStep(doc, paste);
}

// ---- selection state ----

bool SelectField(ViewState& state, FieldIndex f) {
    if (f.value < 0) return false;
    FieldIndex& s = state.sel_start;
    FieldIndex& e = state.sel_end;
    if (f == s) {
        if (e.value != -1) {
            s = e;
            e = FieldIndex{-1};
        } else {
            s = FieldIndex{-1};
        }
        return true;
    }
    if (f == e) {
        e = FieldIndex{-1};
        return true;
    }
    if (s.value != -1) {
        if (e.value != -1) return false;  // a range holds two fields at most
        if (f < s) {
            e = s;
            s = f;
        } else {
            e = f;
        }
        return true;
    }
    s = f;
    return true;
}

bool ClampSelectionStart(ViewState& state, int most_fields) {
    if (state.sel_start.value == -1) return false;
    state.sel_start.value = std::max(0, std::min(state.sel_start.value, most_fields - 1));
    return true;
}

bool MoveSelection(ViewState& state, int step, bool ctrl, int most_fields) {
    FieldIndex& s = state.sel_start;
    FieldIndex& e = state.sel_end;
    if (s.value == -1) return false;
    if (!ctrl) {
        // Clamped here, not through ClampSelectionStart: a step left from
        // field 0 passes through -1, which there means nothing selected.
        const int upper = e.value == -1 ? most_fields - 1 : e.value;
        s.value = std::max(0, std::min(s.value + step, upper));
        return true;
    }
    e.value = e.value == -1 ? s.value : e.value + step;
    if (e.value < s.value) e.value = s.value;
    if (e.value > most_fields - 1) e.value = most_fields - 1;
    return true;
}

bool ClearSelection(ViewState& state) {
    state.sel_start = state.sel_end = FieldIndex{-1};
    return true;
}

void MarkCopy(ViewState& state, FieldIndex f) {
    state.copy_mark = f;
    state.cut_mark = FieldIndex{-1};
}

void MarkCut(ViewState& state, FieldIndex f) {
    state.cut_mark = f;
    state.copy_mark = FieldIndex{-1};
}

FieldIndex FieldAtColumn(std::string_view line, int columns) {
    if (columns <= 0) return FieldIndex{0};
    const std::string_view head = line.substr(0, static_cast<std::size_t>(columns));
    return FieldIndex{static_cast<int>(std::count(head.begin(), head.end(), ','))};
}

FieldIndex FieldAtCell(Document& doc, int columns, int row) {
    if (!doc.IsOpen() || row < 1) return FieldIndex{0};
    File& file = doc.WorkingFile();
    if (!file.Seek(doc.View().top_offset.value)) return FieldIndex{0};
    // A short buffer: a view row is one record of at most 5,000 bytes.
    TextReader reader(file, std::size_t{1} << 16, kMaxLineLength);
    Line line;
    std::string_view text;
    for (int i = 0; i < row; ++i) {
        if (!reader.Next(line)) {
            text = {};
            break;
        }
        text = line.text;
    }
    return FieldAtColumn(text, columns);
}

// ---- context menu ----

namespace {

constexpr std::array<MenuItem, 2> kNoSelectionItems{{
    {kCmdFieldSelect},
    {kCmdSelectNone},
}};

constexpr std::array<MenuItem, 11> kSelectionItems{{
    {kCmdFieldUnselect},
    {0},
    {kCmdFieldCut},
    {kCmdFieldCopy},
    {0},
    {kCmdPasteOver},
    {kCmdPasteLeft},
    {kCmdPasteRight},
    {0},
    {kCmdFieldDelete},
    {kCmdDeleteRange},
}};

}  // namespace

FieldPopup PopupFor(const ViewState& state, FieldIndex menu_field) {
    return menu_field == state.sel_start || menu_field == state.sel_end ? FieldPopup::Selection
                                                                        : FieldPopup::NoSelection;
}

std::span<const MenuItem> PopupItems(FieldPopup popup) {
    if (popup == FieldPopup::Selection) return kSelectionItems;
    return kNoSelectionItems;
}

bool IsCommandEnabled(const ViewState& state, int id) {
    const bool no_start = state.sel_start.value == -1;
    const bool no_end = state.sel_end.value == -1;
    switch (id) {
        case kCmdSelectNone:
            return !(no_start && no_end);
        case kCmdFieldSelect:
            return no_end;
        case kCmdPasteOver:
        case kCmdPasteLeft:
        case kCmdPasteRight:
            return !(state.copy_mark.value == -1 && state.cut_mark.value == -1);
        case kCmdDeleteRange:
            return !(no_start || no_end);
        default:
            return true;
    }
}

bool RunFieldCommand(Document& doc, int id, FieldIndex menu_field) {
    if (!IsCommandEnabled(doc.View(), id)) return false;
    // -1: the right-click found no document, so there is no menu field.
    if (menu_field.value < 0 && id != kCmdSelectNone) return false;
    ViewState& state = doc.View();
    auto redraw_if = [&](bool changed) {
        if (changed) doc.ViewSink().RedrawView();
        return true;
    };
    switch (id) {
        case kCmdFieldSelect:
        case kCmdFieldUnselect:
            return redraw_if(SelectField(state, menu_field));
        case kCmdSelectNone:
            return redraw_if(ClearSelection(state));
        case kCmdFieldCut:
            MarkCut(state, menu_field);
            return true;
        case kCmdFieldCopy:
            MarkCopy(state, menu_field);
            return true;
        case kCmdPasteOver:
            return EditFields(doc, menu_field, EditMode::Paste, PasteSide::Over);
        case kCmdPasteLeft:
            return EditFields(doc, menu_field, EditMode::Paste, PasteSide::Left);
        case kCmdPasteRight:
            return EditFields(doc, menu_field, EditMode::Paste, PasteSide::Right);
        case kCmdFieldDelete:
            return EditFields(doc, menu_field, EditMode::Delete);
        case kCmdDeleteRange:
            return EditFields(doc, FieldIndex{-1}, EditMode::Delete);
        default:
            return false;
    }
}

}  // namespace tesmora
