#pragma once
// Keeps a window on its screen when the screen is small or scaled up.
class QWidget;

namespace tesmora::desktop {

// Moves a shown top-level window, and shrinks it if it is larger than the
// room there, so that its frame lies inside the available area of its screen.
void KeepOnScreen(QWidget* window);

}  // namespace tesmora::desktop
