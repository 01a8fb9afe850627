#include "tesmora/frame/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "tesmora/document/messages.h"
#include "tesmora/document/version.h"

namespace tesmora::desktop {
namespace {

QString Text(int id) {
    const char* text = MessageText(id);
    return text ? QString::fromUtf8(text) : QString();
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), history_(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    resize(520, 420);

    auto* outer = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/tesmora.svg")).pixmap(48, 48));
    head->addWidget(icon);
    auto* name = new QLabel(QStringLiteral("テスモラ"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    name->setFont(big);
    head->addWidget(name);
    // The running build's own version, beside the historical list below.
    auto* version = new QLabel(QStringLiteral("Ver. %1").arg(QString::fromUtf8(kVersion)), this);
    version->setObjectName(QStringLiteral("buildVersion"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    head->addWidget(version, 1);
    outer->addLayout(head);

    outer->addWidget(new QLabel(QStringLiteral("バージョン情報"), this));
    history_->setReadOnly(true);
    // Newest version first; the oldest entry ends with an empty line.
    QString history = Text(kMsgVersion101) + QStringLiteral("\r\n") + Text(kMsgVersion100) +
                      QStringLiteral("\r\n");
    history.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    history_->setPlainText(history);
    outer->addWidget(history_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("確認 (&Y)"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    outer->addWidget(buttons);
}

QString CAboutDlg::BuildVersion() const {
    return findChild<QLabel*>(QStringLiteral("buildVersion"))->text();
}

QString CAboutDlg::History() const {
    return history_->toPlainText();
}

}  // namespace tesmora::desktop
