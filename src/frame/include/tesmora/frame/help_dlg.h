#pragma once
// The manual: Manual.pdf shown inside the program, maximised, with page
// navigation and zoom.
#include <QDialog>
#include <QString>

class QPdfDocument;
class QPdfView;
class QSpinBox;

namespace tesmora {
class Document;
}

namespace tesmora::desktop {

class CHelpDlg : public QDialog {
    Q_OBJECT

  public:
    // title: string 30174, the window title and the file's name.
    CHelpDlg(const QString& title, QWidget* parent = nullptr);

    // The manual next to the executable, else in the installed data folder;
    // empty when there is none.
    static QString FindManual(const QString& title);

    // Loads path; false when it is no readable PDF.
    bool Load(const QString& path);

    QPdfView* View() const { return view_; }
    QPdfDocument* Pdf() const { return pdf_; }
    QSpinBox* PageBox() const { return page_; }

  private:
    void ShowPage(int page);

    QPdfDocument* pdf_;
    QPdfView* view_;
    QSpinBox* page_;
};

// The manual command: the dialog, or message 30173 when there is no manual
// (and then no window remains).
void ShowManual(Document& doc, QWidget* parent);

}  // namespace tesmora::desktop
