#pragma once
// Sort: rewrites the working file with its records ordered by the bytes of
// one key field.
#include <cstdint>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/document/types.h"

namespace tesmora {

// Section "SortDlg" holds the dialog's values: the field box (not the
// selection the run takes) and the order.
struct SortRequest {
    FieldIndex key_field{0};  // "KeyField"
    bool descending = false;  // "SortJun": 0 ascending, 1 descending
    bool operator==(const SortRequest&) const = default;
};

inline constexpr const char* kSortSection = "SortDlg";

SortRequest LoadSortSettings(ISettingsStore& store);
void StoreSortSettings(ISettingsStore& store, const SortRequest& s);

// Only the first kSortKeyBytes bytes of a key take part in the comparison.
inline constexpr int kSortKeyBytes = 99;

// Orders two keys as the sort does: unsigned bytes over their first 99
// bytes, a key that ends first being the smaller ("10" < "9"). Negative,
// zero or positive, ascending order.
int CompareSortKeys(std::string_view a, std::string_view b);

// The pass: records in key order, ties in their file order (stable); an
// absent key field is an empty key. Descending reverses the key order only.
// Holds the keys, a few bytes per record and one window of the output, never
// the whole file: the output is gathered window by window, each from one
// sequential read of the working file. window_bytes is the window size; 0
// chooses it from the file size (up to 96 MiB a window, at most 8 reads).
// Fails with 30001 when memory runs out.
bool SortPass(Document& doc, TextWriter& out, const SortRequest& s, std::int64_t window_bytes = 0);

// The sort has no checks. The dialog passes the selection start field as
// key_field. True when committed; false, with nothing changed, when no
// document is open or the run failed.
bool RunSort(Document& doc, const SortRequest& s);

}  // namespace tesmora
