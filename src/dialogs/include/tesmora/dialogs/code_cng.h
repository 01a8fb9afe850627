#pragma once
// "他ファイル参照置換": one field of every record replaced by the value a code
// table in another file gives for it.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/dialogs/other_file_preview.h"
#include "tesmora/ops/lookup.h"

class QRadioButton;

namespace tesmora::desktop {

class CCodeCng : public COperationDlg {
    Q_OBJECT

  public:
    CCodeCng(Document& doc, CChildView* view, QWidget* parent = nullptr);

    COtherFilePreview* Preview() const { return preview_; }
    QRadioButton* CompareButton() const { return compare_button_; }          // 1003
    QRadioButton* ReplacementButton() const { return replacement_button_; }  // 1005
    CFieldSpin* CompareBox() const { return compare_; }                      // 1007 / 1047
    CFieldSpin* ReplacementBox() const { return replacement_; }              // 1009 / 1053

    // The run's request: the field box, not the selection, is the target.
    LookupRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    // An arrow of one of the other file's boxes: the column it shows is
    // highlighted and its radio button checked.
    int OtherStep(QRadioButton* radio, int pos, int delta);

    COtherFilePreview* preview_;
    QRadioButton* compare_button_;
    QRadioButton* replacement_button_;
    CFieldSpin* compare_;
    CFieldSpin* replacement_;
};

}  // namespace tesmora::desktop
