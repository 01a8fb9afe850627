#pragma once
// The About box: the program's name and its version history, newest first.
#include <QDialog>

class QPlainTextEdit;

namespace tesmora::desktop {

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    // The version label of the running build.
    QString BuildVersion() const;
    // The text of the history box.
    QString History() const;

  private:
    QPlainTextEdit* history_;
};

}  // namespace tesmora::desktop
