#include "tesmora/dialogs/csv_to_txt.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "tesmora/ops/operations.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {

CCsvToTxt::CCsvToTxt(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("ＣＳＶ⇒ＴＸＴ [最長フィールドに調整]"), parent) {
    const CsvToTxtRequest settings = LoadCsvToTxtSettings(doc_.Settings());
    Body()->addWidget(new QLabel(QStringLiteral("1 フィールド区切り(，)の処理："), this));

    delete_ = new QRadioButton(QStringLiteral("削除する (&A)"), this);
    replace_ = new QRadioButton(QStringLiteral("右の文字に置換する (&B)"), this);
    keep_ = new QRadioButton(QStringLiteral("そのままにする (&C)"), this);
    delete_->setObjectName(ControlName(1003));
    replace_->setObjectName(ControlName(1005));
    keep_->setObjectName(ControlName(1013));
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {delete_, replace_, keep_}) group->addButton(b);

    text_ = new QLineEdit(this);
    text_->setObjectName(ControlName(1001));
    text_->setFixedWidth(text_->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 10);
    LimitToCodePage(text_);
    // Going to the text chooses replacing.
    text_->installEventFilter(this);

    for (QRadioButton* b : {delete_, replace_, keep_}) {
        auto* row = new QHBoxLayout;
        row->addSpacing(12);
        row->addWidget(b);
        if (b == replace_) row->addWidget(text_);
        row->addStretch(1);
        Body()->addLayout(row);
    }
    Body()->addStretch(1);

    (settings.mode == CommaMode::Delete    ? delete_
     : settings.mode == CommaMode::Replace ? replace_
                                           : keep_)
        ->setChecked(true);
    text_->setText(QString::fromUtf8(settings.text));
    FinishLayout();
}

bool CCsvToTxt::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::FocusIn) replace_->setChecked(true);
    return COperationDlg::eventFilter(watched, event);
}

CsvToTxtRequest CCsvToTxt::Request() const {
    CsvToTxtRequest r;
    r.mode = delete_->isChecked()    ? CommaMode::Delete
             : replace_->isChecked() ? CommaMode::Replace
                                     : CommaMode::Keep;
    // The box only takes text code page 932 holds.
    r.text = ToCp932(text_->text()).value_or(std::string());
    return r;
}

QWidget* CCsvToTxt::FocusControl(Focus focus) const {
    return focus == Focus::Separator ? text_ : nullptr;
}

bool CCsvToTxt::OnOK() {
    const CsvToTxtRequest r = Request();
    StoreCsvToTxtMode(doc_.Settings(), r);
    if (!Validate(ValidateCsvToTxt(r))) return false;
    // Kept as the text typed (UTF-8), whatever the mode.
    CsvToTxtRequest stored = r;
    stored.text = text_->text().toStdString();
    StoreCsvToTxtText(doc_.Settings(), stored);
    return RunStep(doc_, r);
}

QString CCsvToTxt::Explanation() const {
    return QStringLiteral(
        "  全フィールドをそのフィールドの最長文字数に合わせて調整します\r\n"
        "  ※ 調整は末尾に半角スペースを付加して行います\r\n\r\n"
        "1 フィールド区切り(,)の処理：\r\n"
        "  次の３種類の処理から選択可能です\r\n"
        "  「削除」\t\t\t\t\t単純にコンマを削除して、前に詰めます\r\n"
        "  「右の文字に置換する」\tコンマを入力した文字で置き換えます\r\n"
        "  「そのままにする」\t\tコンマをそのまま残します\r\n");
}

}  // namespace tesmora::desktop
