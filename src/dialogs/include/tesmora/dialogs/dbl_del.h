#pragma once
// "重複レコードの処理": a key field, one of four ways to treat runs of equal
// keys in adjacent records, and whether spaces count in the keys.
#include <array>

#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/ops/duplicates.h"

class QRadioButton;

namespace tesmora::desktop {

class CDblDel : public COperationDlg {
    Q_OBJECT

  public:
    CDblDel(Document& doc, CChildView* view, QWidget* parent = nullptr);

    // The radio buttons of modes 0 to 3 (1003, 1005, 1013, 1008).
    QRadioButton* ModeButton(int mode) const { return modes_[static_cast<std::size_t>(mode)]; }
    int Mode() const;
    DuplicateRequest Request() const;

  protected:
    bool OnOK() override;
    QString Explanation() const override;

  private:
    std::array<QRadioButton*, 4> modes_{};
    QCheckBox* spaces_;
};

}  // namespace tesmora::desktop
