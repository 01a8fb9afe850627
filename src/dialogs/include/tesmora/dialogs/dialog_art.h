#pragma once
// The small pictures of the dialogs, drawn by the program: the view scroll
// arrows (icons 138, 139), the all-fields icon (140), the selection markers
// (bitmaps 134, 135) and the four duplicate-mode pictures.
#include <QIcon>
#include <QPixmap>

namespace tesmora::desktop {

QIcon ArrowIcon(bool left);  // 16 x 16
QIcon AllFieldsIcon();       // 16 x 16: "ALL" over a two-headed arrow
// 12 x 12: green with a darker green border (start), or magenta with a red
// border (end).
QPixmap MarkerPixmap(bool start);

// Nine records in runs {1} {2,3} {4,5,6} {7} {8,9} under the heads "S" (a
// single record) and "W" (a repeat); kept records green, removed magenta.
// mode: 0 to 3, as the duplicate modes.
QPixmap DuplicateModePixmap(int mode);
// Whether record number n (1 to 9) of the picture is kept in mode.
bool DuplicatePictureKeeps(int mode, int n);

}  // namespace tesmora::desktop
