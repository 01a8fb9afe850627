#include "tesmora/frame/status_bar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "tesmora/document/messages.h"

namespace tesmora::desktop {
namespace {

constexpr qint64 kPaintInterval = 40;  // ms between repaints of a running pass

}  // namespace

MyStatusBar::MyStatusBar(QWidget* parent)
    : QStatusBar(parent), progress_(new QProgressBar(this)), encoding_(new QLabel(this)) {
    progress_->setTextVisible(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    // Pane 1 is as wide as its string-table text (136 spaces).
    const char* pane = MessageText(kMsgStatusSpacer);
    const int width = fontMetrics().horizontalAdvance(QString::fromUtf8(pane ? pane : ""));
    progress_->setFixedWidth(std::max(width, 100));
    progress_->setMaximumHeight(fontMetrics().height());
    addPermanentWidget(progress_);
    encoding_->setObjectName(QStringLiteral("encoding"));
    encoding_->setAlignment(Qt::AlignCenter);
    // Room for the longest name, so the bar does not shift when it changes.
    encoding_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("UTF-8 (BOM)  ")));
    addPermanentWidget(encoding_);
    last_paint_.start();
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
