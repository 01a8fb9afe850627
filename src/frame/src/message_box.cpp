#include "tesmora/frame/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "tesmora/document/messages.h"

namespace tesmora::desktop {

int QtMessageSink::Show(int, const std::string& text, MsgStyle style) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = main_window_;
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromUtf8(kAppName));
    box.setTextFormat(Qt::PlainText);  // a file name is never markup
    box.setText(QString::fromUtf8(text));
    switch (style) {
        case MsgStyle::Error:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgStyle::Question:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case MsgStyle::QuestionCancel:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MsgStyle::Info:
            box.setIcon(QMessageBox::Information);
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    // A wait cursor of a running pass must not stay over the box.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    switch (pressed) {
        case QMessageBox::Yes:
            return kIdYes;
        case QMessageBox::No:
            return kIdNo;
        case QMessageBox::Cancel:
            return kIdCancel;
        default:
            // A question closed without an answer (title bar) counts as its
            // escape button.
            if (style == MsgStyle::Question) return kIdNo;
            if (style == MsgStyle::QuestionCancel) return kIdCancel;
            return kIdOk;
    }
}

}  // namespace tesmora::desktop
