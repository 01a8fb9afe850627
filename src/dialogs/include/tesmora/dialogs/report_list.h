#pragma once
// Report-style lists shared by the dialogs (the statistics list, the preview
// of another file).
class QTableWidget;

namespace tesmora::desktop {

// Sets each of the first `columns` columns as wide as its widest cell text
// (the list's own font) + 15 pixels; 15 when the column has no text. The
// headings are not measured.
void AutoSizeColumns(QTableWidget* list, int columns);

}  // namespace tesmora::desktop
