// Start-up and shutdown: the single instance, the settings read at start, the
// command line, the removal of the temporary files, and the program without
// a display.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <functional>

#include "desktop_support.h"
#include "tesmora/app/command_line.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/view/child_view.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kCsv = "a,1\r\nb,2\r\nc,3\r\n";

bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QTest::qWait(50);
    }
    return true;
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Scratch> scratch_;

    AppOptions Options(ScriptedMessages& messages) {
        AppOptions options;
        options.messages = &messages;
        options.settings_file = scratch_->Path(QStringLiteral("settings.ini"));
        options.lock_dir = scratch_->TempFolder();
        return options;
    }

    QProcessEnvironment ChildEnvironment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), scratch_->TempFolder());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch_->Path(QStringLiteral("config")));
        return env;
    }

  private slots:
    void init() { scratch_ = std::make_unique<Scratch>(); }
    void cleanup() { scratch_.reset(); }

    void StartRemovesWhatACrashedRunLeft() {
        const QDir tmp(scratch_->TempFolder());
        const QString left = tmp.filePath(QStringLiteral("Tes7F.TMP"));
        const QString other = tmp.filePath(QStringLiteral("Tes80.TMP"));  // listed nowhere
        for (const QString& f : {left, other}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFile owner(tmp.filePath(QStringLiteral("tesmora-999997.own")));
        QVERIFY(owner.open(QIODevice::WriteOnly));
        owner.write((left + QStringLiteral("\n")).toUtf8());
        owner.close();
        ScriptedMessages messages;
        CVarnelApp app(Options(messages));
        QVERIFY(app.InitInstance({}));
        QVERIFY(!QFile::exists(left));
        QVERIFY(!owner.exists());
        QVERIFY(QFile::exists(other));
    }

    void SecondInstanceIsRefused() {
        ScriptedMessages first_messages, second_messages;
        CVarnelApp first(Options(first_messages));
        QVERIFY(first.InitInstance({scratch_->Write("a.csv", kCsv)}));
        QVERIFY(first.Doc().IsOpen());
        const QStringList temps = scratch_->TempFiles();

        auto second = std::make_unique<CVarnelApp>(Options(second_messages));
        QVERIFY(!second->InitInstance({scratch_->Write("b.csv", kCsv)}));
        QCOMPARE(second_messages.shown, QList<int>{30042});
        QCOMPARE(second_messages.texts.value(0), QStringLiteral("既に起動しています"));
        QVERIFY(!second->MainFrame());
        second.reset();

        // The first goes on as it was.
        QVERIFY(first.Doc().IsOpen());
        QCOMPARE(first.Doc().Stats().records, 3);
        QCOMPARE(scratch_->TempFiles(), temps);
        QVERIFY(first_messages.shown.isEmpty());
    }

    void LockIsFreedAtTheEnd() {
        ScriptedMessages messages;
        {
            CVarnelApp first(Options(messages));
            QVERIFY(first.InitInstance({}));
            QVERIFY(QFileInfo::exists(CVarnelApp::LockFilePath(scratch_->TempFolder())));
        }
        QVERIFY(!QFileInfo::exists(CVarnelApp::LockFilePath(scratch_->TempFolder())));
        CVarnelApp next(Options(messages));
        QVERIFY(next.InitInstance({}));
        QVERIFY(messages.shown.isEmpty());
    }

    void TemporaryFilesAreGoneAfterShutdown() {
        const QString user = scratch_->Write("keep.csv", kCsv);
        ScriptedMessages messages;
        std::vector<std::string> names;
        {
            CVarnelApp app(Options(messages));
            QVERIFY(app.InitInstance({user}));
            Document& doc = app.Doc();
            QVERIFY(RunOperation(doc, [](Document& d, TextWriter& out) {
                TextReader in = d.Records();
                Line line;
                while (in.Next(line)) out.WriteRecord(line.text);
                return true;
            }));
            names = {doc.WorkingFileName(), doc.IndexFileName(), doc.PreviousWorkingFileName(),
                     doc.PreviousIndexFileName()};
            for (const std::string& n : names)
                QVERIFY(QFileInfo::exists(QString::fromStdString(n)));
            QCOMPARE(scratch_->TempFiles().size(), 4);
        }
        for (const std::string& n : names) QVERIFY(!QFileInfo::exists(QString::fromStdString(n)));
        QVERIFY(scratch_->TempFiles().isEmpty());
        QVERIFY(QFileInfo::exists(user));  // never the user's file
    }

    void SecondProcessIsRefusedAndTheFirstCleansUp() {
        const QString file = scratch_->Write("p.csv", kCsv);
        QProcess first;
        first.setProcessEnvironment(ChildEnvironment());
        first.start(QStringLiteral(TESMORA_EXE), {file});
        QVERIFY(first.waitForStarted());
        const QString lock = CVarnelApp::LockFilePath(scratch_->TempFolder());
        QVERIFY2(
            WaitFor([&] { return QFileInfo::exists(lock) && scratch_->TempFiles().size() == 2; }),
            first.readAllStandardError().constData());

        ScriptedMessages messages;
        {
            CVarnelApp second(Options(messages));
            QVERIFY(!second.InitInstance({}));
        }
        QCOMPARE(messages.shown, QList<int>{30042});
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(scratch_->TempFiles().size(), 2);

        // Ended by the system: the temporary files still go.
        first.terminate();
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(scratch_->TempFiles().isEmpty());
        QVERIFY(!QFileInfo::exists(lock));
        QVERIFY(QFileInfo::exists(file));
    }

    // A SIGTERM while a start-up message box waits (the split mode offered
    // for a file without commas) ends the program, and its files go.
    void TerminatedDuringAStartUpMessage() {
        const QString file = scratch_->Write("fixed.txt", "abc\r\ndef\r\n");
        QProcess process;
        process.setProcessEnvironment(ChildEnvironment());
        process.start(QStringLiteral(TESMORA_EXE), {file});
        QVERIFY(process.waitForStarted());
        QVERIFY(WaitFor([&] { return scratch_->TempFiles().size() == 2; }));
        QTest::qWait(500);  // the question is up
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
            QFAIL("a SIGTERM did not end the program");
        }
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(scratch_->TempFiles().isEmpty());
        QVERIFY(!QFileInfo::exists(CVarnelApp::LockFilePath(scratch_->TempFolder())));
    }

    // The size of the first window: three quarters of the screen, widened
    // for the ribbon's labels as far as the screen allows.
    void FirstWindowSize_data() {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("ribbon");
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide screen") << QSize(1920, 1040) << 1100 << QSize(1440, 780);
        QTest::newRow("widened for the labels") << QSize(1280, 984) << 1100 << QSize(1100, 738);
        QTest::newRow("labels wider than the screen")
            << QSize(1024, 728) << 1100 << QSize(1024, 600);
        QTest::newRow("small screen") << QSize(800, 560) << 1100 << QSize(800, 500);
    }
    void FirstWindowSize() {
        QFETCH(QSize, area);
        QFETCH(int, ribbon);
        QFETCH(QSize, size);
        QCOMPARE(tesmora::desktop::FirstWindowSize(area, ribbon, 60), size);
    }

    void WithoutADisplayItSaysSo() {
        QProcessEnvironment env = ChildEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TESMORA_EXE), {});
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        QVERIFY(QString::fromLocal8Bit(process.readAllStandardError())
                    .contains(QStringLiteral("display")));
    }

    void CommandLineArguments() {
        QDir().mkpath(scratch_->Path("dir"));
        const QString cwd = scratch_->Path(QString());
        const QStringList files =
            FilesFromCommandLine({QStringLiteral("a b.csv"), QString(), scratch_->Path("dir"),
                                  QStringLiteral("sub/../c.csv"), scratch_->Path("other/d.csv")},
                                 cwd);
        QCOMPARE(files, QStringList({QDir::cleanPath(scratch_->Path("a b.csv")),
                                     QDir::cleanPath(scratch_->Path("c.csv")),
                                     QDir::cleanPath(scratch_->Path("other/d.csv"))}));
        QStringList many;
        for (int i = 0; i < 150; ++i) many.append(QStringLiteral("f%1").arg(i));
        QCOMPARE(FilesFromCommandLine(many, cwd).size(), kMaxCommandLineFiles);
    }

    void CommandLineFilesKeepTheirFolders() {
        const QString x = scratch_->Write("one/b.csv", "b,1\r\n");
        const QString y = scratch_->Write("two/a.csv", "a,1\r\na,2\r\n");
        ScriptedMessages messages;
        CVarnelApp app(Options(messages));
        QVERIFY(app.InitInstance({x, y}));
        QVERIFY(messages.shown.isEmpty());
        // "AddJun" 1: a.csv (of the second folder) is opened, b.csv appended.
        QCOMPARE(QString::fromStdString(app.Doc().CurrentFileName()), y);
        QCOMPARE(app.Doc().Stats().records, 3);
        QVERIFY(app.Doc().Modified());
        QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("a.csv[*]"));
    }

    void MissingCommandLineFileIsReported() {
        ScriptedMessages messages;
        CVarnelApp app(Options(messages));
        const QString missing = scratch_->Path("missing.csv");
        QVERIFY(app.InitInstance({missing, scratch_->Write("there.csv", kCsv)}));
        QCOMPARE(messages.shown, QList<int>{30003});
        QVERIFY(messages.texts.value(0).startsWith(missing + u'\n'));
        QCOMPARE(app.Doc().Stats().records, 3);
    }

    void ViewSettingsAtStartUp_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("item");
        QTest::newRow("20") << 20 << 16 << 8;
        QTest::newRow("5") << 5 << 8 << 0;
        QTest::newRow("10") << 10 << 10 << 2;
        QTest::newRow("none") << -1 << 12 << 4;
    }
    void ViewSettingsAtStartUp() {
        QFETCH(int, stored);
        QFETCH(int, size);
        QFETCH(int, item);
        ScriptedMessages messages;
        {
            CVarnelApp writer(Options(messages));
            if (stored >= 0) writer.Settings().SetInt("Last", "FontSize", stored);
            writer.Settings().SetInt("Last", "DspRno", 1);
            writer.Settings().SetInt("Last", "DspKeta", 1);
        }
        CVarnelApp app(Options(messages));
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.Options().font_size, size);
        QCOMPARE(app.MainFrame()->FontBox()->currentIndex(), item);
        QVERIFY(app.Options().show_record_numbers);
        QVERIFY(app.Options().show_ruler);
        QVERIFY(!app.MainFrame()->isMaximized());
        QVERIFY(!app.Doc().View().split_mode);
    }

    void ZoomedStartsMaximized() {
        ScriptedMessages messages;
        {
            CVarnelApp writer(Options(messages));
            writer.Settings().SetInt("Last", "Zoomed", 1);
        }
        CVarnelApp app(Options(messages));
        QVERIFY(app.InitInstance({}));
        QVERIFY(app.MainFrame()->isMaximized());
    }
};

QTEST_MAIN(AppTest)
#include "tst_app.moc"
