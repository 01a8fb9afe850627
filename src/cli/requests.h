#pragma once
// Each command's request, built from its arguments (defined in its
// cmd_*.cpp); UsageError for malformed ones. The operation's own validation
// and run do the rest, as for the dialog's request.
#include "cli.h"
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

namespace tesmora::cli {

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
// The range and flags; the lists from --pairs, with the load's verdict.
ReplaceRequest ReplaceRequestFrom(const Args& args, Validation& loaded);

}  // namespace tesmora::cli
