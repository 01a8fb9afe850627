// Long work: the window keeps painting while a pass runs, the cancel button
// stops it and leaves everything as it was, and unsaved work of a run that
// died is offered back at the next start.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <csignal>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/ops/sort.h"
#include "tesmora/view/child_view.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

const std::string kRecords = Records(30000, [](int i) { return std::to_string(30000 - i) + ",x"; });

}  // namespace

class LongWorkTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Scratch> scratch_;
    ScriptedMessages messages_;
    std::unique_ptr<CVarnelApp> app_;
    QString chosen_;

    CMainFrame& Frame() { return *app_->MainFrame(); }
    Document& Doc() { return app_->Doc(); }
    MyStatusBar& Status() { return *Frame().StatusBar(); }
    void Start() {
        app_ = std::make_unique<CVarnelApp>(ScratchAppOptions(*scratch_, messages_));
        QVERIFY(app_->InitInstance({}));
        Frame().SetFileChooser([this](FileDialogKind) { return FileChoice(chosen_); });
    }
    // Slows the work at each progress step and presses the cancel button at
    // step `at`; counts the view's paints meanwhile.
    void CancelAt(int at, PaintCounter& counter) {
        Frame().View()->viewport()->installEventFilter(&counter);
        auto steps = std::make_shared<int>(0);
        Status().SetWorkHook([this, at, steps] {
            QThread::usleep(300);
            Frame().View()->viewport()->update();
            if (++*steps == at) Status().CancelButton()->click();
        });
    }

  private slots:
    void init() {
        scratch_ = std::make_unique<Scratch>();
        messages_.Clear();
        Start();
    }
    void cleanup() {
        app_.reset();
        scratch_.reset();
    }

    void CancelledOperationLeavesEverythingAsItWas() {
        chosen_ = scratch_->Write("a.csv", kRecords);
        Frame().Action(ID_FILE_OPEN)->trigger();
        QVERIFY(RunSort(Doc(), SortRequest{FieldIndex{1}, false}));
        Doc().View().sel_start = Doc().View().sel_end = FieldIndex{1};
        const std::string working = Doc().WorkingFileName();
        const QStringList temps = scratch_->TempFiles();
        PaintCounter counter;
        CancelAt(150, counter);
        QVERIFY(!RunSort(Doc(), SortRequest{FieldIndex{0}, false}));
        QVERIFY(counter.paints > 0);  // the window painted during the pass
        QCOMPARE(Status().StatusText(), QStringLiteral("中止しました"));
        QVERIFY(messages_.shown.isEmpty());
        QCOMPARE(Doc().WorkingFileName(), working);
        QVERIFY(Doc().CanUndo());
        QCOMPARE(Doc().View().sel_start.value, 1);
        QCOMPARE(scratch_->TempFiles(), temps);
        QVERIFY(!Status().Working());
        QVERIFY(Frame().Action(ID_SORT_SHORI)->isEnabled());
    }

    void CancelledOpenAndSaveLeaveNothing() {
        const QString path = scratch_->Write("a.csv", kRecords);
        PaintCounter counter;
        CancelAt(100, counter);
        chosen_ = path;
        Frame().Action(ID_FILE_OPEN)->trigger();
        QVERIFY(!Doc().IsOpen());
        QCOMPARE(scratch_->TempFiles(), QStringList());
        QCOMPARE(Status().StatusText(), QStringLiteral("中止しました"));

        Status().SetWorkHook({});
        Frame().Action(ID_FILE_OPEN)->trigger();
        QVERIFY(Doc().IsOpen());
        CancelAt(1, counter);
        chosen_ = scratch_->Path("b.csv");
        Frame().Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(!QFile::exists(chosen_));
        QCOMPARE(Doc().CurrentFileName(), path.toStdString());
    }

    void StartUpOffersUnsavedWorkBack_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void StartUpOffersUnsavedWorkBack() {
        QFETCH(bool, accept);
        app_.reset();
        // What a run that died leaves: its working file and its owner file.
        const QString working = scratch_->Write("tmp/TesBEEF.TMP", "b,2\r\na,1\r\n");
        const QString user = scratch_->Write("user.csv", "a,1\r\nb,2\r\n");
        scratch_->Write("tmp/tesmora-999999.own",
                        working.toStdString() + "\n#document\t1700000000\t1\t2\tutf-8\t" +
                            std::string(8, '0') + "\t" + working.toStdString() + "\t" +
                            user.toStdString() + "\n");
        messages_.Answer(kMsgOfferRecovery, accept ? kIdYes : kIdNo);
        Start();
        QVERIFY(messages_.Saw(kMsgOfferRecovery));
        QVERIFY(messages_.texts.first().startsWith(user + "\n"));
        QVERIFY(!QFile::exists(working));
        QCOMPARE(Doc().IsOpen(), accept);
        if (!accept) return;
        QCOMPARE(Doc().CurrentFileName(), user.toStdString());
        QVERIFY(Doc().Modified());
        QCOMPARE(Doc().FileEncoding(), Encoding::Utf8);
        Frame().Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(ReadFile(user), std::string("b,2\r\na,1\r\n"));
    }

    void KilledProgramsWorkComesBack() {
        // The real program joins two files (a change), is killed, and the
        // next start offers the joined document back under the first name.
        const QString a = scratch_->Write("a.csv", "a,1\r\n");
        const QString b = scratch_->Write("b.csv", "b,2\r\n");
        app_.reset();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), scratch_->Path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch_->Path(QStringLiteral("home")));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TESMORA_EXE), {a, b});
        QVERIFY(program.waitForStarted());
        const QDir tmp(scratch_->TempFolder());
        // Recorded as modified: "#document\tTIME\t1\t...", written once the
        // joined working file is on disk.
        auto recorded = [&] {
            for (const QString& own : tmp.entryList({QStringLiteral("tesmora-*.own")})) {
                const std::string list = ReadFile(tmp.filePath(own));
                const std::size_t at = list.find("#document\t");
                if (at == std::string::npos) continue;
                const std::size_t tab = list.find('\t', at + 10);
                if (tab != std::string::npos && list.compare(tab, 3, "\t1\t") == 0) return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(recorded(), 20000);
        program.kill();
        QVERIFY(program.waitForFinished());
        messages_.Answer(kMsgOfferRecovery, kIdYes);
        Start();
        QVERIFY(Doc().IsOpen());
        Frame().Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(ReadFile(a), std::string("a,1\r\nb,2\r\n"));
        app_.reset();
        QCOMPARE(tmp.entryList({QStringLiteral("Tes*.TMP")}), QStringList());
    }
};

QTEST_MAIN(LongWorkTest)
#include "tst_longwork.moc"
