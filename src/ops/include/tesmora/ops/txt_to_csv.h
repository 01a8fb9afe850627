#pragma once
// Fixed-width text to CSV: every record cut at the split columns placed in
// multiple split mode, the pieces joined with commas.
#include <string>
#include <string_view>
#include <vector>

#include "tesmora/document/document.h"
#include "tesmora/ops/request.h"

namespace tesmora {

struct TxtToCsvRequest {
    std::vector<int> positions;  // cut after the first c bytes; any order
    bool trim = true;            // "SpaceCut": trailing spaces leave each piece
    bool operator==(const TxtToCsvRequest&) const = default;
};

inline constexpr const char* kTxtToCsvSection = "TxtToCsv";

bool LoadTxtToCsvTrim(ISettingsStore& store);
void StoreTxtToCsvTrim(ISettingsStore& store, bool trim);

// The one saved set of positions ("SetCnt", "Pos%d"). Values the program
// cannot have saved are dropped on load: a count above 2,000, positions below
// 1 or beyond the record limit.
std::vector<int> LoadSplitPositions(ISettingsStore& store);
void StoreSplitPositions(ISettingsStore& store, const std::vector<int>& positions);

// 30017 (information icon) when no position is set.
Validation ValidateTxtToCsv(const TxtToCsvRequest& r);

// The piece without its trailing half-width spaces, then without the
// full-width spaces (0x81 0x40, whole characters) that end what remains.
std::string_view TrimTrailingSpaces(std::string_view piece);

// The pass: positions sorted, each record cut at them (byte positions, so a
// double-byte character may be divided) into positions + 1 fields. Refuses,
// with 30010 or 30005, results that would break the file limits.
bool ConvertTxtToCsv(Document& doc, TextWriter& out, const TxtToCsvRequest& r);

// The validation (its message shown), then the pass. True when committed;
// false, with nothing changed, when no document is open, the validation or
// the pass failed. The caller clears its split positions once committed.
bool RunTxtToCsv(Document& doc, const TxtToCsvRequest& r);

}  // namespace tesmora
