// A 1280 x 900 screen at 150 %: the main window and every operation dialog,
// with its explanation open, lie inside the screen. The suite runs on an
// off-screen platform with that one screen (screen_1280x900_150.json).
#include <QCheckBox>
#include <QDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/frame/status_bar.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

class ScreenTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Scratch> scratch_;
    ScriptedMessages messages_;
    std::unique_ptr<CVarnelApp> app_;

    static QRect Area() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    static QString Where(const QWidget& w) {
        const QRect r = w.frameGeometry();
        return QStringLiteral("%1 at %2,%3 %4x%5 on %6x%7")
            .arg(w.windowTitle())
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height())
            .arg(Area().width())
            .arg(Area().height());
    }

  private slots:
    void init() {
        scratch_ = std::make_unique<Scratch>();
        AppOptions options = ScratchAppOptions(*scratch_, messages_);
        app_ = std::make_unique<CVarnelApp>(options);
        QVERIFY(app_->InitInstance({}));
    }
    void cleanup() {
        app_.reset();
        scratch_.reset();
    }

    void TheScreenIsSmall() {
        QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.5);
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(853, 600));
    }

    void MainWindowWithItsStatusBar() {
        CMainFrame& frame = *app_->MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY2(Area().contains(frame.frameGeometry()), qPrintable(Where(frame)));
        const QWidget* status = frame.StatusBar();
        QVERIFY(status->isVisible());
        QVERIFY(Area().contains(QRect(status->mapToGlobal(QPoint(0, 0)), status->size())));
    }

    // Too narrow for the buttons' labels: images only, none squeezed; with
    // room again, the labels return.
    void RibbonShowsImagesOnlyWhenNarrow() {
        CMainFrame& frame = *app_->MainFrame();
        CRibbonBar& ribbon = *frame.Ribbon();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto squeezed = [&ribbon] {
            int n = 0;
            for (RibbonPanel* panel : ribbon.Panels())
                for (QToolButton* b : panel->findChildren<QToolButton*>())
                    n += b->isVisible() && b->width() < b->sizeHint().width();
            return n;
        };
        QTRY_VERIFY(ribbon.IsCompact());
        QTRY_COMPARE(squeezed(), 0);
        frame.resize(1700, 560);
        QTRY_VERIFY(!ribbon.IsCompact());
        QTRY_COMPARE(squeezed(), 0);
        frame.resize(800, 560);
        QTRY_VERIFY(ribbon.IsCompact());
        QTRY_COMPARE(squeezed(), 0);
    }

    // Each dialog its ribbon button opens, with the explanation shown.
    void EveryOperationDialogWithItsExplanation() {
        CMainFrame& frame = *app_->MainFrame();
        QStringList checked;
        QString failure;
        QTimer inspector;
        connect(&inspector, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<COperationDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            if (!dlg->ExplanationShown()) dlg->ExplainCheck()->click();
            QApplication::processEvents();
            if (!Area().contains(dlg->frameGeometry())) failure += Where(*dlg) + u'\n';
            checked.append(dlg->windowTitle());
            dlg->reject();
        });
        inspector.start(5);
        // Enough records to fill the view; the text itself does not matter.
        const std::string csv = Records(50, [](int) { return std::string("a,b,c"); });
        const std::string fixed = Records(50, [](int) { return std::string("fixed-width"); });
        struct Case {
            const std::string* file;
            std::vector<int> commands;
        };
        const Case cases[] = {
            {&csv,
             {ID_CSV_TO_TXT, ID_SORT_SHORI, ID_JUUFUKU_SHORI, ID_JOUKEN_SHORI, ID_FIELD_LEN_SHORI,
              ID_FIELD_JOIN_SHORI, ID_CODE_SHORI, ID_MULTI_SHORI}},
            {&fixed, {ID_BUNKATU_MODE, ID_TXT_TO_CSV, ID_LINE_SHORI}},
        };
        int dialogs = 0;
        for (const Case& c : cases) {
            messages_.Answer(30002, kIdNo);
            if (app_->Doc().IsOpen()) frame.Action(ID_FILE_CLOSE)->trigger();
            frame.SetFileChooser([&](FileDialogKind) {
                return scratch_->Write(c.file == &csv ? "s.csv" : "s.txt", *c.file);
            });
            frame.Action(ID_FILE_OPEN)->trigger();
            QVERIFY(app_->Doc().IsOpen());
            for (int id : c.commands) {
                QAction* action = frame.Action(id);
                QVERIFY2(action && action->isEnabled(), qPrintable(QString::number(id)));
                action->trigger();
                if (id != ID_BUNKATU_MODE) ++dialogs;
                QTRY_COMPARE(checked.size(), dialogs);
            }
        }
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
};

int main(int argc, char** argv) {
    // A 1280 x 900 pixel screen from the platform's configuration, scaled by
    // 1.5 as the desktop's 150 % setting scales it; both before the application starts.
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TESMORA_SCREEN_CONFIG);
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    ScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screen.moc"
