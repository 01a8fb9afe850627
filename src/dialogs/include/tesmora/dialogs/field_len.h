#pragma once
// "フィールド長編集": one field of every record cut or padded to a length,
// at its end or at its beginning, with spaces or a typed fill character.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/field_length.h"

class QRadioButton;

namespace tesmora::desktop {

class CFieldLen : public COperationDlg {
    Q_OBJECT

  public:
    CFieldLen(Document& doc, CChildView* view, QWidget* parent = nullptr);

    CFieldSpin* LengthBox() const { return length_; }     // 1026 / 1047
    QRadioButton* KeepEnd() const { return keep_end_; }   // 1005
    QCheckBox* FillCheck() const { return fill_check_; }  // 1037
    QLineEdit* FillEdit() const { return fill_; }         // 1007

    // The run's request: the fill text in code page 932.
    FieldLengthRequest Request() const;

  protected:
    bool OnOK() override;
    QWidget* FocusControl(Focus focus) const override;
    QString Explanation() const override;

  private:
    CFieldSpin* length_;
    QRadioButton* keep_begin_;
    QRadioButton* keep_end_;
    QCheckBox* fill_check_;
    QLineEdit* fill_;
};

}  // namespace tesmora::desktop
