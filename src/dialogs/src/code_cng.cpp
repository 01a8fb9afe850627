#include "tesmora/dialogs/code_cng.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>

#include "tesmora/ops/operations.h"

namespace tesmora::desktop {

CCodeCng::CCodeCng(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("他ファイル参照置換"), parent) {
    const LookupRequest settings = LoadLookupSettings(doc_.Settings());
    AddFieldRow(QStringLiteral("1 現在の置換対象フィールド："), settings.target.value);

    preview_ = new COtherFilePreview(doc_, 5, 1022, this);
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(new QLabel(QStringLiteral("2 他ファイル："), this));
    file_row->addWidget(preview_->BrowseButton());
    file_row->addStretch(1);
    Body()->addLayout(file_row);

    compare_button_ = new QRadioButton(QStringLiteral("3 比較フィールド"), this);
    replacement_button_ = new QRadioButton(QStringLiteral("4 置換文字フィールド"), this);
    compare_button_->setObjectName(ControlName(1003));
    replacement_button_->setObjectName(ControlName(1005));
    auto* group = new QButtonGroup(this);
    group->addButton(compare_button_);
    group->addButton(replacement_button_);
    compare_ = NumberBox(1047, 0, 0, 0);
    replacement_ = NumberBox(1053, 0, 0, 0);
    auto* fields_row = new QHBoxLayout;
    fields_row->addWidget(compare_button_);
    fields_row->addWidget(compare_);
    fields_row->addSpacing(16);
    fields_row->addWidget(replacement_button_);
    fields_row->addWidget(replacement_);
    fields_row->addStretch(1);
    Body()->addLayout(fields_row);
    Body()->addWidget(preview_->List());

    (settings.replacement_chosen ? replacement_button_ : compare_button_)->setChecked(true);

    compare_->SetStepHook(
        [this](int pos, int delta) { return OtherStep(compare_button_, pos, delta); });
    replacement_->SetStepHook(
        [this](int pos, int delta) { return OtherStep(replacement_button_, pos, delta); });
    connect(compare_button_, &QRadioButton::clicked, this,
            [this] { preview_->SetHighlighted(compare_->value()); });
    connect(replacement_button_, &QRadioButton::clicked, this,
            [this] { preview_->SetHighlighted(replacement_->value()); });
    connect(preview_, &COtherFilePreview::Loaded, this, [this](int columns) {
        for (CFieldSpin* box : {compare_, replacement_}) {
            box->setRange(0, columns - 1);
            box->setValue(0);
        }
    });
    connect(preview_, &COtherFilePreview::ColumnClicked, this, [this](int column) {
        (compare_button_->isChecked() ? compare_ : replacement_)->setValue(column);
    });
    FinishLayout();
}

int CCodeCng::OtherStep(QRadioButton* radio, int pos, int delta) {
    const int column = std::clamp(pos + delta, 0, std::max(preview_->Columns() - 1, 0));
    if (!radio->isChecked()) radio->setChecked(true);
    preview_->SetHighlighted(column);
    return column;
}

LookupRequest CCodeCng::Request() const {
    LookupRequest r;
    r.target = FieldIndex{FieldBox()->value()};
    r.other = preview_->Path();
    r.compare = FieldIndex{compare_->value()};
    r.replacement = FieldIndex{replacement_->value()};
    r.replacement_chosen = replacement_button_->isChecked();
    return r;
}

bool CCodeCng::OnOK() {
    const LookupRequest r = Request();
    if (!Validate(ValidateLookup(r))) return false;
    StoreLookupSettings(doc_.Settings(), r);
    if (!RunStep(doc_, r)) return false;
    // The reload has brought the view back to its first record already.
    doc_.ViewSink().UpdateViewLayout();
    return true;
}

QString CCodeCng::Explanation() const {
    return QStringLiteral(
        "　現在のファイルの対象フィールドの文字と他ファイルの比較フィールドの文字を比較して"
        "一致するレコードの置換文字を現在のファイルの対象フィールドの文字に設定します\r\n\r\n"
        "1 現在の置換対象フィールド：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 他ファイル：\r\n"
        "  "
        "「参照」ボタンをクリックして、参照するファイルを選択するとリストにそのファイルの最初の5レ"
        "コードが表示されます\r\n"
        " ※ "
        "「他ファイル」は、置換対象フィールドの文字と、その置換文字を持つ、コードファイルのようなも"
        "ので、ＣＳＶファイルでないと処理できません\r\n\r\n"
        "3 比較フィールド　と　4 置換文字フィールド\r\n"
        "  "
        "リストのタイトルに表示されている0からのフィールド番号をスピンボタンをクリックして指定しま"
        "す\r\n"
        "　または、リストのタイトルをクリックするとチェックのあるフィールドに位置がセットされます\r"
        "\n"
        "\r\n"
        "【使用例】\r\n"
        " (現在のファイル) 会員, 201, 新町１丁目23, 青森, 太郎\r\n"
        " (参照ファイル)   20, 青森県, 201, 青森市, 105, 新町１丁目\r\n\r\n"
        "　上記のような名簿が現在のファイルとしてセットされ、第2フィールドを対象フィールドとし、"
        "参照ファイルの第3フィールドを比較フィールド、第4フィールドを置換文字フィールドとした場合、"
        "現在のファイルは、次のようになります\r\n\r\n"
        " (現在のファイル) 会員, 青森市, 新町１丁目23, 青森, 太郎\r\n\r\n"
        "※ 他ファイルの比較フィールドに一致する文字がない時は、何も置換されません\r\n"
        "※ 他ファイルに複数該当あった場合は、最初に見つかった文字で置換されます\r\n");
}

}  // namespace tesmora::desktop
