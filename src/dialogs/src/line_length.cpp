#include "tesmora/dialogs/line_length.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>

#include "tesmora/ops/operations.h"
#include "tesmora/ops/record_length.h"

namespace tesmora::desktop {

CLineLength::CLineLength(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("レコード長編集"), parent) {
    const RecordLengthRequest settings = LoadRecordLengthSettings(doc_.Settings());
    Body()->addWidget(new QLabel(QStringLiteral("1 編集方法："), this));

    longest_ =
        new QRadioButton(QStringLiteral("全てのレコードを最長行の長さと同じにする (&L)"), this);
    given_ = new QRadioButton(QStringLiteral("レコード長指定："), this);
    longest_->setObjectName(ControlName(1003));
    given_->setObjectName(ControlName(1005));
    auto* group = new QButtonGroup(this);
    group->addButton(longest_);
    group->addButton(given_);

    auto* first = new QHBoxLayout;
    first->addSpacing(12);
    first->addWidget(longest_);
    first->addStretch(1);
    Body()->addLayout(first);

    // Up to 4,998 bytes: a longer record would break the line limit and the
    // result could not be loaded.
    length_ = NumberBox(1046, kMinRecordLength, kMaxRecordLength, settings.length);
    auto* second = new QHBoxLayout;
    second->addSpacing(12);
    second->addWidget(given_);
    second->addWidget(length_);
    second->addWidget(new QLabel(QStringLiteral("ﾊﾞｲﾄ (%1 - %2)")
                                     .arg(kMinRecordLength)
                                     .arg(QLocale(QLocale::English).toString(kMaxRecordLength)),
                                 this));
    second->addStretch(1);
    Body()->addLayout(second);
    Body()->addStretch(1);

    (settings.given_length ? given_ : longest_)->setChecked(true);
    FinishLayout();
}

RecordLengthRequest CLineLength::Request() const {
    RecordLengthRequest r;
    r.given_length = given_->isChecked();
    r.length = length_->value();
    return r;
}

bool CLineLength::OnOK() {
    const RecordLengthRequest r = Request();
    StoreRecordLengthMode(doc_.Settings(), r);
    if (!Validate(ValidateRecordLength(doc_, r))) return false;
    StoreRecordLengthValue(doc_.Settings(), r);
    return RunStep(doc_, r);
}

QString CLineLength::Explanation() const {
    return QStringLiteral(
        "　全レコード長を一定の長さに揃えます\r\n\r\n"
        "1 編集方法：\r\n"
        "(1) 全てのレコードを最長行の長さと同じにする\r\n"
        "　　全レコードの中で最も長いレコードに合わせて、レコード長を調整します\r\n\r\n"
        "(2) レコード長指定\r\n"
        "　　指定バイト数に満たないレコードには末尾に半角スペースが付加されます\r\n"
        "　　逆に超えているレコードは、指定バイト数以降の内容は切り捨てられます\r\n");
}

}  // namespace tesmora::desktop
