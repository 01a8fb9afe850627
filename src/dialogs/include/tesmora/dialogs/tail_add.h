#pragma once
// "末尾に他ファイルのレコード追加": each record gets the first record of another
// file whose key field equals its own.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/dialogs/other_file_preview.h"
#include "tesmora/ops/tail_add.h"

namespace tesmora::desktop {

class CTailAdd : public COperationDlg {
    Q_OBJECT

  public:
    CTailAdd(Document& doc, CChildView* view, QWidget* parent = nullptr);

    COtherFilePreview* Preview() const { return preview_; }
    CFieldSpin* OtherKeyBox() const { return other_key_; }  // 1007 / 1047
    QCheckBox* SpaceCheck() const { return spaces_; }       // 1024

    // The run's request: the field box, not the selection, is the key.
    TailAddRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    COtherFilePreview* preview_;
    CFieldSpin* other_key_;
    QCheckBox* spaces_;
};

}  // namespace tesmora::desktop
