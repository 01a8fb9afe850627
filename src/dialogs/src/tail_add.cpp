#include "tesmora/dialogs/tail_add.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "tesmora/ops/operations.h"

namespace tesmora::desktop {

CTailAdd::CTailAdd(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("末尾に他ファイルのレコード追加"), parent) {
    const TailAddRequest settings = LoadTailAddSettings(doc_.Settings());
    AddFieldRow(QStringLiteral("1 現在のファイルの対照フィールド："), settings.key_field.value);

    preview_ = new COtherFilePreview(doc_, 3, 1002, this);
    auto* other_row = new QHBoxLayout;
    auto* other_label = new QLabel(QStringLiteral("2 他のファイルの対照フィールド："), this);
    other_key_ = NumberBox(1047, 0, 0, 0);
    other_label->setBuddy(other_key_);
    other_row->addWidget(other_label);
    other_row->addWidget(other_key_);
    other_row->addSpacing(12);
    other_row->addWidget(preview_->BrowseButton());
    other_row->addStretch(1);
    Body()->addLayout(other_row);
    Body()->addWidget(preview_->List());

    spaces_ = new QCheckBox(QStringLiteral("3 対照時、フィールド内の空白を詰める(&A)"), this);
    spaces_->setObjectName(ControlName(1024));
    spaces_->setChecked(settings.remove_spaces);
    Body()->addWidget(spaces_);

    other_key_->SetStepHook([this](int pos, int delta) {
        const int column = std::clamp(pos + delta, 0, std::max(preview_->Columns() - 1, 0));
        preview_->SetHighlighted(column);
        return column;
    });
    connect(preview_, &COtherFilePreview::Loaded, this, [this](int columns) {
        other_key_->setRange(0, columns - 1);
        other_key_->setValue(0);
    });
    connect(preview_, &COtherFilePreview::ColumnClicked, other_key_, &QSpinBox::setValue);
    FinishLayout();
}

TailAddRequest CTailAdd::Request() const {
    TailAddRequest r;
    r.key_field = FieldIndex{FieldBox()->value()};
    r.other = preview_->Path();
    r.other_key_field = FieldIndex{other_key_->value()};
    r.remove_spaces = spaces_->isChecked();
    return r;
}

bool CTailAdd::OnOK() {
    const TailAddRequest r = Request();
    if (!Validate(ValidateTailAdd(r))) return false;
    StoreTailAddSettings(doc_.Settings(), r);
    return RunStep(doc_, r);
}

QString CTailAdd::Explanation() const {
    return QStringLiteral(
        "　現在のファイルの対照フィールドと、他のファイルの対照フィールドの文字が一致するレコード"
        "を探します。一致した時は、現在のファイルのレコードの末尾に一致した他のファイルのレコード"
        "を追加します\r\n\r\n"
        "1 現在のファイルの対照フィールド：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 他のファイルの対照フィールド：\r\n"
        "  「参照」ボタンをクリックして、対照するファイルを選択し、下のリストに内容が表示さ"
        "れたら、対照フィールドの列見出しをクリックしてください\r\n\r\n"
        "3 対照時、フィールド内の空白を詰める：\r\n"
        "  "
        "空白の有無で対照結果が違ったものにならないように、両方のフィールド内の文字を対照する時、"
        "全角・半角スペースを除去してから対照します\r\n\r\n"
        "※ 他のファイルに一致するレコードがない時は、末尾には何も追加されません\r\n"
        "※ "
        "他のファイルに複数該当があった場合は、そのファイル内で最初に見つかったレコードが追加されま"
        "す\r\n");
}

}  // namespace tesmora::desktop
