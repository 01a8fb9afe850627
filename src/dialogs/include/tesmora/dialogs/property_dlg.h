#pragma once
// "プロパティ": where the current file is saved and seven statistics of the
// working file. The two field lengths need a pass over the whole file, which
// starts just after the dialog shows. Nothing is changed or stored.
#include <QDialog>

#include "tesmora/document/document.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tesmora::desktop {

class CChildView;

class CPropertyDlg : public QDialog {
    Q_OBJECT

  public:
    // view: unused, the dialog only reads the document; kept so that every
    // command opens its dialog the same way.
    CPropertyDlg(Document& doc, CChildView* view, QWidget* parent = nullptr);
    ~CPropertyDlg() override;

    QLineEdit* PathBox() const { return path_; }           // 1001
    QTableWidget* List() const { return list_; }           // 1069
    QPushButton* SearchButton() const { return search_; }  // 1019
    QPushButton* CloseButton() const { return close_; }    // 2
    // Whether rows 6 and 7 hold their values yet.
    bool Scanned() const { return scanned_; }

    // The deferred pass: the field widths, then rows 6 and 7. Runs once.
    void ScanFieldLengths();
    // 1019: the first records with the most and the fewest fields.
    void FindFieldCountRecords();

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    void SetRow(int row, const QString& item, const QString& value, const QString& unit);

    Document& doc_;
    QLineEdit* path_;
    QTableWidget* list_;
    QPushButton* search_;
    QPushButton* close_;
    int timer_id_ = 0;
    bool scanned_ = false;
};

}  // namespace tesmora::desktop
