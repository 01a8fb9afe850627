#include "tesmora/view/split_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tesmora::desktop {

int ColumnUnder(const SplitGeometry& g, int x) {
    const int cw = std::max(1, g.char_width);
    const double content = static_cast<double>(x) + g.h_offset - g.number_area;
    return static_cast<int>(content / cw);
}

int SplitLineAt(const SplitGeometry& g, std::span<const int> positions, int x) {
    const std::int64_t cw = std::max(1, g.char_width);
    const std::int64_t at = ColumnUnder(g, x) * cw;
    for (std::size_t i = 0; i < positions.size(); ++i)
        if (std::llabs(positions[i] * cw - at) < 2) return static_cast<int>(i);
    return -1;
}

int SplitDropPosition(const SplitGeometry& g, std::span<const int> positions, int dragged, int x) {
    const int cw = std::max(1, g.char_width);
    // The wider of the scrollable content and the window.
    const std::int64_t limit = static_cast<std::int64_t>(g.h_max) + g.client_width;
    std::int64_t px = static_cast<std::int64_t>(ColumnUnder(g, x)) * cw;
    if (px < 1) px = cw;
    // The last full column, but never before the first split.
    if (px > limit) px = std::max<std::int64_t>(1, limit / cw - 1) * cw;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (static_cast<std::int64_t>(positions[i]) * cw == px)
            return static_cast<int>(i) == dragged ? kDropOnOwnLine : kDropOnOtherLine;
    }
    return static_cast<int>(px);
}

}  // namespace tesmora::desktop
