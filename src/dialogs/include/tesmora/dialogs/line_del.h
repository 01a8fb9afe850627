#pragma once
// "条件不合致レコード削除": a range of fields, one or two words and how they
// combine, and whether the matching or the other records are deleted.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/line_delete.h"

class QRadioButton;

namespace tesmora::desktop {

class CLineDel : public COperationDlg {
    Q_OBJECT

  public:
    CLineDel(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QLineEdit* Word1Edit() const { return word1_; }        // 1029
    QLineEdit* Word2Edit() const { return word2_; }        // 1034
    QRadioButton* AndButton() const { return and_; }       // 1051
    QRadioButton* OrButton() const { return or_; }         // 1055
    QRadioButton* DeleteMatching() const { return del_; }  // 1049
    QRadioButton* DeleteOthers() const { return leave_; }  // 1017

    // The run's request: the range is the view's selection, the words the
    // boxes' text in code page 932.
    LineDeleteRequest Request() const;

  protected:
    bool OnOK() override;
    QWidget* FocusControl(Focus focus) const override;
    QString Explanation() const override;

  private:
    QLineEdit* word1_;
    QLineEdit* word2_;
    QRadioButton* and_;
    QRadioButton* or_;
    QRadioButton* del_;
    QRadioButton* leave_;
};

}  // namespace tesmora::desktop
