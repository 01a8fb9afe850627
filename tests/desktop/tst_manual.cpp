// The manual command: the PDF shown inside the program, maximised, titled
// "Manual"; without it message 30173 and no window left.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "desktop_support.h"
#include "tesmora/document/messages.h"
#include "tesmora/frame/help_dlg.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

class ManualTest : public ViewSuite {
    Q_OBJECT

    QString NextToExecutable() const {
        return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Manual.pdf"));
    }
    static void WritePdf(const QString& path, int pages) {
        QPdfWriter pdf(path);
        QPainter p(&pdf);
        for (int i = 0; i < pages; ++i) {
            if (i > 0) pdf.newPage();
            p.fillRect(QRect(0, 0, pdf.width(), pdf.height()), Qt::black);
        }
    }

  private slots:
    void cleanupTestCase() { QFile::remove(NextToExecutable()); }

    void MissingManualShowsTheMessageAndNoWindow() {
        QFile::remove(NextToExecutable());
        ShowManual(*h_->doc, nullptr);
        QCOMPARE(h_->messages.shown, QList<int>{30173});
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<CHelpDlg*>(w) || !w->isVisible());
    }

    // The built manual: its eleven chapters in order, and every message a user
    // can meet, by number and text, in the messages chapter.
    void BuiltManualHasItsChaptersAndEveryMessage() {
        QPdfDocument pdf;
        QCOMPARE(pdf.load(QStringLiteral(TESMORA_MANUAL_PDF)), QPdfDocument::Error::None);
        QString all;
        for (int i = 0; i < pdf.pageCount(); ++i) all += pdf.getAllText(i).text();
        all.remove(QRegularExpression(QStringLiteral("\\s")));  // lines break anywhere
        const char* chapters[] = {"1はじめに",
                                  "2画面の構成",
                                  "3ファイルの操作",
                                  "4表示",
                                  "5ビューでのフィールド操作",
                                  "6テキスト処理",
                                  "7プロパティ",
                                  "8メッセージと対処",
                                  "9バッチ処理",
                                  "10レシピ",
                                  "11取扱説明書とバージョン情報"};
        qsizetype at = 0;
        for (const char* chapter : chapters) {
            at = all.indexOf(QString::fromUtf8(chapter), at);
            QVERIFY2(at >= 0, chapter);
        }
        const qsizetype from = all.indexOf(QStringLiteral("8メッセージと対処"));
        const QString table = all.mid(from, all.indexOf(QStringLiteral("9バッチ処理")) - from);
        // Not messages: the explanation heading, a note of the properties
        // dialog, the manual's window title, the status line's pieces and the
        // history lines, the time left and 中止しました, the recipe's line
        // prefix, step status and panel note; nor the library start-up
        // failure the platform here never meets.
        const QList<int> not_messages = {30048, 30072, 30073, 30174, 30180, 30181, 30182,
                                         30183, 30200, 30201, 30301, 30302, 30303};
        int checked = 0;
        for (int id = 30000; id < 31000; ++id) {
            const char* text = MessageText(id);
            if (!text || not_messages.contains(id)) continue;
            QString first =
                QString::fromUtf8(text).section(u'\n', 0, 0).remove(QStringLiteral("%s"));
            first.remove(QRegularExpression(QStringLiteral("\\s")));
            const QString row = QString::number(id) + first.left(8);
            QVERIFY2(table.contains(row), qPrintable(row));
            ++checked;
        }
        QCOMPARE(checked, 45);
    }

    void ManualOpensMaximisedWithItsPages() {
        WritePdf(NextToExecutable(), 3);
        // What the open dialog shows, read while it runs; it is closed at once.
        QString title;
        bool maximised = false;
        int pages = 0, last_box = 0, jumped = -1;
        QColor middle;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CHelpDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            title = dlg->windowTitle();
            maximised = dlg->windowState() & Qt::WindowMaximized;
            pages = dlg->Pdf()->pageCount();
            last_box = dlg->PageBox()->maximum();
            middle = dlg->Pdf()->render(0, QSize(60, 80)).pixelColor(30, 40);
            dlg->PageBox()->setValue(3);
            jumped = dlg->View()->pageNavigator()->currentPage();
            dlg->reject();
        });
        ShowManual(*h_->doc, nullptr);
        QCOMPARE(title, QStringLiteral("Manual"));
        QVERIFY(maximised);
        QCOMPARE(pages, 3);
        QCOMPARE(last_box, 3);
        QCOMPARE(middle, QColor(Qt::black));  // the first page draws
        QCOMPARE(jumped, 2);
        QVERIFY(h_->messages.shown.isEmpty());
    }

    void NotAPdfCountsAsMissing() {
        QFile f(NextToExecutable());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a pdf");
        f.close();
        ShowManual(*h_->doc, nullptr);
        QCOMPARE(h_->messages.shown, QList<int>{30173});
    }
};

QTEST_MAIN(ManualTest)
#include "tst_manual.moc"
