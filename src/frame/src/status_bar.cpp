#include "tesmora/frame/status_bar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "tesmora/document/messages.h"

namespace tesmora::desktop {
namespace {

constexpr qint64 kPaintInterval = 40;  // ms between repaints of a running pass
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

void MyStatusBar::SetRange(int upper) {
    upper_ = std::max(upper, 0);
    pos_ = 0;
    // A range of 0 .. 0 would make the bar "busy"; it stays empty instead.
    progress_->setRange(0, std::max(upper_, 1));
    Show(0, true);
}

void MyStatusBar::SetPos(int pos) {
    if (pos == pos_) return;
    pos_ = pos;
    Show(pos, pos == 0 || pos >= upper_);
}

void MyStatusBar::Show(int pos, bool now) {
    if (!now && last_paint_.elapsed() < kPaintInterval) return;
    progress_->setValue(upper_ > 0 ? std::clamp(pos, 0, upper_) : 0);
    if (progress_->isVisible()) progress_->repaint();
    last_paint_.restart();
}

void MyStatusBar::SetEncoding(const QString& name) {
    encoding_->setText(name);
}

QString MyStatusBar::EncodingText() const {
    return encoding_->text();
}

void MyStatusBar::SetStatusText(const std::string& text) {
    showMessage(QString::fromStdString(text));
}

}  // namespace tesmora::desktop
