#pragma once
// The operations that change records, one row each: the engine name, the
// batch command with its usage text (the options its parser reads), the
// ribbon command, the dialog's settings section and icon, and the request
// <-> arguments pair. The batch front end, the ribbon, the recorder and the
// recipes all read this table; an operation is added here once.
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tesmora/ops/arguments.h"
#include "tesmora/ops/csv_to_txt.h"
#include "tesmora/ops/duplicates.h"
#include "tesmora/ops/field_edit.h"
#include "tesmora/ops/field_length.h"
#include "tesmora/ops/line_delete.h"
#include "tesmora/ops/lookup.h"
#include "tesmora/ops/record_length.h"
#include "tesmora/ops/replace.h"
#include "tesmora/ops/sort.h"
#include "tesmora/ops/tail_add.h"
#include "tesmora/ops/txt_to_csv.h"

namespace tesmora {

// Ribbon commands of the operations (romanised names kept from the product).
inline constexpr int ID_JUUFUKU_SHORI = 33771;
inline constexpr int ID_JOUKEN_SHORI = 33772;
inline constexpr int ID_MULTI_SHORI = 33781;
inline constexpr int ID_FIELD_JOIN_SHORI = 33783;
inline constexpr int ID_CSV_TO_TXT = 33785;
inline constexpr int ID_TXT_TO_CSV = 33786;
inline constexpr int ID_CODE_SHORI = 33787;
inline constexpr int ID_SORT_SHORI = 33788;
inline constexpr int ID_LINE_SHORI = 33794;
inline constexpr int ID_FIELD_LEN_SHORI = 33796;

// The multiple replacement as a batch step: its pairs come from a .cng file,
// and the order question is answered by the step. The lists of request are
// read from pairs when they are empty.
struct ReplaceStep {
    ReplaceRequest request;
    std::string pairs;  // the .cng file (UTF-8 path)
    bool swap_order = false;
    bool operator==(const ReplaceStep&) const = default;
};

using AnyRequest =
    std::variant<SortRequest, DuplicateRequest, LineDeleteRequest, RecordLengthRequest,
                 FieldLengthRequest, CsvToTxtRequest, TxtToCsvRequest, ReplaceStep, TailAddRequest,
                 LookupRequest, FieldDeleteRequest, FieldPasteRequest>;

// An argument list: the words after the command name.
using Words = std::vector<std::string>;

struct Operation {
    const char* name;           // engine name (src/ops/src/NAME.cpp)
    const char* command;        // batch command
    int command_id;             // ribbon command; 0 for the view's field edits
    const char* section;        // the dialog's settings section; "" without a dialog
    const char* icon;           // res/icons/ICON.svg; "" without a button
    const char* summary;        // the line of --help
    const char* usage;          // the usage text: its option lines are what parse reads
    std::size_t request_index;  // the request's alternative in AnyRequest
    // Throws UsageError for malformed arguments; never reads a file.
    AnyRequest (*parse)(const Args& args);
    // The options that give the request back through parse.
    Words (*print)(const AnyRequest& request);
};

std::span<const Operation> Operations();
const Operation* FindOperation(std::string_view command);
const Operation* FindOperationById(int command_id);
// The row whose request this is.
const Operation& OperationOf(const AnyRequest& request);

// The command and its options, as a recipe line or a command line holds them.
Words StepWords(const AnyRequest& request);
// Reads the words after a command name against its usage text; UsageError.
AnyRequest ParseStep(const Operation& op, const Words& options);

// Reads what a step needs from files before it runs (the replacement pairs);
// a refusal carries its message.
Validation LoadStepFiles(AnyRequest& request);
// Runs the request on the document through its operation's validation and
// run, answering the questions as the step says, and records it in the
// history. True when committed.
bool RunStep(Document& doc, AnyRequest request);

// Records the committed request in the document's history as its batch
// command. A replacement without a pairs file keeps its lists as the .cng
// bytes to write beside a saved recipe.
void RecordStep(Document& doc, const AnyRequest& request);
// Whether the validated pairs run in another order than the lists give them
// (the order question was answered Yes).
bool PairsSwapped(const ReplaceRequest& r, const ReplacementPairs& validated);

// Today's parsers, by request: UsageError for malformed arguments.
SortRequest SortRequestFrom(const Args& args);
DuplicateRequest DuplicateRequestFrom(const Args& args);
LineDeleteRequest LineDeleteRequestFrom(const Args& args);
RecordLengthRequest RecordLengthRequestFrom(const Args& args);
FieldLengthRequest FieldLengthRequestFrom(const Args& args);
FieldDeleteRequest FieldDeleteRequestFrom(const Args& args);
FieldPasteRequest FieldPasteRequestFrom(const Args& args);
CsvToTxtRequest CsvToTxtRequestFrom(const Args& args);
TxtToCsvRequest TxtToCsvRequestFrom(const Args& args);
TailAddRequest TailAddRequestFrom(const Args& args);
LookupRequest LookupRequestFrom(const Args& args);
ReplaceStep ReplaceStepFrom(const Args& args);
// The range and flags; the lists from --pairs, with the load's verdict.
ReplaceRequest ReplaceRequestFrom(const Args& args, Validation& loaded);

}  // namespace tesmora
