#include "tesmora/view/on_screen.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace tesmora::desktop {

void KeepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    // The title bar and the borders, as the window system reports them.
    const QSize extra = frame.size() - window->size();
    const QSize room = area.size() - extra;
    if (window->width() > room.width() || window->height() > room.height()) {
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
        frame.setSize(window->size() + extra);
    }
    const int x =
        std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int y =
        std::clamp(frame.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    if (QPoint(x, y) != frame.topLeft()) window->move(x, y);
}

}  // namespace tesmora::desktop
