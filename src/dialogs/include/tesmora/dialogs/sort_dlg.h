#pragma once
// "ソート": one key field and the order; Start sorts the records by it.
#include "tesmora/dialogs/operation_dlg.h"

class QRadioButton;

namespace tesmora::desktop {

class CSortDlg : public COperationDlg {
    Q_OBJECT

  public:
    CSortDlg(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QRadioButton* AscendingButton() const { return ascending_; }    // 1003
    QRadioButton* DescendingButton() const { return descending_; }  // 1005

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    QRadioButton* ascending_;
    QRadioButton* descending_;
};

}  // namespace tesmora::desktop
