#pragma once
// "レコード長編集": every record to the longest record's length or to a
// given length (files without commas).
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/record_length.h"

class QRadioButton;

namespace tesmora::desktop {

class CLineLength : public COperationDlg {
    Q_OBJECT

  public:
    CLineLength(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QRadioButton* LongestButton() const { return longest_; }  // 1003
    QRadioButton* GivenButton() const { return given_; }      // 1005
    CFieldSpin* LengthBox() const { return length_; }         // 1001 / 1046

    RecordLengthRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    QRadioButton* longest_;
    QRadioButton* given_;
    CFieldSpin* length_;
};

}  // namespace tesmora::desktop
