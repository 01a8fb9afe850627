#include "tesmora/dialogs/txt_to_csv.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "tesmora/ops/operations.h"

namespace tesmora::desktop {

CTxtToCsv::CTxtToCsv(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("ＴＸＴ⇒ＣＳＶ [複数フィールドに分割]"), parent) {
    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QStringLiteral("3 位置保存(&W)"), this);
    load_ = new QPushButton(QStringLiteral("4 位置読込(&R)"), this);
    save_->setObjectName(ControlName(1019));
    load_->setObjectName(ControlName(1020));
    save_->setAutoDefault(false);
    load_->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(load_);
    Body()->addLayout(buttons);

    auto* count_row = new QHBoxLayout;
    count_row->addWidget(new QLabel(QStringLiteral("1 分割数："), this));
    count_ = new QLabel(this);
    count_->setObjectName(ControlName(1000));
    count_->setAlignment(Qt::AlignCenter);
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    count_row->addWidget(count_);
    count_row->addStretch(1);
    Body()->addLayout(count_row);

    trim_ = new QCheckBox(QStringLiteral("2 分割後、各フィールド末尾のスペースを除去する"), this);
    trim_->setObjectName(ControlName(1024));
    trim_->setChecked(LoadTxtToCsvTrim(doc_.Settings()));
    Body()->addWidget(trim_);
    Body()->addStretch(1);

    connect(save_, &QPushButton::clicked, this, &CTxtToCsv::SavePositions);
    connect(load_, &QPushButton::clicked, this, &CTxtToCsv::LoadPositions);
    ShowCount();
    FinishLayout();
}

void CTxtToCsv::ShowCount() {
    const std::size_t n = doc_.View().split_positions.size();
    count_->setText(n == 0 ? QStringLiteral("なし") : QString::number(n + 1));
}

bool CTxtToCsv::ModeGuard() {
    if (doc_.View().split_mode) return true;
    if (doc_.Message(kMsgNeedSplitMode, MsgStyle::Question) != kIdYes) return false;
    doc_.SetSplitMode(true);
    doc_.ViewSink().UpdateViewLayout();
    return true;
}

TxtToCsvRequest CTxtToCsv::Request() const {
    return TxtToCsvRequest{doc_.View().split_positions, trim_->isChecked()};
}

bool CTxtToCsv::OnOK() {
    if (!ModeGuard()) return false;
    const TxtToCsvRequest r = Request();
    if (!Validate(ValidateTxtToCsv(r))) return false;
    StoreTxtToCsvTrim(doc_.Settings(), r.trim);
    if (!RunStep(doc_, r)) return false;
    // Only a committed conversion gives up the lines: after a failure the
    // user keeps what was placed.
    doc_.View().split_positions.clear();
    doc_.SetSplitMode(false);
    doc_.ViewSink().UpdateViewLayout();
    return true;
}

void CTxtToCsv::SavePositions() {
    if (!ModeGuard()) return;
    const std::vector<int>& positions = doc_.View().split_positions;
    if (positions.empty()) {
        Message(kMsgNoSplitPositions, MsgStyle::Info);
        return;
    }
    StoreSplitPositions(doc_.Settings(), positions);
    Message(kMsgPositionsSaved, MsgStyle::Info);
}

void CTxtToCsv::LoadPositions() {
    if (!ModeGuard()) return;
    std::vector<int> saved = LoadSplitPositions(doc_.Settings());
    if (saved.empty()) {
        Message(kMsgNoSavedPositions);
        return;
    }
    std::vector<int>& positions = doc_.View().split_positions;
    if (!positions.empty() && doc_.Message(kMsgReplaceSplitPositions, MsgStyle::Question) != kIdYes)
        return;
    positions = std::move(saved);
    ShowCount();
    doc_.ViewSink().UpdateViewLayout();
}

QString CTxtToCsv::Explanation() const {
    return QStringLiteral(
        "  区切り線をフリーハンドで設定し、複数のフィールドに分割します\r\n"
        "  ※ 各フィールド末尾のスペース(半角・全角)を除去します\r\n\r\n"
        "1 分割数\r\n"
        "　現在、設定されている分割数を参考表示しています\r\n\r\n"
        "2 分割後、各フィールド末尾のスペースを除去する\r\n"
        "　ＣＳＶファイルの各フィールド末尾に半角または全角のスペースが生じた場合は、除去します\r\n"
        "\r\n"
        "3 位置保存\r\n"
        "　フリーハンドで設定した位置を保存します。（１つのみ　）\r\n\r\n"
        "4 位置読込\r\n"
        "　「位置保存」で保存した設定位置を読み込みます\r\n"
        " ※ 既に、フリーハンドで設定した位置がある場合は、上書きされます\r\n\r\n"
        "【区切り線の設定方法】\r\n"
        "「追加」　ビューの区切りにしたい位置をＷクリックすると、区切り線（赤色縦線）が表示されます"
        "\r\n"
        "「移動」　マウスカーソルが区切り線上に乗ると左右の矢印形状に変わりますので、"
        "左右にドラッグ＆ドロップして、新しい位置を設定してください\r\n"
        "「削除」　区切り線を移動させて他の区切り線に重ねると削除されます\r\n\r\n"
        "※ "
        "一度に、すべての区切り線を削除したい場合は、一旦複数分割モードを解除して、再設定してくださ"
        "い\r\n"
        "※ "
        "区切り線のセット位置は、半角文字幅単位になっていますので、全角文字が分割されないように設定"
        "してください\r\n");
}

}  // namespace tesmora::desktop
