#include "tesmora/dialogs/sort_dlg.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

#include "tesmora/ops/operations.h"

namespace tesmora::desktop {

CSortDlg::CSortDlg(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("ソート"), parent) {
    const SortRequest settings = LoadSortSettings(doc_.Settings());
    AddFieldRow(QStringLiteral("1 キーフィールド："), settings.key_field.value);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("2 ソート順："), this));
    ascending_ = new QRadioButton(QStringLiteral("昇順 (&1)"), this);
    descending_ = new QRadioButton(QStringLiteral("降順 (&2)"), this);
    ascending_->setObjectName(ControlName(1003));
    descending_->setObjectName(ControlName(1005));
    auto* group = new QButtonGroup(this);
    group->addButton(ascending_);
    group->addButton(descending_);
    row->addWidget(ascending_);
    row->addWidget(descending_);
    row->addStretch(1);
    Body()->addLayout(row);
    Body()->addStretch(1);
    (settings.descending ? descending_ : ascending_)->setChecked(true);
    FinishLayout();
}

SortRequest CSortDlg::Request() const {
    SortRequest r;
    r.key_field = FieldIndex{FieldBox()->value()};
    r.descending = descending_->isChecked();
    // A stored key field beyond the fields of this file is selected but not
    // shown; the box shows the last field then, and that is the one sorted by.
    const int start = doc_.View().sel_start.value;
    if (start >= 0 && start < MostFields()) r.key_field = FieldIndex{start};
    return r;
}

bool CSortDlg::OnOK() {
    // The settings keep the field box; the run takes the selection.
    SortRequest stored;
    stored.key_field = FieldIndex{FieldBox()->value()};
    stored.descending = descending_->isChecked();
    StoreSortSettings(doc_.Settings(), stored);
    return RunStep(doc_, Request());
}

QString CSortDlg::Explanation() const {
    return QStringLiteral(
        "  指定したフィールドをキーにして、レコードをソートします\r\n\r\n"
        "1 キーフィールド：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 ソート順：\r\n"
        "  昇順・降順で指定してください\r\n");
}

}  // namespace tesmora::desktop
