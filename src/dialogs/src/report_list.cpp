#include "tesmora/dialogs/report_list.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

namespace tesmora::desktop {
namespace {
constexpr int kCellMargin = 15;
}  // namespace

void AutoSizeColumns(QTableWidget* list, int columns) {
    const QFontMetrics metrics(list->font());
    for (int c = 0; c < columns && c < list->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < list->rowCount(); ++r) {
            if (const QTableWidgetItem* cell = list->item(r, c))
                widest = std::max(widest, metrics.horizontalAdvance(cell->text()));
        }
        list->horizontalHeader()->resizeSection(c, widest + kCellMargin);
    }
}

}  // namespace tesmora::desktop
