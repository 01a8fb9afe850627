#pragma once
// Document properties: field-length extremes over the field widths, and the
// first records with the most and the fewest fields.
#include <cstdint>
#include <optional>

#include "tesmora/document/document.h"

namespace tesmora {

struct FieldLengthExtremes {
    int longest = 0;
    int shortest = 0;  // the narrowest column, not the shortest field value
};

// Over field positions 0 .. most fields - 1; run ComputeFieldWidths first.
FieldLengthExtremes ComputeFieldLengthExtremes(Document& doc);

struct FieldCountRecords {
    RecordIndex most{-1};
    RecordIndex fewest{-1};
};

// One pass: the first record with the most fields and the first with the
// fewest (both -1 when the document holds no record).
FieldCountRecords FindFieldCountRecords(Document& doc);

}  // namespace tesmora
