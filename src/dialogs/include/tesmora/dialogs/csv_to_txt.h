#pragma once
// "ＣＳＶ⇒ＴＸＴ [最長フィールドに調整]": every field padded to its column's
// widest value; the commas deleted, replaced by a text, or kept.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/csv_to_txt.h"

class QRadioButton;

namespace tesmora::desktop {

class CCsvToTxt : public COperationDlg {
    Q_OBJECT

  public:
    CCsvToTxt(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QRadioButton* DeleteButton() const { return delete_; }    // 1003
    QRadioButton* ReplaceButton() const { return replace_; }  // 1005
    QRadioButton* KeepButton() const { return keep_; }        // 1013
    QLineEdit* TextEdit() const { return text_; }             // 1001

    // The run's request: the text in code page 932.
    CsvToTxtRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;
    QWidget* FocusControl(Focus focus) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRadioButton* delete_;
    QRadioButton* replace_;
    QRadioButton* keep_;
    QLineEdit* text_;
};

}  // namespace tesmora::desktop
