#pragma once
// "ＴＸＴ⇒ＣＳＶ [複数フィールドに分割]": every record cut at the split lines
// placed in multiple split mode; one set of lines can be saved and loaded.
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/txt_to_csv.h"

class QPushButton;

namespace tesmora::desktop {

class CTxtToCsv : public COperationDlg {
    Q_OBJECT

  public:
    CTxtToCsv(Document& doc, CChildView* view, QWidget* parent = nullptr);

    QLabel* CountLabel() const { return count_; }      // 1000
    QCheckBox* TrimCheck() const { return trim_; }     // 1024
    QPushButton* SaveButton() const { return save_; }  // 1019
    QPushButton* LoadButton() const { return load_; }  // 1020

    // 1019 and 1020 clicked.
    void SavePositions();
    void LoadPositions();

    // The run's request: the split positions of the view and the trim flag.
    TxtToCsvRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    // Start, save and load need the mode: offered when it is off; false when
    // declined.
    bool ModeGuard();
    void ShowCount();

    QLabel* count_;
    QCheckBox* trim_;
    QPushButton* save_;
    QPushButton* load_;
};

}  // namespace tesmora::desktop
