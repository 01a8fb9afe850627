#include "tesmora/dialogs/field_len.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "tesmora/ops/field_length.h"
#include "tesmora/ops/operations.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {

CFieldLen::CFieldLen(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("フィールド長編集"), parent) {
    const FieldLengthRequest settings = LoadFieldLengthSettings(doc_.Settings());
    AddFieldRow(QStringLiteral("1 対象フィールド："), settings.key_field.value);

    auto* length_row = new QHBoxLayout;
    auto* length_label = new QLabel(QStringLiteral("2 フィールドの長さ："), this);
    length_ = NumberBox(1047, kMinFieldLength, kMaxFieldLength, settings.length);
    length_label->setBuddy(length_);
    length_row->addWidget(length_label);
    length_row->addWidget(length_);
    length_row->addWidget(new QLabel(QStringLiteral("バイト (1-100)"), this));
    length_row->addStretch(1);
    Body()->addLayout(length_row);

    keep_begin_ = new QRadioButton(QStringLiteral("末尾を切り揃える"), this);
    keep_end_ = new QRadioButton(QStringLiteral("先頭を切り揃える"), this);
    keep_begin_->setObjectName(ControlName(1003));
    keep_end_->setObjectName(ControlName(1005));
    auto* group = new QButtonGroup(this);
    group->addButton(keep_begin_);
    group->addButton(keep_end_);
    auto* side_row = new QHBoxLayout;
    side_row->addSpacing(12);
    side_row->addWidget(keep_begin_);
    side_row->addWidget(keep_end_);
    side_row->addStretch(1);
    Body()->addLayout(side_row);

    fill_check_ = new QCheckBox(QStringLiteral("余白を右の文字で埋める"), this);
    fill_check_->setObjectName(ControlName(1037));
    fill_ = new QLineEdit(this);
    fill_->setObjectName(ControlName(1007));
    fill_->setAlignment(Qt::AlignCenter);
    fill_->setFixedWidth(fill_->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 12);
    LimitToCodePage(fill_);
    auto* fill_row = new QHBoxLayout;
    fill_row->addSpacing(12);
    fill_row->addWidget(fill_check_);
    fill_row->addWidget(fill_);
    fill_row->addWidget(new QLabel(QStringLiteral("(1バイト)"), this));
    fill_row->addStretch(1);
    Body()->addLayout(fill_row);
    Body()->addStretch(1);

    (settings.keep_end ? keep_end_ : keep_begin_)->setChecked(true);
    fill_check_->setChecked(settings.use_fill);
    // The stored text does not check the box; typing does.
    fill_->setText(QString::fromUtf8(settings.fill_text));
    connect(fill_, &QLineEdit::textEdited, fill_check_, [this] { fill_check_->setChecked(true); });
    FinishLayout();
}

FieldLengthRequest CFieldLen::Request() const {
    FieldLengthRequest r;
    r.key_field = FieldIndex{FieldBox()->value()};
    r.length = length_->value();
    r.keep_end = keep_end_->isChecked();
    r.use_fill = fill_check_->isChecked();
    // The fill box only takes text code page 932 holds.
    r.fill_text = ToCp932(fill_->text()).value_or(std::string());
    return r;
}

QWidget* CFieldLen::FocusControl(Focus focus) const {
    return focus == Focus::FillText ? fill_ : nullptr;
}

bool CFieldLen::OnOK() {
    const FieldLengthRequest r = Request();
    StoreFieldLengthSettings(doc_.Settings(), r);
    if (!Validate(ValidateFieldLength(r))) return false;
    // Kept as the text typed (UTF-8), as the settings hold text.
    FieldLengthRequest stored = r;
    stored.fill_text = fill_->text().toStdString();
    StoreFieldLengthFill(doc_.Settings(), stored);
    return RunStep(doc_, r);
}

QString CFieldLen::Explanation() const {
    return QStringLiteral(
        "　対象フィールドの長さを指定した長さに編集します\r\n\r\n"
        "1 対象フィールド：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 フィールドの長さ：\r\n"
        "　切り揃える長さを指定します\r\n"
        " ※ フィールド長が指定の長さより短い場合、余白は半角スペースで埋められます\r\n"
        "　半角スペース以外の文字で埋めたい場合は、「余白を右の文字で埋める」にチェックし、"
        "その右側に埋めたい文字を入力してください\r\n\r\n"
        " ※「末尾を切り揃える」の場合、前方を長さ分残して、余分な末尾をカットします\r\n"
        " ※「先頭を切り揃える」の場合、後方から長さ分残して、余分な前の部分をカットします\r\n");
}

}  // namespace tesmora::desktop
