#include "tesmora/dialogs/char_cng.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

#include "tesmora/document/messages.h"
#include "tesmora/ops/operations.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {
namespace {

const QString kFilter = QStringLiteral("文字置換設定用ﾌｧｲﾙ(*.cng)");

// The characters of text that code page 932 holds, in order.
QString Holdable(const QString& text) {
    QString kept;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, len);
        if (ToCp932(c)) kept += c;
        i += len - 1;
    }
    return kept;
}

// The edit breaks lines with LF; loaded sets with CR LF.
QString ListText(const std::string& cp932) {
    return FromCp932(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

// ---- the lists ----

CCodePageList::CCodePageList(int id, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(ControlName(id));
    // One line of the list is one string: no wrapping, so lines scroll alike.
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
}

void CCodePageList::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (!text.isEmpty() && text[0].isPrint() && Holdable(text) != text) return;
    QPlainTextEdit::keyPressEvent(event);
}

void CCodePageList::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (Holdable(commit) == commit) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent kept(event->preeditString(), event->attributes());
    kept.setCommitString(Holdable(commit), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&kept);
}

void CCodePageList::insertFromMimeData(const QMimeData* source) {
    if (source->hasText()) insertPlainText(Holdable(source->text()));
}

// ---- the dialog ----

CCharCng::CCharCng(Document& doc, CChildView* view, QWidget* parent)
    : COperationDlg(doc, view, QStringLiteral("複数文字列の置換"), parent) {
    const ReplaceRequest settings = LoadReplaceSettings(doc_.Settings());
    AddRangeRow(QStringLiteral("1 対象範囲："), settings.first.value, settings.last.value, 1047,
                1018);

    Body()->addWidget(new QLabel(QStringLiteral("2 置換前後の文字列：(max:1,000)"), this));
    auto* heads = new QHBoxLayout;
    heads->addSpacing(12);
    heads->addWidget(new QLabel(QStringLiteral("前"), this), 1);
    heads->addWidget(new QLabel(QStringLiteral("⇒"), this));
    heads->addWidget(new QLabel(QStringLiteral("後"), this), 1);
    Body()->addLayout(heads);
    auto* lists = new QHBoxLayout;
    lists->addSpacing(12);
    before_ = new CCodePageList(1001, this);
    after_ = new CCodePageList(1007, this);
    lists->addWidget(before_, 1);
    lists->addWidget(new QLabel(QStringLiteral("⇒"), this));
    lists->addWidget(after_, 1);
    Body()->addLayout(lists, 1);
    for (QPlainTextEdit* list : {before_, after_}) list->setMinimumSize(200, 220);
    // Both lists show the same first line.
    connect(before_->verticalScrollBar(), &QScrollBar::valueChanged, after_->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(after_->verticalScrollBar(), &QScrollBar::valueChanged, before_->verticalScrollBar(),
            &QScrollBar::setValue);

    auto* buttons = new QHBoxLayout;
    buttons->addSpacing(12);
    load_ = new QPushButton(QStringLiteral("3 呼出(&Y)"), this);
    save_ = new QPushButton(QStringLiteral("4 登録(&T)"), this);
    swap_ = new QPushButton(QStringLiteral("5 前後交換(&W)"), this);
    load_->setObjectName(ControlName(1022));
    save_->setObjectName(ControlName(1032));
    swap_->setObjectName(ControlName(1035));
    for (QPushButton* b : {load_, save_, swap_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    connect(load_, &QPushButton::clicked, this, &CCharCng::LoadSet);
    connect(save_, &QPushButton::clicked, this, &CCharCng::SaveSet);
    connect(swap_, &QPushButton::clicked, this, &CCharCng::SwapLists);

    only_one_ =
        new QCheckBox(QStringLiteral("6 一つのフィールドにつき、１置換のみ実行する。(&A)"), this);
    only_one_->setObjectName(ControlName(1024));
    Body()->addWidget(only_one_);
    only_one_->setChecked(settings.only_one);
    FinishLayout();
}

ReplaceRequest CCharCng::Request() const {
    ReplaceRequest r;
    r.first = doc_.View().sel_start;
    r.last = doc_.View().sel_end;
    r.only_one = only_one_->isChecked();
    // The lists only take text code page 932 holds.
    r.before_list = ToCp932(before_->toPlainText()).value_or(std::string());
    r.after_list = ToCp932(after_->toPlainText()).value_or(std::string());
    return r;
}

QWidget* CCharCng::FocusControl(Focus focus) const {
    if (focus == Focus::BeforeList) return before_;
    if (focus == Focus::AfterList) return after_;
    return nullptr;
}

QString CCharCng::ChooseFile(FileDialog kind) {
    if (choose_file_) return choose_file_(kind);
    QFileDialog dialog(this, QStringLiteral("ファイル名を指定"), QString(), kFilter);
    if (kind == FileDialog::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("cng"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void CCharCng::LoadSet() {
    const QString path = ChooseFile(FileDialog::Load);
    if (path.isEmpty()) return;
    std::string before, after;
    const Validation v = LoadReplacementSet(path.toStdString(), before, after);
    if (!v.Accepted()) {
        doc_.Message(v.message, v.style, v.prefix);
        return;
    }
    before_->setPlainText(ListText(before));
    after_->setPlainText(ListText(after));
    NoteSetFile(path.toStdString());
}

void CCharCng::NoteSetFile(const std::string& path) {
    const ReplaceRequest r = Request();
    set_file_ = path;
    set_before_ = r.before_list;
    set_after_ = r.after_list;
}

void CCharCng::SaveSet() {
    const QString path = ChooseFile(FileDialog::Save);
    if (path.isEmpty()) return;
    // Checked before the file is touched: a refused list leaves an existing set as it was.
    ReplacementPairs pairs;
    if (!Validate(ValidatePairs(Request(), doc_.Messages(), &pairs))) return;
    const Validation saved = SaveReplacementSet(path.toStdString(), pairs);
    if (!saved.Accepted()) {
        doc_.Message(saved.message, saved.style, saved.prefix);
        return;
    }
    NoteSetFile(path.toStdString());
    Message(kMsgSetSaved, MsgStyle::Info);
}

void CCharCng::SwapLists() {
    const QString before = before_->toPlainText();
    before_->setPlainText(after_->toPlainText());
    after_->setPlainText(before);
}

bool CCharCng::OnOK() {
    // The settings keep the numbers the boxes show; the run takes the selection.
    ReplaceRequest stored = Request();
    stored.first = FieldIndex{FieldBox()->value()};
    stored.last = FieldIndex{EndBox()->value()};
    StoreReplaceSettings(doc_.Settings(), stored);

    const ReplaceRequest r = Request();
    ReplacementPairs pairs;
    if (!Validate(ValidatePairs(r, doc_.Messages(), &pairs))) return false;
    if (!RunReplace(doc_, r, pairs)) return false;
    // The history names the set file while the lists are still as it holds them.
    const bool from_file = r.before_list == set_before_ && r.after_list == set_after_;
    RecordStep(doc_, ReplaceStep{r, from_file ? set_file_ : std::string(), PairsSwapped(r, pairs)});
    return true;
}

QString CCharCng::Explanation() const {
    return QStringLiteral(
        "  対象範囲のフィールド内の文字列を複数一括置換します\r\n\r\n"
        "1 対象範囲：\r\n"
        "  スピンボタンをクリックしてビューの選択フィールドを移動させて指定してください\r\n"
        " ※ "
        "このダイアログを表示させる前にビューをＷクリックすることでもフィールドの選択が可能です\r\n"
        "\r\n"
        "2 置換前後の文字列：\r\n"
        "  左側に置換前の文字列、右側に置換後の文字列を入力してください\r\n"
        " ※ リストの文字列は、左と右で対になっています\r\n"
        " ※ リストの上から順に置換しますので、登録順にご注意ください\r\n"
        " ※ "
        "リスト左が上から「東」「東京」で、リスト右が上から「ひがし」「とうきょう」の場合、"
        "「東京」は「ひがし京」に置換されます\r\n\r\n"
        "3 呼出\r\n"
        "  よく使用する置換パターンを保存場所から呼び出して、リストにセットします\r\n\r\n"
        "4 登録\r\n"
        "  "
        "毎回、複数の文字列をリストにセットしなくてもよいように場所を指定して保存することができま"
        "す\r\n\r\n"
        "5 前後交換\r\n"
        "  左右のリストの内容を入れ替えます\r\n\r\n"
        "6 一つのフィールドにつき、１置換のみ実行する\r\n"
        "  そのフィールドで一つ置換が終わったら、その後、置換テーブルがいくら残っていても無視しま"
        "す\r\n"
        " ※ "
        "フィールドの文字列が単純で、置換対象が定まっている場合は、このオプションにチェックをする"
        "と高速に処理できます\r\n");
}

}  // namespace tesmora::desktop
