#pragma once
// "複数文字列の置換": a range of fields, the before- and after-lists side by
// side, replacement sets loaded from and saved to .cng files, the exchange
// of the two lists and the one-replacement option.
#include <QPlainTextEdit>
#include <functional>
#include <string>

#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/replace.h"

namespace tesmora::desktop {

// A multi-line list that takes only text code page 932 can hold: what it
// cannot hold is dropped as it is typed, pasted or composed.
class CCodePageList : public QPlainTextEdit {
    Q_OBJECT

  public:
    CCodePageList(int id, QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

class CCharCng : public COperationDlg {
    Q_OBJECT

  public:
    CCharCng(Document& doc, CChildView* view, QWidget* parent = nullptr);

    enum class FileDialog { Load, Save };
    // Returns the chosen path, empty for Cancel; tests put their own in.
    using FileChooser = std::function<QString(FileDialog)>;
    void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

    QPlainTextEdit* BeforeList() const { return before_; }  // 1001
    QPlainTextEdit* AfterList() const { return after_; }    // 1007
    QPushButton* LoadButton() const { return load_; }       // 1022
    QPushButton* SaveButton() const { return save_; }       // 1032
    QPushButton* SwapButton() const { return swap_; }       // 1035
    QCheckBox* OnlyOneCheck() const { return only_one_; }   // 1024

    // The run's request: the range is the view's selection, the lists their
    // text in code page 932.
    ReplaceRequest Request() const;

    // 1022, 1032 and 1035 clicked.
    void LoadSet();
    void SaveSet();
    void SwapLists();

  protected:
    bool OnOK() override;
    QWidget* FocusControl(Focus focus) const override;
    QString Explanation() const override;

  private:
    QString ChooseFile(FileDialog kind);
    void NoteSetFile(const std::string& path);

    CCodePageList* before_;
    CCodePageList* after_;
    QPushButton* load_;
    QPushButton* save_;
    QPushButton* swap_;
    QCheckBox* only_one_;
    // The set file last loaded or saved, with the lists as it held them.
    std::string set_file_, set_before_, set_after_;
    FileChooser choose_file_;
};

}  // namespace tesmora::desktop
