#pragma once
// "フィールド長編集": one field of every record cut or padded to a length,
// at its end or at its beginning, with spaces or a typed fill character.
#include "tesmora/dialogs/operation_dlg.h"

class QRadioButton;

namespace tesmora::desktop {

class CFieldLen : public COperationDlg {
    Q_OBJECT

  public:
    CFieldLen(Document& doc, CChildView* view, QWidget* parent = nullptr);

    CFieldSpin* LengthBox() const { return length_; }            // 1026 / 1047
    QRadioButton* KeepBeginning() const { return keep_begin_; }  // 1003
    QRadioButton* KeepEnd() const { return keep_end_; }          // 1005
    QCheckBox* FillCheck() const { return fill_check_; }         // 1037
    QLineEdit* FillEdit() const { return fill_; }                // 1007

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    CFieldSpin* length_;
    QRadioButton* keep_begin_;
    QRadioButton* keep_end_;
    QCheckBox* fill_check_;
    QLineEdit* fill_;
};

}  // namespace tesmora::desktop
