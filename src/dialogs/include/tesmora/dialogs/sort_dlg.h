#pragma once
// "ソート": one key field and the order; Start sorts the records by it.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/sort.h"

class QRadioButton;

namespace tesmora::desktop {

class CSortDlg : public COperationDlg {
    Q_OBJECT

  public:
    CSortDlg(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QRadioButton* DescendingButton() const { return descending_; }  // 1005

    // The run's request: the order, and the key the selection start field
    // (the field box when the selection lies beyond the file's fields).
    SortRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    QRadioButton* ascending_;
    QRadioButton* descending_;
};

}  // namespace tesmora::desktop
