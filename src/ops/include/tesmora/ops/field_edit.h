#pragma once
// Field selection and in-view field editing: the per-record edits (delete a
// field or a range of fields, paste a marked field over, left or right of
// another), the whole-file passes that apply them, and the selection and
// context-menu state logic the view drives with the mouse and keys.
#include <span>
#include <string>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/document/message_ids.h"
#include "tesmora/document/types.h"

namespace tesmora {

// ---- single-record edits ----
// Each writes the edited record into out (cleared first, capacity kept, so a
// buffer reused from record to record allocates nothing once grown). Fields
// are split at comma bytes; a trail byte is never a comma, so double-byte
// text needs no special care.

// Removes fields first..last (0-based, inclusive; reversed bounds are put in
// order). The remaining fields are joined with single commas, so the record
// keeps every field it did not lose, empty ones included. A record with no
// field at first is copied unchanged.
void DeleteFieldRange(std::string_view record, FieldIndex first, FieldIndex last, std::string& out);

enum class PasteSide { Left = -1, Over = 0, Right = 1 };

struct FieldPasteRequest {
    FieldIndex source{-1};  // the marked field
    bool cut = false;       // the source leaves its place
    FieldIndex target{-1};
    PasteSide side = PasteSide::Over;
    bool operator==(const FieldPasteRequest&) const = default;
};

// Pastes field `source` of this same record over, left or right of field
// `target`; with cut, the source field also leaves its own place.
// - A record with no field at target is copied unchanged (a cut field is not
//   lost for want of a place to put it).
// - A record with no field at source pastes an empty field.
// - Cutting a field and pasting it beside or over itself leaves the record as
//   it is.
void PasteFieldInRecord(std::string_view record, const FieldPasteRequest& paste, std::string& out);

// ---- whole-file edits ----

// Fields first..last (inclusive) leave every record; one field: first == last.
struct FieldDeleteRequest {
    FieldIndex first{-1};
    FieldIndex last{-1};
    bool operator==(const FieldDeleteRequest&) const = default;
};
// A paste is requested by its FieldPasteRequest: the marked field, cut or copied, the
// target and the side.

// The per-record passes (OperationPass bodies): read doc.Records(), write
// every record to out. Both refuse, with message 30005 or 30010, a result
// that would break the file limits.
bool FieldDeletePass(Document& doc, TextWriter& out, const FieldDeleteRequest& r);
bool FieldPastePass(Document& doc, TextWriter& out, const FieldPasteRequest& r);

// One edit over the whole file through the operation pipeline (undo,
// progress, elapsed time, modified flag). False, with nothing changed, when
// no document is open, when a field of the request is negative, or when the
// pass or the commit failed.
bool RunFieldDelete(Document& doc, const FieldDeleteRequest& r);
bool RunFieldPaste(Document& doc, const FieldPasteRequest& r);

enum class EditMode { Delete = 1, Paste = 2 };

// The view's edit commands: the request built from the view state, then its
// run. mode Delete with field -1 deletes the selected range; Paste pastes the
// cut mark's field (else the copy mark's) at field. False, with nothing
// changed, when the edit lacks its input (no mark to paste, no complete range
// to delete, a negative field) or when the run failed.
bool EditFields(Document& doc, FieldIndex field, EditMode mode, PasteSide side = PasteSide::Over);

// ---- selection state ----
// Each returns true when the view must be redrawn.

// Toggles field f into or out of the selection (double-click, menu).
bool SelectField(ViewState& state, FieldIndex f);
// Limits the selection start to 0 .. most_fields - 1 (when one is set).
bool ClampSelectionStart(ViewState& state, int most_fields);
// Left (step -1) or Right (+1), with or without Ctrl; ignored (false) while
// nothing is selected.
bool MoveSelection(ViewState& state, int step, bool ctrl, int most_fields);
// Command 33827: nothing selected.
bool ClearSelection(ViewState& state);

// Marks for the paste commands; marking one clears the other. Nothing is
// redrawn for a mark.
void MarkCopy(ViewState& state, FieldIndex f);
void MarkCut(ViewState& state, FieldIndex f);

// The field that contains byte column `columns` (1-based count of bytes) of
// line: the number of commas in its first `columns` bytes.
FieldIndex FieldAtColumn(std::string_view line, int columns);
// FieldAt without the pixels: the field under column count `columns` of view
// row `row` (1-based, counted from the top record). A row past the end of the
// file is an empty line, so it gives field 0.
FieldIndex FieldAtCell(Document& doc, int columns, int row);

// ---- context menu (menu resource 144) ----

inline constexpr int kCmdFieldSelect = kMsgMenuFieldSelect;
inline constexpr int kCmdSelectNone = kMsgMenuSelectNone;
inline constexpr int kCmdFieldUnselect = kMsgMenuFieldUnselect;
inline constexpr int kCmdFieldCut = kMsgMenuFieldCut;
inline constexpr int kCmdFieldCopy = kMsgMenuFieldCopy;
inline constexpr int kCmdPasteOver = kMsgMenuPasteOver;
inline constexpr int kCmdPasteLeft = kMsgMenuPasteLeft;
inline constexpr int kCmdPasteRight = kMsgMenuPasteRight;
inline constexpr int kCmdFieldDelete = kMsgMenuFieldDelete;
inline constexpr int kCmdDeleteRange = kMsgMenuDeleteRange;

enum class FieldPopup { NoSelection = 0, Selection = 1 };

// A context-menu item; its label is the string-table text of its id
// (MessageText, "\t" before the accelerator hint).
struct MenuItem {
    int id;  // 0 for a separator
};

// Popup "sel" when the menu field is the selection start or end, else "nosel".
FieldPopup PopupFor(const ViewState& state, FieldIndex menu_field);
// The items of a popup, in menu order.
std::span<const MenuItem> PopupItems(FieldPopup popup);
// False for the items greyed in this state.
bool IsCommandEnabled(const ViewState& state, int id);

// Runs a context-menu command on menu_field: selection changes redraw the
// view through the document's view sink, edits run EditFields. False when
// the id is not a field command, when it is greyed, or when the edit failed.
bool RunFieldCommand(Document& doc, int id, FieldIndex menu_field);

}  // namespace tesmora
