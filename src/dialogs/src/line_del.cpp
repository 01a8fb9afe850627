#include "tesmora/dialogs/line_del.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "tesmora/ops/line_delete.h"
#include "tesmora/ops/operations.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {

CLineDel::CLineDel(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("条件不合致レコード削除"), parent) {
    // The words are kept in the settings as the text typed (UTF-8); the run
    // gets them as code page 932 bytes.
    const LineDeleteRequest settings = LoadLineDeleteSettings(doc_.Settings());
    AddRangeRow(QStringLiteral("1 条件調査範囲："), settings.first.value, settings.last.value);

    auto* word1_row = new QHBoxLayout;
    word1_row->addWidget(new QLabel(QStringLiteral("2 条件：[語句１]"), this));
    word1_ = new QLineEdit(this);
    word1_->setObjectName(ControlName(1029));
    LimitToCodePage(word1_);
    word1_row->addWidget(word1_, 1);
    Body()->addLayout(word1_row);

    auto* combine = new QHBoxLayout;
    combine->addSpacing(60);
    and_ = new QRadioButton(QStringLiteral("And (&A)"), this);
    or_ = new QRadioButton(QStringLiteral("Or (&O)"), this);
    and_->setObjectName(ControlName(1051));
    or_->setObjectName(ControlName(1055));
    auto* combine_group = new QButtonGroup(this);
    combine_group->addButton(and_);
    combine_group->addButton(or_);
    combine->addWidget(and_);
    combine->addWidget(or_);
    combine->addStretch(1);
    Body()->addLayout(combine);

    auto* word2_row = new QHBoxLayout;
    auto* word2_label = new QLabel(QStringLiteral("[語句２]"), this);
    word2_row->addSpacing(48);
    word2_row->addWidget(word2_label);
    word2_ = new QLineEdit(this);
    word2_->setObjectName(ControlName(1034));
    LimitToCodePage(word2_);
    word2_row->addWidget(word2_, 1);
    Body()->addLayout(word2_row);

    Body()->addWidget(new QLabel(QStringLiteral("3 削除方法："), this));
    del_ =
        new QRadioButton(QStringLiteral("条件に合致する語句を含むレコードを削除する。(&D)"), this);
    leave_ = new QRadioButton(
        QStringLiteral("条件に合致する語句を含まないレコードを削除する。(&L)"), this);
    del_->setObjectName(ControlName(1049));
    leave_->setObjectName(ControlName(1017));
    auto* mode_group = new QButtonGroup(this);
    mode_group->addButton(del_);
    mode_group->addButton(leave_);
    for (QRadioButton* b : {del_, leave_}) {
        auto* row = new QHBoxLayout;
        row->addSpacing(12);
        row->addWidget(b);
        row->addStretch(1);
        Body()->addLayout(row);
    }
    Body()->addStretch(1);

    (settings.keep_matching ? leave_ : del_)->setChecked(true);
    word1_->setText(QString::fromUtf8(settings.word1));
    word2_->setText(QString::fromUtf8(settings.word2));
    (settings.use_or ? or_ : and_)->setChecked(true);
    FinishLayout();
}

LineDeleteRequest CLineDel::Request() const {
    LineDeleteRequest r;
    r.first = doc_.View().sel_start;
    r.last = doc_.View().sel_end;
    r.keep_matching = !del_->isChecked();
    // The boxes only offer text code page 932 holds.
    r.word1 = ToCp932(word1_->text()).value_or(std::string());
    r.word2 = ToCp932(word2_->text()).value_or(std::string());
    r.use_or = !and_->isChecked();
    return r;
}

QWidget* CLineDel::FocusControl(Focus focus) const {
    return focus == Focus::Word1 ? word1_ : nullptr;
}

bool CLineDel::OnOK() {
    // The settings keep the boxes and the text typed; the run takes the
    // selection and the code page 932 bytes.
    LineDeleteRequest stored = Request();
    stored.first = FieldIndex{FieldBox()->value()};
    stored.last = FieldIndex{EndBox()->value()};
    stored.word1 = word1_->text().toStdString();
    stored.word2 = word2_->text().toStdString();
    StoreLineDeleteRange(doc_.Settings(), stored);

    const LineDeleteRequest r = Request();
    if (!Validate(ValidateLineDelete(r))) return false;
    StoreLineDeleteWords(doc_.Settings(), stored);
    return RunStep(doc_, r);
}

QString CLineDel::Explanation() const {
    return QStringLiteral(
        "　指定した文字が含まれる、または、含まないレコードを削除します\r\n\r\n"
        "1 条件調査範囲：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 条件：\r\n"
        "　語句１は必須ですが、語句２は空欄も可能です\r\n"
        " ※ 語句２が空欄の時は、And Or は無視されます\r\n\r\n"
        "3 削除方法：\r\n"
        "  "
        "条件に合致したものを削除するのか、合致しないものを削除するのかを指定してください\r\n\r\n");
}

}  // namespace tesmora::desktop
