#include "tesmora/frame/history_panel.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "tesmora/document/document.h"
#include "tesmora/document/messages.h"
#include "tesmora/ops/recipe.h"

namespace tesmora::desktop {

CHistoryPanel::CHistoryPanel(Document& doc, QWidget* parent)
    : QDockWidget(QStringLiteral("履歴"), parent), doc_(doc) {
    setObjectName(QStringLiteral("history"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    note_ = new QLabel(QString::fromUtf8(MessageText(kMsgHistoryRestarted)), body);
    note_->setWordWrap(true);
    note_->hide();
    steps_ = new QListWidget(body);
    steps_->setWordWrap(true);
    save_ = new QPushButton(QStringLiteral("レシピとして保存…"), body);
    layout->addWidget(note_);
    layout->addWidget(steps_, 1);
    layout->addWidget(save_);
    setWidget(body);
    connect(save_, &QPushButton::clicked, this, [this] { OnSave(); });
    Refresh();
}

void CHistoryPanel::Refresh() {
    const auto& history = doc_.History();
    const std::int64_t commit = history.empty() ? -1 : history.back().commit;
    if (history.size() == shown_steps_ && commit == shown_commit_ &&
        doc_.HistoryRestarted() == shown_restarted_)
        return;
    shown_steps_ = history.size();
    shown_commit_ = commit;
    shown_restarted_ = doc_.HistoryRestarted();
    steps_->clear();
    int number = 0;
    for (const HistoryStep& step : history) {
        QStringList words;
        for (const std::string& w : step.words) words << QString::fromStdString(QuoteWord(w));
        steps_->addItem(QStringLiteral("%1. %2\n      → %3 レコード")
                            .arg(++number)
                            .arg(words.join(u' '))
                            .arg(QLocale(QLocale::English).toString(qlonglong(step.records))));
    }
    if (!history.empty()) steps_->scrollToBottom();
    note_->setVisible(shown_restarted_);
    save_->setEnabled(!history.empty());
}

bool CHistoryPanel::SaveTo(const QString& path) {
    const QString date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!SaveRecipe(doc_, path.toStdString(), date.toStdString())) return false;
    doc_.Message(kMsgRecipeSaved, MsgStyle::Info);
    return true;
}

void CHistoryPanel::OnSave() {
    if (doc_.History().empty()) return;
    QString path;
    if (choose_path_) {
        path = choose_path_();
    } else {
        const QFileInfo source(QString::fromStdString(doc_.CurrentFileName()));
        path = QFileDialog::getSaveFileName(
            this, QStringLiteral("レシピを保存するファイルを指定"),
            source.dir().filePath(source.completeBaseName() + QStringLiteral("-recipe.txt")),
            QStringLiteral("レシピ (*.txt);;すべてのファイル (*)"));
    }
    if (!path.isEmpty()) SaveTo(path);
}

}  // namespace tesmora::desktop
