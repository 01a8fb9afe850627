#include "tesmora/frame/status_bar.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>

#include "tesmora/document/messages.h"

namespace tesmora::desktop {
namespace {

constexpr qint64 kPaintInterval = 40;    // ms between repaints of a running pass
constexpr qint64 kTimeLeftAfter = 3000;  // ms of work before the time left is shown

// A message of the string table with %1, %2 filled in.
QString Filled(int id, const QString& a, const QString& b) {
    const char* text = MessageText(id);
    return QString::fromUtf8(text ? text : "").arg(a, b);
}

QString Clock(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
constexpr int kMinBarWidth = 100;
// Pane 0's margins around its text, the size grip and the spacing, with room
// to spare.
constexpr int kTextMargins = 40;

}  // namespace

MyStatusBar::MyStatusBar(QWidget* parent)
    : QStatusBar(parent), progress_(new QProgressBar(this)), encoding_(new QLabel(this)) {
    progress_->setTextVisible(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    // Pane 1 is as wide as its string-table text (136 spaces).
    const char* pane = MessageText(kMsgStatusSpacer);
    const int width = fontMetrics().horizontalAdvance(QString::fromUtf8(pane ? pane : ""));
    pane_width_ = std::max(width, kMinBarWidth);
    progress_->setFixedWidth(pane_width_);
    progress_->setMaximumHeight(fontMetrics().height());
    addPermanentWidget(progress_);
    cancel_ = new QToolButton(this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setText(QStringLiteral("中止"));
    cancel_->setToolTip(QStringLiteral("処理を中止します (Esc)"));
    cancel_->setAutoRaise(true);
    cancel_->hide();
    connect(cancel_, &QToolButton::clicked, this, &MyStatusBar::RequestCancel);
    addPermanentWidget(cancel_);
    encoding_->setObjectName(QStringLiteral("encoding"));
    encoding_->setAlignment(Qt::AlignCenter);
    // Room for the longest name, so the bar does not shift when it changes.
    encoding_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("UTF-8 (BOM)  ")));
    addPermanentWidget(encoding_);
    last_paint_.start();
}

void MyStatusBar::ReserveText(const QString& text) {
    text_width_ = std::max(text_width_, fontMetrics().horizontalAdvance(text));
    FitProgressBar();
}

bool MyStatusBar::TextFits(const QString& text) const {
    // The text is drawn from 6 pixels in to 2 pixels before the bar.
    const int room = (progress_->isVisible() ? progress_->x() : width()) - 8;
    return fontMetrics().horizontalAdvance(text) <= room;
}

void MyStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    FitProgressBar();
}

void MyStatusBar::FitProgressBar() {
    const int bar = std::clamp(width() - text_width_ - kTextMargins - encoding_->minimumWidth(),
                               kMinBarWidth, pane_width_);
    if (bar != progress_->maximumWidth()) progress_->setFixedWidth(bar);
}

void MyStatusBar::BeginWork() {
    if (depth_++ > 0) return;
    cancel_requested_ = thrown_ = false;
    cancel_->show();
    range_started_.start();
    qApp->installEventFilter(this);
}

void MyStatusBar::EndWork() {
    if (depth_ == 0 || --depth_ > 0) return;
    qApp->removeEventFilter(this);
    cancel_->hide();
    if (time_left_shown_) {
        clearMessage();
        time_left_shown_ = false;
    }
}

void MyStatusBar::RequestCancel() {
    if (depth_ > 0) cancel_requested_ = true;
}

bool MyStatusBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) RequestCancel();
            return true;
        case QEvent::Close:
            // Closing waits for the work to stop.
            RequestCancel();
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Enter:
        case QEvent::Leave:
            // Only the cancel button takes the mouse (the window passes it on).
            return watched->isWidgetType() && watched != cancel_;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

void MyStatusBar::SetRange(int upper) {
    upper_ = std::max(upper, 0);
    pos_ = 0;
    range_started_.start();
    // A new stretch of the work: the last one's time left no longer holds.
    if (time_left_shown_) {
        clearMessage();
        time_left_shown_ = false;
    }
    // A range of 0 .. 0 would make the bar "busy"; it stays empty instead.
    progress_->setRange(0, std::max(upper_, 1));
    Show(0, true);
}

void MyStatusBar::SetPos(int pos) {
    if (depth_ > 0 && hook_) hook_();
    // Thrown once: the work's own clean-up reports progress too.
    if (cancel_requested_ && !thrown_ && pos > 0 && depth_ > 0) {
        thrown_ = true;
        throw Cancelled{};
    }
    // During long work the same position still keeps the window alive.
    if (pos == pos_ && depth_ == 0) return;
    pos_ = pos;
    Show(pos, pos == 0 || pos >= upper_);
}

void MyStatusBar::Show(int pos, bool now) {
    if (!now && last_paint_.elapsed() < kPaintInterval) return;
    progress_->setValue(upper_ > 0 ? std::clamp(pos, 0, upper_) : 0);
    if (progress_->isVisible()) progress_->repaint();
    last_paint_.restart();
    if (depth_ == 0) return;
    const qint64 elapsed = range_started_.elapsed();
    if (upper_ > 0 && pos > 0 && pos < upper_ && elapsed > kTimeLeftAfter) {
        const qint64 left = elapsed * (upper_ - pos) / pos / 1000;
        showMessage(Filled(kMsgTimeLeft, QString::number(100LL * pos / upper_), Clock(left)));
        time_left_shown_ = true;
    }
    // The window repaints and answers the desktop while the work runs.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // A cancel pressed just now stops the work at once.
    if (cancel_requested_ && !thrown_ && pos > 0) {
        thrown_ = true;
        throw Cancelled{};
    }
}

void MyStatusBar::SetEncoding(const QString& name) {
    encoding_->setText(name);
}

QString MyStatusBar::EncodingText() const {
    return encoding_->text();
}

void MyStatusBar::SetStatusText(const std::string& text) {
    time_left_shown_ = false;
    showMessage(QString::fromStdString(text));
}

}  // namespace tesmora::desktop
