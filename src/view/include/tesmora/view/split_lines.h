#pragma once
// Where split lines fall in the view: hit testing and the column a line is
// placed or dropped at. Pure geometry over client x coordinates, so it can be
// checked without a window.
#include <span>

namespace tesmora::desktop {

struct SplitGeometry {
    int char_width = 8;
    int h_offset = 0;      // horizontal scroll offset in pixels
    int number_area = 0;   // width of the record-number area, 0 when hidden
    int h_max = 0;         // horizontal scroll maximum
    int client_width = 0;  // width of the view's client area
};

// The byte column under client x (truncated toward zero, so a point just
// left of the first column still counts as column 0).
int ColumnUnder(const SplitGeometry& g, int x);

// Index of the split position under x, or -1.
int SplitLineAt(const SplitGeometry& g, std::span<const int> positions, int x);

inline constexpr int kDropOnOtherLine = -1;
inline constexpr int kDropOnOwnLine = -2;

// Pixel position (a multiple of the character width, at least one) where a
// line would be placed at x: kDropOnOtherLine when that column holds a line
// other than `dragged`, kDropOnOwnLine when it holds `dragged` itself.
int SplitDropPosition(const SplitGeometry& g, std::span<const int> positions, int dragged, int x);

}  // namespace tesmora::desktop
