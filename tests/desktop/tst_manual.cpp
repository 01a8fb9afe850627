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
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "desktop_support.h"
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
