#include "tesmora/frame/ribbon.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace tesmora::desktop {
namespace {

const QColor kBarTop{0xF4, 0xF8, 0xFD};
const QColor kBarBottom{0xDC, 0xE7, 0xF5};
const QColor kPanelFill{0xF6, 0xF9, 0xFD};
const QColor kPanelBorder{0xB6, 0xC6, 0xDB};
const QColor kCaption{0x3E, 0x5A, 0x87};

constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
constexpr int kRecentWidth = 300;

// The access key of a label ("開く(&O)..." → 'O'); null when it has none.
QChar AccessKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return QChar();
}

// Keeps a button that is not the action's own widget in step with it.
void Mirror(QToolButton* button, QAction* action, bool with_text) {
    auto sync = [button, action, with_text] {
        if (with_text) button->setText(action->text());
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip());
        button->setStatusTip(action->statusTip());
    };
    sync();
    QObject::connect(action, &QAction::changed, button, sync);
}

}  // namespace

// ---- ActionCheckBox ----

ActionCheckBox::ActionCheckBox(QAction* action, QWidget* parent)
    : QCheckBox(parent), action_(action) {
    // The ribbon never takes the keyboard from the record view.
    setFocusPolicy(Qt::NoFocus);
    Sync();
    connect(action_, &QAction::changed, this, &ActionCheckBox::Sync);
    // The action's handler decides the state; Sync shows what it decided.
    connect(this, &QCheckBox::clicked, this, [this] {
        action_->trigger();
        Sync();
    });
}

void ActionCheckBox::Sync() {
    setText(action_->text());
    setEnabled(action_->isEnabled());
    setChecked(action_->isChecked());
    setToolTip(action_->toolTip());
    setStatusTip(action_->statusTip());
}

// ---- RibbonPanel ----

RibbonPanel::RibbonPanel(const QString& title, QWidget* parent)
    : QFrame(parent), title_(title), content_(new QHBoxLayout), caption_(new QLabel(title, this)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 3, 4, 1);
    outer->setSpacing(0);
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(3);
    outer->addLayout(content_, 1);
    caption_->setAlignment(Qt::AlignCenter);
    QPalette palette = caption_->palette();
    palette.setColor(QPalette::WindowText, kCaption);
    caption_->setPalette(palette);
    outer->addWidget(caption_);
}

QToolButton* RibbonPanel::AddLargeButton(QAction* action, const QString& label) {
    auto* button = new QToolButton(this);
    action->setIconText(QString(label).replace(u' ', u'\n'));
    button->setDefaultAction(action);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(kLargeIcon, kLargeIcon));
    button->setAutoRaise(true);
    button->setMinimumWidth(48);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    content_->addWidget(button);
    large_.append(button);
    ++controls_;
    return button;
}

void RibbonPanel::SetCompact(bool on) {
    for (QToolButton* button : large_)
        button->setToolButtonStyle(on ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
}

QVBoxLayout* RibbonPanel::AddColumn() {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    column->setAlignment(Qt::AlignTop);
    content_->addLayout(column);
    return column;
}

// A thin rule in the panel border colour.
static QFrame* MakeRule(QWidget* parent, QFrame::Shape shape = QFrame::VLine) {
    auto* line = new QFrame(parent);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, kPanelBorder);
    line->setPalette(palette);
    return line;
}

void RibbonPanel::AddSeparator() {
    content_->addWidget(MakeRule(this));
}

void RibbonPanel::SetControlKeyTip(QWidget* control, const QString& key) {
    if (!key.isEmpty()) tips_.append({control, key});
}

void RibbonPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, 3, 3);
    painter.fillPath(path, kPanelFill);
    // The caption strip.
    const QRectF strip(r.left(), caption_->geometry().top() - 1, r.width(),
                       r.bottom() - caption_->geometry().top() + 1);
    painter.save();
    painter.setClipPath(path);
    painter.fillRect(strip, QColor(0xE4, 0xEC, 0xF7));
    painter.restore();
    painter.setPen(kPanelBorder);
    painter.drawPath(path);
}

// ---- CApplicationMenu ----

CApplicationMenu::CApplicationMenu(QWidget* parent)
    : QFrame(parent, Qt::Popup),
      commands_(new QVBoxLayout),
      bottom_(new QHBoxLayout),
      recent_box_(new QVBoxLayout),
      recent_title_(new QLabel(QStringLiteral("最近処理したファイル"))) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xFB, 0xFC, 0xFE));
    setPalette(palette);
    setAutoFillBackground(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(6);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    commands_->setSpacing(2);
    commands_->setAlignment(Qt::AlignTop);
    columns->addLayout(commands_);

    columns->addWidget(MakeRule(this));

    auto* recent = new QWidget(this);
    recent->setFixedWidth(kRecentWidth);
    recent_box_->setParent(nullptr);
    recent->setLayout(recent_box_);
    recent_box_->setContentsMargins(0, 0, 0, 0);
    recent_box_->setSpacing(0);
    recent_box_->setAlignment(Qt::AlignTop);
    QFont bold = recent_title_->font();
    bold.setBold(true);
    recent_title_->setFont(bold);
    QPalette title = recent_title_->palette();
    title.setColor(QPalette::WindowText, kCaption);
    recent_title_->setPalette(title);
    recent_title_->setContentsMargins(4, 2, 4, 4);
    recent_box_->addWidget(recent_title_);
    recent_box_->addWidget(MakeRule(recent, QFrame::HLine));
    columns->addWidget(recent, 1);
    outer->addLayout(columns, 1);

    bottom_->addStretch(1);
    bottom_->setSpacing(4);
    outer->addLayout(bottom_);
}

QToolButton* CApplicationMenu::MakeButton(QAction* action, int icon_size) {
    auto* button = new QToolButton(this);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(icon_size, icon_size));
    button->setAutoRaise(true);
    Mirror(button, action, true);
    // Close the menu before the command runs, so that its dialogs and
    // questions are not hidden behind it.
    connect(button, &QToolButton::clicked, this, [this, action] {
        hide();
        action->trigger();
    });
    buttons_.append(button);
    return button;
}

void CApplicationMenu::AddCommand(QAction* action) {
    QToolButton* button = MakeButton(action, kLargeIcon);
    button->setMinimumWidth(200);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    commands_->addWidget(button);
}

void CApplicationMenu::AddBottomCommand(QAction* action) {
    bottom_->addWidget(MakeButton(action, kSmallIcon));
}

void CApplicationMenu::SetRecentFiles(const QStringList& texts) {
    while (recent_.size() < texts.size()) {
        const int index = static_cast<int>(recent_.size());
        auto* button = new QPushButton(this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setStyleSheet(
            QStringLiteral("QPushButton { text-align: left; padding: 4px 8px; border: none; }"
                           "QPushButton:hover { background: #dde8f6; }"));
        connect(button, &QPushButton::clicked, this, [this, index] {
            hide();
            emit recentFileChosen(index);
        });
        recent_box_->addWidget(button);
        recent_.append(button);
    }
    for (qsizetype i = 0; i < recent_.size(); ++i) {
        const QString text = i < texts.size() ? texts[i] : QString();
        recent_[i]->setText(text);
        recent_[i]->setVisible(!text.isEmpty());
    }
}

QString CApplicationMenu::RecentTitle() const {
    return recent_title_->text();
}

void CApplicationMenu::Popup(const QPoint& at) {
    adjustSize();
    QPoint pos = at;
    if (const QScreen* screen = QApplication::screenAt(at)) {
        const QRect area = screen->availableGeometry();
        pos.setX(std::min(pos.x(), area.right() - width()));
        pos.setY(std::min(pos.y(), area.bottom() - height()));
    }
    move(pos);
    show();
    setFocus();
}

void CApplicationMenu::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text().toUpper();
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    if (typed.size() == 1) {
        const QChar key = typed[0];
        QList<QAbstractButton*> all = buttons_;
        all.append(recent_);
        for (QAbstractButton* button : all) {
            if (button->isVisible() && button->isEnabled() && AccessKey(button->text()) == key) {
                button->click();
                return;
            }
        }
    }
    QFrame::keyPressEvent(event);
}

// ---- CRibbonBar ----

CRibbonBar::CRibbonBar(QWidget* parent)
    : QFrame(parent),
      quick_(new QHBoxLayout),
      tab_row_right_(new QHBoxLayout),
      app_button_(new QToolButton(this)),
      app_menu_(new CApplicationMenu(this)),
      tab_(new QLabel(QStringLiteral("ホーム WClick, Ctrl + F1"), this)),
      panel_area_(new QWidget(this)),
      panel_layout_(new QHBoxLayout(panel_area_)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    quick_->setContentsMargins(4, 2, 4, 2);
    quick_->setSpacing(1);
    quick_->addStretch(1);
    outer->addLayout(quick_);

    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(0, 0, 4, 0);
    tabs->setSpacing(2);
    app_button_->setText(QStringLiteral("ファイル"));
    app_button_->setToolTip(QStringLiteral("ファイル (Alt+F)"));
    app_button_->setAutoRaise(false);
    app_button_->setFocusPolicy(Qt::NoFocus);
    app_button_->setCursor(Qt::PointingHandCursor);
    app_button_->setStyleSheet(
        QStringLiteral("QToolButton { color: white; background: #2b579a; border: 1px solid #1f4a80;"
                       " border-top-left-radius: 3px; border-top-right-radius: 3px;"
                       " padding: 3px 14px; }"
                       "QToolButton:hover, QToolButton:pressed { background: #3c6cb4; }"));
    connect(app_button_, &QToolButton::clicked, this, [this] {
        app_menu_->Popup(app_button_->mapToGlobal(QPoint(0, app_button_->height())));
    });
    tabs->addWidget(app_button_);
    tab_->setContentsMargins(12, 3, 12, 3);
    tab_->setToolTip(QStringLiteral("ダブルクリックまたは Ctrl + F1 でリボンを最小化"));
    tab_->installEventFilter(this);
    tabs->addWidget(tab_);
    tabs->addStretch(1);
    tab_row_right_->setSpacing(1);
    tabs->addLayout(tab_row_right_);
    outer->addLayout(tabs);

    panel_layout_->setContentsMargins(4, 3, 4, 3);
    panel_layout_->setSpacing(4);
    panel_layout_->addStretch(1);
    panel_area_->setMinimumHeight(96);
    outer->addWidget(panel_area_);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    SetKeyTip(app_button_, QStringLiteral("F"));
    SetKeyTip(tab_, QStringLiteral("H"));
    // Alt and the typed keys are seen whichever control has the focus.
    qApp->installEventFilter(this);
}

QString CRibbonBar::TabTitle() const {
    return tab_->text();
}

void CRibbonBar::AddQuickAccess(QAction* action) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(kSmallIcon, kSmallIcon));
    button->setAutoRaise(true);
    quick_->insertWidget(quick_->count() - 1, button);
    // Numbered in their order, as the quick access toolbar's keys are.
    const int number = quick_->count() - 1;
    if (number <= 9) SetKeyTip(button, QString::number(number));
}

QToolButton* CRibbonBar::AddTabRowButton(QAction* action, int index) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(kSmallIcon, kSmallIcon));
    button->setAutoRaise(true);
    tab_row_right_->insertWidget(index, button);
    return button;
}

RibbonPanel* CRibbonBar::AddPanel(const QString& title, const QString& key) {
    auto* panel = new RibbonPanel(title, panel_area_);
    panel->SetKeyTip(key);
    SetKeyTip(panel, key);
    panel_layout_->insertWidget(panel_layout_->count() - 1, panel);
    panels_.append(panel);
    return panel;
}

void CRibbonBar::RefreshPanels() {
    for (RibbonPanel* panel : panels_) panel->setVisible(!panel->IsEmpty());
    // New controls: measure the labelled width again.
    compact_ = false;
    for (RibbonPanel* panel : panels_) panel->SetCompact(false);
    full_width_ = 0;
    FitPanels();
}

void CRibbonBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitPanels();
}

// Labels that do not fit would be cut to a few characters each; images
// alone stay whole.
void CRibbonBar::FitPanels() {
    if (!compact_) {
        // With the labels shown: the width they need.
        for (RibbonPanel* panel : panels_) panel->layout()->activate();
        panel_layout_->invalidate();
        full_width_ = panel_layout_->sizeHint().width();
    }
    const bool compact = width() < full_width_;
    if (compact == compact_) return;
    compact_ = compact;
    for (RibbonPanel* panel : panels_) panel->SetCompact(compact);
}

void CRibbonBar::SetMinimized(bool on) {
    minimized_ = on;
    panel_area_->setVisible(!on);
    updateGeometry();
    update();
}

bool CRibbonBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tab_ && event->type() == QEvent::MouseButtonDblClick) {
        SetMinimized(!minimized_);
        return true;
    }
    // Only what happens in this window: dialogs and popups keep their keys.
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool here = widget && widget->window() == window();
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (here) return KeyTipKey(static_cast<QKeyEvent*>(event));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            alt_alone_ = false;
            if (level_ > 0) HideKeyTips();
            break;
        case QEvent::WindowDeactivate:
        case QEvent::Resize:
        case QEvent::Hide:
            if (watched == window()) {
                alt_alone_ = false;
                if (level_ > 0) HideKeyTips();
            }
            break;
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
}

// ---- key tips ----

void CRibbonBar::SetKeyTip(QWidget* control, const QString& key) {
    if (!key.isEmpty()) top_tips_.append({control, key});
}

QList<KeyTip> CRibbonBar::CurrentKeyTips() const {
    QList<KeyTip> tips;
    if (level_ == 1) {
        tips = top_tips_;
    } else if (level_ == 2) {
        for (RibbonPanel* panel : panels_)
            if (!scope_ || panel == scope_) tips.append(panel->ControlKeyTips());
    }
    QList<KeyTip> shown;
    for (const KeyTip& tip : tips)
        if (Reachable(tip)) shown.append(tip);
    return shown;
}

// A panel's key works while the ribbon is folded; a control's while it shows.
bool CRibbonBar::Reachable(const KeyTip& tip) const {
    if (!tip.control) return false;
    if (auto* panel = qobject_cast<RibbonPanel*>(tip.control.data())) return !panel->IsEmpty();
    return tip.control->isVisibleTo(window());
}

QStringList CRibbonBar::ShownKeyTips() const {
    QStringList keys;
    if (level_ > 0)
        for (const KeyTip& tip : CurrentKeyTips()) keys.append(tip.key);
    return keys;
}

namespace {
QString NameOf(const QWidget* control) {
    QString name;
    if (auto* panel = qobject_cast<const RibbonPanel*>(control))
        name = panel->Title();
    else if (auto* button = qobject_cast<const QAbstractButton*>(control))
        name = button->text();
    else if (auto* label = qobject_cast<const QLabel*>(control))
        name = label->text();
    if (name.isEmpty()) name = control->accessibleName();
    // "開く(&O)..." reads "開く..."; a label's line break is no break here.
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&"));
    return name.remove(mnemonic).remove(u'\n');
}
}  // namespace

QList<QPair<QString, QString>> CRibbonBar::KeyTipTable() const {
    QList<QPair<QString, QString>> table;
    const QString alt = QStringLiteral("Alt, ");
    for (const KeyTip& tip : top_tips_) {
        if (!tip.control || tip.control == tab_) continue;
        table.append({alt + tip.key, NameOf(tip.control)});
        if (auto* panel = qobject_cast<RibbonPanel*>(tip.control.data()))
            for (const KeyTip& inner : panel->ControlKeyTips())
                if (inner.control)
                    table.append(
                        {alt + tip.key + QStringLiteral(", ") + inner.key, NameOf(inner.control)});
    }
    return table;
}

void CRibbonBar::ShowKeyTips(int level, RibbonPanel* scope) {
    for (QLabel* label : tip_labels_) label->deleteLater();
    tip_labels_.clear();
    if (level == 2 && minimized_) {
        // The controls must show to be typed; folded again afterwards.
        SetMinimized(false);
        restore_minimized_ = true;
        window()->layout()->activate();
    }
    level_ = level;
    scope_ = scope;
    QWidget* top = window();
    for (const KeyTip& tip : CurrentKeyTips()) {
        auto* label = new QLabel(tip.key, top);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(QStringLiteral(
            "QLabel { background: #fdfdf3; color: #1e1e1e; border: 1px solid #6b6b6b;"
            " border-radius: 2px; padding: 0px 3px; }"
            "QLabel:disabled { color: #9a9a9a; border-color: #b0b0b0; }"));
        label->setEnabled(tip.control->isEnabled());
        label->adjustSize();
        label->resize(std::max(label->width(), label->height()), label->height());
        // Buttons and panels: under the middle, over the bottom edge; the
        // stacked check boxes: over their boxes.
        // A folded ribbon's panels: under the tab.
        QWidget* anchor = tip.control->isVisibleTo(top) ? tip.control.data() : tab_;
        const QRect r(anchor->mapTo(top, QPoint(0, 0)), anchor->size());
        const bool small = qobject_cast<QCheckBox*>(tip.control.data()) != nullptr;
        QPoint at =
            small ? QPoint(r.left(), r.center().y() - label->height() / 2)
                  : QPoint(r.center().x() - label->width() / 2, r.bottom() - label->height() / 3);
        at.setX(std::clamp(at.x(), 0, std::max(0, top->width() - label->width())));
        at.setY(std::clamp(at.y(), 0, std::max(0, top->height() - label->height())));
        label->move(at);
        label->show();
        label->raise();
        tip_labels_.append(label);
    }
}

void CRibbonBar::HideKeyTips() {
    for (QLabel* label : tip_labels_) label->deleteLater();
    tip_labels_.clear();
    level_ = 0;
    scope_ = nullptr;
    if (restore_minimized_) SetMinimized(true);
    restore_minimized_ = false;
}

void CRibbonBar::RunKeyTip(const KeyTip& tip) {
    QWidget* control = tip.control;
    if (control == tab_) return ShowKeyTips(2);
    if (auto* panel = qobject_cast<RibbonPanel*>(control)) return ShowKeyTips(2, panel);
    const bool refold = restore_minimized_;
    restore_minimized_ = false;
    HideKeyTips();
    // Run after this key's own handling, so that a dialog's event loop does
    // not start inside the event filter.
    QTimer::singleShot(0, control, [this, control, refold] {
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->setFocus();
            combo->showPopup();
            return;  // stays unfolded while its list is open
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) button->click();
        if (refold) SetMinimized(true);
    });
}

bool CRibbonBar::KeyTipKey(QKeyEvent* event) {
    const int key = event->key();
    const bool modifier = key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta;
    if (event->type() == QEvent::ShortcutOverride) {
        // A shortcut such as Alt+Backspace may take the key press itself.
        if (key != Qt::Key_Alt && !modifier) alt_alone_ = false;
        // While the tips show, typed keys are theirs, not shortcuts.
        if (level_ == 0) return false;
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        if (key == Qt::Key_Alt && !event->isAutoRepeat() && alt_alone_) {
            alt_alone_ = false;
            if (level_ > 0) {
                HideKeyTips();
            } else {
                ShowKeyTips(1);
            }
            return true;
        }
        return level_ > 0;
    }
    if (key == Qt::Key_Alt) {
        if (!event->isAutoRepeat()) alt_alone_ = true;
        return level_ > 0;
    }
    if (!modifier) alt_alone_ = false;
    // The typed key as a tip's text: a letter or a digit, whatever the layout.
    QString typed;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        typed = QChar(key);
    auto find = [this, &typed](const QList<KeyTip>& tips) -> const KeyTip* {
        for (const KeyTip& tip : tips)
            if (!typed.isEmpty() && tip.key == typed && Reachable(tip)) return &tip;
        return nullptr;
    };
    if (level_ == 0) {
        if (key == Qt::Key_F10 && event->modifiers() == Qt::NoModifier) {
            ShowKeyTips(1);
            return true;
        }
        if (event->modifiers() == Qt::AltModifier) {
            if (const KeyTip* tip = find(top_tips_)) {
                if (tip->control->isEnabled()) RunKeyTip(*tip);
                return true;
            }
        }
        return false;
    }
    if (modifier) return true;
    if (key == Qt::Key_Escape) {
        if (level_ == 2) {
            HideKeyTips();
            ShowKeyTips(1);
        } else {
            HideKeyTips();
        }
        return true;
    }
    const QList<KeyTip> tips = CurrentKeyTips();
    if (const KeyTip* tip = find(tips); tip && tip->control->isEnabled()) {
        const KeyTip chosen = *tip;
        RunKeyTip(chosen);
    } else {
        QApplication::beep();
    }
    return true;
}

void CRibbonBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, kBarTop);
    gradient.setColorAt(1, kBarBottom);
    painter.fillRect(rect(), gradient);
    // The tab joins the panel area below it.
    const QRect tab = tab_->geometry();
    const int base = panel_area_->isVisible() ? panel_area_->geometry().top() : tab.bottom() + 1;
    painter.setPen(kPanelBorder);
    painter.drawLine(0, base, width(), base);
    if (panel_area_->isVisible()) {
        painter.fillRect(panel_area_->geometry().adjusted(0, 1, 0, 0), QColor(0xEE, 0xF3, 0xFA));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
    QRect face = tab.adjusted(0, 0, 0, 1);
    face.setBottom(base);
    painter.fillRect(face.adjusted(1, 1, 0, 0),
                     panel_area_->isVisible() ? QColor(0xEE, 0xF3, 0xFA) : kPanelFill);
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topRight(), face.bottomRight());
}

}  // namespace tesmora::desktop
