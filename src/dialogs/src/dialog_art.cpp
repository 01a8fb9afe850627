#include "tesmora/dialogs/dialog_art.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "tesmora/view/child_view.h"

namespace tesmora::desktop {
namespace {

const QColor kArrow{40, 90, 170};
const QColor kKept = colors::kSelectionStart;
const QColor kRemoved = colors::kSelectionEnd;

QPixmap Blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

// The run each picture record belongs to, as its first record.
int RunStart(int n) {
    static const int kStart[10] = {0, 1, 2, 2, 4, 4, 4, 7, 8, 8};
    return kStart[n];
}
int RunLength(int n) {
    static const int kLength[10] = {0, 1, 2, 2, 3, 3, 3, 1, 2, 2};
    return kLength[n];
}

}  // namespace

QIcon ArrowIcon(bool left) {
    QPixmap pm = Blank(16, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kArrow);
    QPolygonF shape;
    if (left)
        shape << QPointF(1, 8) << QPointF(8, 1.5) << QPointF(8, 5.5) << QPointF(15, 5.5)
              << QPointF(15, 10.5) << QPointF(8, 10.5) << QPointF(8, 14.5);
    else
        shape << QPointF(15, 8) << QPointF(8, 1.5) << QPointF(8, 5.5) << QPointF(1, 5.5)
              << QPointF(1, 10.5) << QPointF(8, 10.5) << QPointF(8, 14.5);
    p.drawPolygon(shape);
    return QIcon(pm);
}

QIcon AllFieldsIcon() {
    QPixmap pm = Blank(16, 16);
    QPainter p(&pm);
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kArrow);
    p.drawText(QRect(0, 0, 16, 9), Qt::AlignCenter, QStringLiteral("ALL"));
    p.setRenderHint(QPainter::Antialiasing);
    p.drawLine(QPointF(2, 12.5), QPointF(14, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kArrow);
    p.drawPolygon(QPolygonF() << QPointF(0, 12.5) << QPointF(4, 9.5) << QPointF(4, 15.5));
    p.drawPolygon(QPolygonF() << QPointF(16, 12.5) << QPointF(12, 9.5) << QPointF(12, 15.5));
    return QIcon(pm);
}

QPixmap MarkerPixmap(bool start) {
    QPixmap pm(12, 12);
    pm.fill(start ? kKept : kRemoved);
    QPainter p(&pm);
    p.setPen(start ? QColor(0, 100, 0) : QColor(255, 0, 0));
    p.drawRect(0, 0, 11, 11);
    return pm;
}

bool DuplicatePictureKeeps(int mode, int n) {
    if (n < 1 || n > 9) return false;
    const bool first = RunStart(n) == n;
    const bool single = RunLength(n) == 1;
    switch (mode) {
        case 1:
            return single;
        case 2:
            return first && !single;
        case 3:
            return !single;
        default:
            return first;
    }
}

QPixmap DuplicateModePixmap(int mode) {
    constexpr int kCell = 14;
    constexpr int kWidth = 2 * kCell + 14;
    constexpr int kHead = 13;
    QPixmap pm(kWidth, kHead + 9 * kCell + 2);
    pm.fill(Qt::white);
    QPainter p(&pm);
    QFont font;
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(Qt::black);
    const int col_s = 5;
    const int col_w = col_s + kCell + 4;
    p.drawText(QRect(col_s, 0, kCell, kHead), Qt::AlignCenter, QStringLiteral("S"));
    p.drawText(QRect(col_w, 0, kCell, kHead), Qt::AlignCenter, QStringLiteral("W"));
    for (int n = 1; n <= 9; ++n) {
        const int y = kHead + (n - 1) * kCell;
        // The first record of every run stands under "S" when it is alone,
        // every record of a repeated run under "W".
        const int x = RunLength(n) == 1 ? col_s : col_w;
        const QRect box(x, y + 1, kCell - 1, kCell - 2);
        p.fillRect(box, DuplicatePictureKeeps(mode, n) ? kKept : kRemoved);
        p.setPen(QColor(80, 80, 80));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, QString::number(n));
        // A line between runs.
        if (RunStart(n) == n && n > 1) {
            p.setPen(QColor(160, 160, 160));
            p.drawLine(1, y, kWidth - 2, y);
        }
    }
    p.setPen(QColor(120, 120, 120));
    p.drawRect(0, 0, kWidth - 1, pm.height() - 1);
    return pm;
}

}  // namespace tesmora::desktop
