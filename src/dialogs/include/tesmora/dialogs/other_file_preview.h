#pragma once
// The other file of the cross-file dialogs: the browse button, the preview
// list of its first records with one column per field, and the column the
// user chooses in it (drawn highlighted).
#include <QObject>
#include <QString>
#include <functional>

#include "tesmora/document/document.h"

class QPushButton;
class QTableWidget;

namespace tesmora::desktop {

class COtherFilePreview : public QObject {
    Q_OBJECT

  public:
    // Cell colour of the highlighted column in rows not selected.
    static constexpr unsigned kCellColour = 0xDED9F0;  // RGB(222, 217, 240)

    // rows: the records shown (3 or 5); button_id: 1002 or 1022.
    COtherFilePreview(Document& doc, int rows, int button_id, QWidget* parent);

    QPushButton* BrowseButton() const { return browse_; }
    QTableWidget* List() const { return list_; }  // 1069

    // The system's file dialog, replaceable (tests answer it directly); an
    // empty answer is a cancel.
    using Chooser = std::function<QString()>;
    void SetChooser(Chooser chooser) { choose_ = std::move(chooser); }

    // The browse button: choose, then LoadPreview.
    void Browse();
    // Fills the list from path; on success the browse button is disabled and
    // the path kept. False, with everything as it was, after 30003.
    bool LoadPreview(const QString& path);

    const std::string& Path() const { return path_; }  // empty until loaded
    int Columns() const { return columns_; }
    int Highlighted() const { return highlighted_; }
    void SetHighlighted(int column);

  signals:
    // A heading or a cell was clicked.
    void ColumnClicked(int column);
    // Loaded: the field controls take the range 0 .. columns - 1.
    void Loaded(int columns);

  private:
    Document& doc_;
    int rows_;
    QPushButton* browse_;
    QTableWidget* list_;
    Chooser choose_;
    std::string path_;
    int columns_ = 0;
    int highlighted_ = 0;
};

}  // namespace tesmora::desktop
