#include "tesmora/dialogs/operation_dlg.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "tesmora/dialogs/dialog_art.h"
#include "tesmora/document/messages.h"
#include "tesmora/view/child_view.h"
#include "tesmora/view/codepage.h"
#include "tesmora/view/on_screen.h"

namespace tesmora::desktop {
namespace {

constexpr int kPanelGrowth = 200;  // 100 pixels above and below, all of it downwards
constexpr int kPanelHeight = 190;
constexpr int kMinWidth = 460;

// Refuses characters that code page 932 has no code for: the records can
// never hold them, so a word with one could only mislead.
class CodePageValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return ToCp932(input) ? Acceptable : Invalid;
    }
};

}  // namespace

QString ControlName(int id) {
    return QStringLiteral("ctl%1").arg(id);
}

CFieldSpin::CFieldSpin(int id, QWidget* parent) : QSpinBox(parent) {
    setObjectName(ControlName(id));
    setAlignment(Qt::AlignCenter);
    setAccelerated(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(this, &QSpinBox::valueChanged, this, &CFieldSpin::ValueChanged);
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] { typed_ = false; });
}

void CFieldSpin::SetStepHook(StepHook hook) {
    hook_ = std::move(hook);
    // A number being typed is taken whole, not digit by digit: "12" must not
    // first move the selection to 1.
    setKeyboardTracking(false);
}

void CFieldSpin::stepBy(int steps) {
    if (!hook_) {
        QSpinBox::stepBy(steps);
        return;
    }
    TakeTyped();
    // The position about to change: the hook moves the selection and says
    // where the box ends; the box keeps it within its range.
    setValue(hook_(value(), steps));
    selectAll();
}

void CFieldSpin::TakeTyped() {
    if (typed_) interpretText();
    typed_ = false;
}

void CFieldSpin::SetPosition(int pos) {
    typed_ = false;
    setValue(pos);
}

void CFieldSpin::ValueChanged(int value) {
    if (!hook_ || !typed_) {
        pos_ = value;
        return;
    }
    typed_ = false;
    // As if the arrows had stepped from the old position to the number.
    const int shown = hook_(pos_, value - pos_);
    pos_ = value;
    setValue(shown);
}

COperationDlg::COperationDlg(Document& doc, CChildView* view, const QString& title, QWidget* parent)
    : QDialog(parent), doc_(doc), view_(view) {
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    page_ = new QWidget(this);
    auto* outer = new QHBoxLayout(page_);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(14);
    body_ = new QVBoxLayout;
    body_->setSpacing(8);
    outer->addLayout(body_, 1);

    auto* side = new QVBoxLayout;
    start_ = new QPushButton(QStringLiteral("開　始(&S)"), page_);
    start_->setObjectName(ControlName(1));
    start_->setDefault(true);
    start_->setAutoDefault(true);
    cancel_ = new QPushButton(QStringLiteral("中　止(&C)"), page_);
    cancel_->setObjectName(ControlName(2));
    cancel_->setAutoDefault(false);
    explain_check_ = new QCheckBox(QStringLiteral("処理説明(&R)"), page_);
    explain_check_->setObjectName(ControlName(1038));
    // Its text on the left of the box.
    explain_check_->setLayoutDirection(Qt::RightToLeft);
    side->addWidget(start_);
    side->addWidget(cancel_);
    side->addStretch(1);
    side->addWidget(explain_check_);
    outer->addLayout(side);

    explain_panel_ = new QPlainTextEdit(this);
    explain_panel_->setObjectName(ControlName(1039));
    explain_panel_->setReadOnly(true);
    explain_panel_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    explain_panel_->hide();

    connect(start_, &QPushButton::clicked, this, &COperationDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &COperationDlg::reject);
    connect(explain_check_, &QCheckBox::clicked, this, &COperationDlg::ToggleExplanation);
}

COperationDlg::~COperationDlg() = default;

void COperationDlg::FinishLayout() {
    page_->adjustSize();
    // Not so narrow that the explanation panel wraps every line.
    const QSize size = page_->sizeHint().expandedTo(QSize(kMinWidth, 0));
    page_->setGeometry(0, 0, size.width(), size.height());
    setFixedSize(size);
    explanation_shown_ = false;
}

int COperationDlg::MostFields() const {
    return std::max(1, doc_.Stats().most_fields);
}

void COperationDlg::Redraw() {
    doc_.ViewSink().RedrawView();
}

void COperationDlg::Message(int id, MsgStyle style) {
    doc_.Message(id, style);
}

bool COperationDlg::Validate(const Validation& v) {
    if (v.Accepted()) return true;
    doc_.Message(v.message, v.style, v.prefix);
    if (QWidget* w = FocusControl(v.focus)) w->setFocus();
    return false;
}

void COperationDlg::accept() {
    // Start reads the boxes and the selection: a number still being typed
    // moves the selection first, so that both say the same.
    for (CFieldSpin* box : findChildren<CFieldSpin*>()) box->TakeTyped();
    if (OnOK()) QDialog::accept();
}

// ---- explanation panel ----

void COperationDlg::ToggleExplanation() {
    if (!explanation_shown_) {
        saved_rect_ = QRect(pos(), size());
        const int w = saved_rect_.width();
        const int h = saved_rect_.height();
        // A screen too short for the whole growth gets a shorter panel that
        // scrolls, so the dialog's buttons stay reachable.
        int growth = kPanelGrowth;
        if (const QScreen* s = screen(); s && isVisible()) {
            const int title = frameGeometry().height() - height();
            growth = std::clamp(s->availableGeometry().height() - title - h, kPanelGrowth / 2,
                                kPanelGrowth);
        }
        setFixedSize(w, h + growth);
        explain_panel_->setGeometry(4, h + 4, w - 8, kPanelHeight - (kPanelGrowth - growth));
        QString text = QString::fromUtf8(MessageText(kMsgExplanationHeading)) + Explanation();
        // The pieces break their lines with CR LF; the edit wants LF.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        explain_panel_->setPlainText(text);
        explain_panel_->show();
        // On a small screen the taller window moves up rather than off the edge.
        if (isVisible()) KeepOnScreen(this);
    } else {
        // The panel stays as it is, outside the smaller window.
        setFixedSize(saved_rect_.size());
    }
    explanation_shown_ = !explanation_shown_;
    const QSignalBlocker block(explain_check_);
    explain_check_->setChecked(explanation_shown_);
}

// ---- view scroll buttons ----

void COperationDlg::ScrollViewLeft() {
    if (view_) view_->ScrollHorizontal(QAbstractSlider::SliderPageStepSub);
}

void COperationDlg::ScrollViewRight() {
    if (view_) view_->ScrollHorizontal(QAbstractSlider::SliderPageStepAdd);
}

QToolButton* COperationDlg::IconButton(int id, const QIcon& icon) {
    auto* button = new QToolButton(page_);
    button->setObjectName(ControlName(id));
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void COperationDlg::AddScrollButtons(QBoxLayout* row) {
    left_ = IconButton(1019, ArrowIcon(true));
    right_ = IconButton(1020, ArrowIcon(false));
    left_->setToolTip(QStringLiteral("ビューを左へスクロール"));
    right_->setToolTip(QStringLiteral("ビューを右へスクロール"));
    connect(left_, &QToolButton::clicked, this, &COperationDlg::ScrollViewLeft);
    connect(right_, &QToolButton::clicked, this, &COperationDlg::ScrollViewRight);
    row->addSpacing(8);
    row->addWidget(left_);
    row->addWidget(right_);
}

QLabel* COperationDlg::Marker(bool start) const {
    auto* label = new QLabel(page_);
    label->setPixmap(MarkerPixmap(start));
    label->setFixedSize(12, 12);
    return label;
}

CFieldSpin* COperationDlg::NumberBox(int id, int low, int high, int value) {
    auto* box = new CFieldSpin(id, page_);
    box->setRange(low, high);
    box->setValue(value);
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QString::number(high)) + 40);
    return box;
}

void COperationDlg::LimitToCodePage(QLineEdit* edit) const {
    edit->setValidator(new CodePageValidator(edit));
}

// ---- single field ----

QBoxLayout* COperationDlg::AddFieldRow(const QString& label, int stored_key_field) {
    auto* row = new QHBoxLayout;
    auto* text = new QLabel(label, page_);
    const int high = MostFields() - 1;
    field_box_ = NumberBox(1046, 0, high, 0);
    text->setBuddy(field_box_);
    row->addWidget(text);
    row->addWidget(field_box_);
    row->addWidget(Marker(true));
    AddScrollButtons(row);
    row->addStretch(1);
    body_->addLayout(row);

    ViewState& state = doc_.View();
    if (state.sel_start.value == -1) {
        state.sel_start = FieldIndex{stored_key_field};
        Redraw();
    }
    field_box_->setValue(state.sel_start.value);
    if (state.sel_end.value >= 0) {
        state.sel_end = FieldIndex{-1};
        Redraw();
    }
    field_box_->SetStepHook([this](int pos, int delta) { return FieldStep(pos, delta); });
    return row;
}

int COperationDlg::FieldStep(int pos, int delta) {
    doc_.View().sel_start = FieldIndex{std::clamp(pos + delta, 0, MostFields() - 1)};
    Redraw();
    return pos + delta;
}

// ---- field range ----

QBoxLayout* COperationDlg::AddRangeRow(const QString& label, int stored_first, int stored_last,
                                       int end_id, int all_id) {
    body_->addWidget(new QLabel(label, page_));
    auto* row = new QHBoxLayout;
    const int high = MostFields() - 1;
    field_box_ = NumberBox(1046, 0, high, 0);
    end_box_ = NumberBox(end_id, 0, high, 0);
    auto* start_label = new QLabel(QStringLiteral("選択開始"), page_);
    auto* end_label = new QLabel(QStringLiteral("選択終了"), page_);
    start_label->setBuddy(field_box_);
    end_label->setBuddy(end_box_);
    row->addSpacing(12);
    row->addWidget(start_label);
    row->addWidget(field_box_);
    row->addWidget(Marker(true));
    row->addSpacing(10);
    row->addWidget(end_label);
    row->addWidget(end_box_);
    row->addWidget(Marker(false));
    row->addSpacing(8);
    all_ = IconButton(all_id, AllFieldsIcon());
    all_->setToolTip(QStringLiteral("全フィールドを選択"));
    connect(all_, &QToolButton::clicked, this, &COperationDlg::SelectAllFields);
    row->addWidget(all_);
    AddScrollButtons(row);
    row->addStretch(1);
    body_->addLayout(row);

    ViewState& state = doc_.View();
    if (MostFields() == 1) {
        state.sel_start = FieldIndex{0};
        state.sel_end = FieldIndex{0};
    } else {
        if (state.sel_start.value == -1) state.sel_start = FieldIndex{stored_first};
        if (state.sel_end.value == -1) state.sel_end = FieldIndex{stored_last};
        // The run searches the selected fields, so they must be the ones the
        // boxes show: a stored field beyond this file's fields is taken as
        // its last field.
        state.sel_start = FieldIndex{std::clamp(state.sel_start.value, 0, high)};
        state.sel_end = FieldIndex{std::clamp(state.sel_end.value, 0, high)};
        if (state.sel_start > state.sel_end) std::swap(state.sel_start, state.sel_end);
    }
    field_box_->setValue(state.sel_start.value);
    end_box_->setValue(state.sel_end.value);
    Redraw();
    field_box_->SetStepHook([this](int pos, int delta) { return StartStep(pos, delta); });
    end_box_->SetStepHook([this](int pos, int delta) { return EndStep(pos, delta); });
    return row;
}

int COperationDlg::StartStep(int pos, int delta) {
    ViewState& state = doc_.View();
    const int e0 = state.sel_end.value;
    int s = std::max(pos + delta, 0);
    int shown = pos + delta;
    // The start never passes the end; the box then shows the end.
    if (s >= e0) {
        s = e0;
        shown = e0;
    }
    state.sel_start = FieldIndex{s};
    Redraw();
    return shown;
}

int COperationDlg::EndStep(int pos, int delta) {
    ViewState& state = doc_.View();
    const int s0 = state.sel_start.value;
    int e = pos + delta;
    int shown = pos + delta;
    if (e <= s0) {
        e = s0;
        shown = s0;
    }
    e = std::min(e, MostFields() - 1);
    state.sel_end = FieldIndex{e};
    Redraw();
    return shown;
}

void COperationDlg::SelectAllFields() {
    ViewState& state = doc_.View();
    state.sel_start = FieldIndex{0};
    state.sel_end = FieldIndex{MostFields() - 1};
    if (field_box_) field_box_->SetPosition(0);
    if (end_box_) end_box_->SetPosition(MostFields() - 1);
    Redraw();
}

}  // namespace tesmora::desktop
