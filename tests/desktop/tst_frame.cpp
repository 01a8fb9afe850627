// The main window: enable rules, checked states, the file commands, the
// recent files, dropped files and the question when it closes. Every
// question is answered through the messages interface.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/frame/about_dlg.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/history_panel.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/recent_files.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/view/child_view.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kCsv = "a,1\r\nb,2\r\nc,3\r\n";
const std::string kFixed = "abc\r\ndef\r\n";

// Every command of the table with its rule, whether or not it has a button yet.
const int kAllCommands[] = {
    ID_FILE_OPEN,    ID_FILE_SAVE,  ID_FILE_SAVE_AS,    ID_FILE_CLOSE,       ID_APP_ABOUT,
    ID_APP_EXIT,     ID_EDIT_UNDO,  ID_COMBO1,          ID_DSP_KETA,         ID_DSP_RNO,
    ID_BUNKATU_MODE, ID_CSV_TO_TXT, ID_TXT_TO_CSV,      ID_SORT_SHORI,       ID_JUUFUKU_SHORI,
    ID_JOUKEN_SHORI, ID_LINE_SHORI, ID_FIELD_LEN_SHORI, ID_FIELD_JOIN_SHORI, ID_CODE_SHORI,
    ID_MULTI_SHORI,  ID_PROPERTY,   ID_HELP_DSP,        ID_FIRST_PAGE,       ID_LAST_PAGE};

void Drop(CChildView& view, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& p : paths) urls.append(QUrl::fromLocalFile(p));
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(30, 30);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Scratch> scratch_;
    ScriptedMessages messages_;
    std::unique_ptr<CVarnelApp> app_;
    QString chosen_;  // what the file dialogs answer

    CMainFrame& Frame() { return *app_->MainFrame(); }
    Document& Doc() { return app_->Doc(); }
    // The status line of a quick pass; one that straddles a second boundary
    // reads 00:00:01, taken as 00:00:00.
    QString QuickStatus() {
        QString s = Frame().StatusBar()->StatusText();
        if (s.startsWith(QStringLiteral("00:00:01"))) s[7] = u'0';
        return s;
    }
    QAction* Action(int id) {
        QAction* a = Frame().Action(id);
        if (!a) qFatal("no action %d", id);
        return a;
    }
    void Start() {
        AppOptions options = ScratchAppOptions(*scratch_, messages_);
        app_ = std::make_unique<CVarnelApp>(options);
        QVERIFY(app_->InitInstance({}));
        Frame().SetFileChooser([this](FileDialogKind) { return chosen_; });
    }
    bool Open(const QString& path) {
        chosen_ = path;
        Action(ID_FILE_OPEN)->trigger();
        return Doc().IsOpen();
    }

  private slots:
    void init() {
        scratch_ = std::make_unique<Scratch>();
        messages_.Clear();
        chosen_.clear();
        Start();
    }
    void cleanup() {
        app_.reset();
        scratch_.reset();
    }

    void EnableRulesWithoutDocument() {
        for (int id : {ID_FILE_OPEN, ID_APP_ABOUT, ID_APP_EXIT, ID_HELP_DSP})
            QVERIFY2(Action(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_EDIT_UNDO, ID_DSP_KETA,
                       ID_DSP_RNO, ID_BUNKATU_MODE, ID_FIRST_PAGE, ID_LAST_PAGE})
            QVERIFY2(!Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(!Frame().FontBox()->isEnabled());
        for (int id : kAllCommands) {
            const EnableRule rule = FindCommand(id)->rule;
            const bool expected = rule == EnableRule::E0 || rule == EnableRule::EO;
            QCOMPARE(IsEnabled(rule, Doc()), expected);
        }
        // The recent files stay reachable.
        RecentFileList& recent = app_->Recent();
        recent.Add(scratch_->Write("r.csv", kCsv));
        Frame().UpdateCommandUI();
        QAbstractButton* entry = Frame().Ribbon()->ApplicationMenu()->RecentButtons().value(0);
        QVERIFY(entry && entry->isEnabled());
        QCOMPARE(entry->text(), QStringLiteral("&1 r.csv"));
        QVERIFY(!entry->isHidden());
    }

    void EnableRulesFixedWidth() {
        QVERIFY(Open(scratch_->Write("fixed.txt", kFixed)));
        QVERIFY(messages_.Saw(30004));  // answered No: the mode stays off
        QVERIFY(!Doc().View().split_mode);
        QVERIFY(!Action(ID_FILE_OPEN)->isEnabled());
        for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_DSP_KETA, ID_DSP_RNO,
                       ID_BUNKATU_MODE, ID_FIRST_PAGE, ID_LAST_PAGE})
            QVERIFY2(Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(Frame().FontBox()->isEnabled());
        QVERIFY(!Action(ID_EDIT_UNDO)->isEnabled());
        for (int id : {ID_TXT_TO_CSV, ID_LINE_SHORI, ID_BUNKATU_MODE, ID_JOUKEN_SHORI,
                       ID_MULTI_SHORI, ID_PROPERTY, ID_COMBO1})
            QVERIFY(IsEnabled(FindCommand(id)->rule, Doc()));
        for (int id : {ID_CSV_TO_TXT, ID_SORT_SHORI, ID_JUUFUKU_SHORI, ID_FIELD_LEN_SHORI,
                       ID_FIELD_JOIN_SHORI, ID_CODE_SHORI, ID_FILE_OPEN})
            QVERIFY(!IsEnabled(FindCommand(id)->rule, Doc()));
    }

    void EnableRulesCommaSeparated() {
        QVERIFY(Open(scratch_->Write("comma.csv", kCsv)));
        QVERIFY(!messages_.Saw(30004));
        QVERIFY(!Action(ID_BUNKATU_MODE)->isEnabled());
        for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_DSP_KETA, ID_DSP_RNO})
            QVERIFY(Action(id)->isEnabled());
        for (int id : {ID_CSV_TO_TXT, ID_SORT_SHORI, ID_JUUFUKU_SHORI, ID_FIELD_LEN_SHORI,
                       ID_FIELD_JOIN_SHORI, ID_CODE_SHORI, ID_JOUKEN_SHORI, ID_MULTI_SHORI,
                       ID_PROPERTY, ID_COMBO1})
            QVERIFY(IsEnabled(FindCommand(id)->rule, Doc()));
        for (int id : {ID_TXT_TO_CSV, ID_LINE_SHORI, ID_BUNKATU_MODE})
            QVERIFY(!IsEnabled(FindCommand(id)->rule, Doc()));
    }

    void UndoFollowsTheLastOperation() {
        QVERIFY(Open(scratch_->Write("u.csv", kCsv)));
        QVERIFY(!Action(ID_EDIT_UNDO)->isEnabled());
        QVERIFY(RunOperation(Doc(), [](Document& doc, TextWriter& out) {
            TextReader in = doc.Records();
            Line line;
            while (in.Next(line)) out.WriteRecord(line.text);
            out.WriteRecord("d,4");
            return true;
        }));
        Frame().UpdateCommandUI();
        QVERIFY(Action(ID_EDIT_UNDO)->isEnabled());
        QCOMPARE(Doc().Stats().records, 4);
        Action(ID_EDIT_UNDO)->trigger();
        QCOMPARE(Doc().Stats().records, 3);
        QVERIFY(!Action(ID_EDIT_UNDO)->isEnabled());
    }

    void Accelerators() {
        const QList<QKeySequence> undo = Action(ID_EDIT_UNDO)->shortcuts();
        QVERIFY(undo.contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QVERIFY(undo.contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
        QCOMPARE(Action(ID_FIRST_PAGE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Home));
        QCOMPARE(Action(ID_LAST_PAGE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_End));
        QVERIFY(Open(scratch_->Write(
            "k.csv", Records(500, [](int i) { return "r," + std::to_string(i); }))));
        Action(ID_LAST_PAGE)->trigger();
        const std::int64_t bottom = 500 - Frame().View()->VisibleRows();
        QCOMPARE(Doc().View().top_record.value, bottom);
        Action(ID_FIRST_PAGE)->trigger();
        QCOMPARE(Doc().View().top_record.value, 0);
    }

    // The keys every desktop program has: taken by no other command, named
    // in the tooltip, and working in the window.
    void StandardKeys_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QKeySequence>("key");
        QTest::newRow("open") << int(ID_FILE_OPEN) << QKeySequence(Qt::CTRL | Qt::Key_O);
        QTest::newRow("save") << int(ID_FILE_SAVE) << QKeySequence(Qt::CTRL | Qt::Key_S);
        QTest::newRow("save as") << int(ID_FILE_SAVE_AS)
                                 << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QTest::newRow("manual") << int(ID_HELP_DSP) << QKeySequence(Qt::Key_F1);
    }
    void StandardKeys() {
        QFETCH(int, id);
        QFETCH(QKeySequence, key);
        QVERIFY(Action(id)->shortcuts().contains(key));
        QVERIFY(Action(id)->toolTip().contains(key.toString(QKeySequence::NativeText)));
        int takers = 0;
        for (const QAction* a : Frame().findChildren<QAction*>())
            takers += a->shortcuts().contains(key);
        QCOMPARE(takers, 1);
        QVERIFY(Frame().ShortcutTable().contains(
            {key.toString(QKeySequence::NativeText), PromptOf(id).title}));
    }

    void OpenAndSaveByKeys() {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowActive(&Frame()));
        const QString path = scratch_->Write("k.csv", "a,1\nb,2");
        chosen_ = path;
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Doc().IsOpen());
        Doc().SetModified(true);
        QTest::keyClick(&Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!Doc().Modified());
        QCOMPARE(ReadFile(path), std::string("a,1\r\nb,2\r\n"));
    }

    // The title as the window system shows it: "*" while changes are unsaved.
    void TitleMarksUnsavedChanges() {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        QVERIFY(Open(scratch_->Write("t.csv", kCsv)));
        QCOMPARE(Frame().windowHandle()->title(), QStringLiteral("t.csv"));
        QVERIFY(RunOperation(Doc(), [](Document& d, TextWriter& out) {
            TextReader in = d.Records();
            Line line;
            while (in.Next(line)) out.WriteRecord(line.text);
            return true;
        }));
        QTRY_COMPARE(Frame().windowHandle()->title(), QStringLiteral("t.csv*"));
        Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(Frame().windowHandle()->title(), QStringLiteral("t.csv"));
    }

    // After a deletion and its undo, the status bar says how the count changed.
    void StatusLineAfterAnOperationAndUndo() {
        QVERIFY(Open(scratch_->Write("d.csv", kCsv)));
        QVERIFY(RunOperation(Doc(), [](Document& d, TextWriter& out) {
            TextReader in = d.Records();
            Line line;
            while (in.Next(line))
                if (line.text != "b,2") out.WriteRecord(line.text);
            return true;
        }));
        QCOMPARE(QuickStatus(), QStringLiteral("00:00:00  3 → 2 レコード"));
        Frame().UpdateCommandUI();
        Action(ID_EDIT_UNDO)->trigger();
        QCOMPARE(QuickStatus(), QStringLiteral("00:00:00  2 → 3 レコード"));
    }

    // Every command's description shows whole left of the progress bar at
    // the first size.
    void HelpTextIsNotUnderTheProgressBar() {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        const MyStatusBar& status = *Frame().StatusBar();
        QTRY_VERIFY(status.ProgressBar()->isVisible());
        for (int id : kAllCommands) {
            const QString tip = PromptOf(id).description;
            QVERIFY2(status.TextFits(tip), qPrintable(QStringLiteral("%1: bar at %2 of %3")
                                                          .arg(tip)
                                                          .arg(status.ProgressBar()->x())
                                                          .arg(status.width())));
        }
    }

    void LabelsAndTooltipsFromTheStringTable() {
        QCOMPARE(Action(ID_FILE_OPEN)->text(), QStringLiteral("開く(&O)..."));
        QCOMPARE(Action(ID_FILE_OPEN)->statusTip(), QStringLiteral("既存のファイルを開く"));
        QVERIFY(Action(ID_FILE_OPEN)->toolTip().contains(QStringLiteral("<b>開く</b>")));
        QCOMPARE(Action(ID_DSP_KETA)->text(), QStringLiteral("桁目盛りの表示"));
        QCOMPARE(Action(ID_EDIT_UNDO)->statusTip(),
                 QStringLiteral("直前に行った動作を元に戻します"));
        QCOMPARE(Frame().Ribbon()->TabTitle(), QStringLiteral("ホーム WClick, Ctrl + F1"));
        QCOMPARE(Frame().Ribbon()->ApplicationMenu()->RecentTitle(),
                 QStringLiteral("最近処理したファイル"));
        QCOMPARE(Frame().Ribbon()->Panels().value(0)->Title(), QStringLiteral("表示"));
        QCOMPARE(Frame().FontBox()->count(), 9);
        QCOMPARE(Frame().FontBox()->itemText(0), QStringLiteral("8"));
        QCOMPARE(Frame().FontBox()->itemText(8), QStringLiteral("16"));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Tesmora"));
    }

    void RulerAndRecordNumberToggles() {
        QVERIFY(Open(scratch_->Write("t.csv", kCsv)));
        ISettingsStore& settings = app_->Settings();
        CChildView& view = *Frame().View();
        QVERIFY(!Action(ID_DSP_KETA)->isChecked());
        Action(ID_DSP_KETA)->trigger();
        QVERIFY(app_->Options().show_ruler);
        QVERIFY(Action(ID_DSP_KETA)->isChecked());
        QCOMPARE(settings.GetInt("Last", "DspKeta", -1), 1);
        QCOMPARE(view.RowTop(), view.CharHeight() + 3);
        Action(ID_DSP_RNO)->trigger();
        QVERIFY(Action(ID_DSP_RNO)->isChecked());
        QCOMPARE(settings.GetInt("Last", "DspRno", -1), 1);
        QCOMPARE(view.LeftMargin(), 2 * view.CharWidth() + 3);
        Action(ID_DSP_KETA)->trigger();
        QVERIFY(!Action(ID_DSP_KETA)->isChecked());
        QCOMPARE(settings.GetInt("Last", "DspKeta", -1), 0);
        QCOMPARE(view.RowTop(), 3);
        // The ribbon's check box shows the state and toggles it.
        auto* box = Frame().Ribbon()->findChild<ActionCheckBox*>();
        QVERIFY(box);
        QCOMPARE(box->isChecked(), box->Action()->isChecked());
        const bool before = box->isChecked();
        box->click();
        QCOMPARE(box->Action()->isChecked(), !before);
        QCOMPARE(box->isChecked(), !before);
    }

    void SplitModeToggle() {
        QVERIFY(Open(scratch_->Write("sm.txt", kFixed)));
        QAction* split = Action(ID_BUNKATU_MODE);
        QVERIFY(split->isEnabled());
        messages_.Clear();
        split->trigger();  // switching on never asks
        QVERIFY(Doc().View().split_mode);
        QVERIFY(split->isChecked());
        QVERIFY(messages_.shown.isEmpty());
        QVERIFY(Near(Frame().View()->Image().pixelColor(200, 200), colors::kSplitModeBackground));
        // Without split positions switching off never asks either.
        split->trigger();
        QVERIFY(!Doc().View().split_mode);
        QVERIFY(messages_.shown.isEmpty());
        split->trigger();
        Doc().View().split_positions = {2};
        split->trigger();  // 30013, answered No
        QVERIFY(messages_.Saw(30013));
        QVERIFY(Doc().View().split_mode);
        QCOMPARE(Doc().View().split_positions.size(), std::size_t{1});
        messages_.Answer(30013, kIdYes);
        split->trigger();
        QVERIFY(!Doc().View().split_mode);
        QVERIFY(Doc().View().split_positions.empty());
        QVERIFY(!split->isChecked());
        // The mode changes no other command's state.
        QVERIFY(Action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(!Action(ID_EDIT_UNDO)->isEnabled());
    }

    void FontSizeBox() {
        QVERIFY(Open(scratch_->Write("fb.csv", kCsv)));
        QComboBox* box = Frame().FontBox();
        QCOMPARE(box->currentIndex(), 4);  // 12 points
        box->setCurrentIndex(8);
        QCOMPARE(app_->Options().font_size, 16);
        QCOMPARE(app_->Settings().GetInt("Last", "FontSize", 0), 16);
        QCOMPARE(Frame().View()->CharHeight(), 21);
        // Ctrl + wheel moves the box along.
        CChildView& view = *Frame().View();
        const QPointF at(20, 20);
        QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &wheel);
        QCOMPARE(app_->Options().font_size, 15);
        QCOMPARE(box->currentIndex(), 7);
    }

    void CloseAnsweredCancelKeepsEverything() {
        const QString path = scratch_->Write("c.csv", kCsv);
        Drop(*Frame().View(), {path});  // a dropped file is modified at once
        QVERIFY(Doc().Modified());
        QVERIFY(!Frame().close());  // 30002 answered Cancel
        QVERIFY(messages_.Saw(30002));
        QVERIFY(Frame().isVisible());
        QVERIFY(Doc().IsOpen());
        QVERIFY(Doc().Modified());
    }

    void CloseAnsweredNoDiscards() {
        const QString path = scratch_->Write("c.csv", kCsv);
        Drop(*Frame().View(), {path});
        QSignalSpy closed(&Frame(), &CMainFrame::closed);
        messages_.Answer(30002, kIdNo);
        QVERIFY(Frame().close());
        QCOMPARE(closed.count(), 1);
        QVERIFY(!Doc().IsOpen());
        QCOMPARE(ReadFile(path), kCsv);
    }

    void CloseAnsweredYesSaves() {
        const QString path = scratch_->Write("y.csv", "a,1\nb,2");
        Drop(*Frame().View(), {path});
        messages_.Answer(30002, kIdYes);
        QVERIFY(Frame().close());
        QCOMPARE(ReadFile(path), std::string("a,1\r\nb,2\r\n"));
    }

    void FailedSaveKeepsTheWindowOpen() {
        const QString path = scratch_->Write("gone/f.csv", kCsv);
        Drop(*Frame().View(), {path});
        QVERIFY(QDir(scratch_->Path("gone")).removeRecursively());
        messages_.Answer(30002, kIdYes);
        QVERIFY(!Frame().close());
        QVERIFY(messages_.Saw(30039));
        QVERIFY(Frame().isVisible());
        QVERIFY(Doc().IsOpen());
        QVERIFY(Doc().Modified());
    }

    void ClosingStoresTheWindowState() {
        Frame().showNormal();
        Frame().setGeometry(40, 50, 700, 500);
        QVERIFY(Frame().close());
        ISettingsStore& settings = app_->Settings();
        QCOMPARE(settings.GetInt("Last", "Zoomed", -1), 0);
        QCOMPARE(settings.GetInt("Last", "SX", -1), Frame().frameGeometry().width());
        QCOMPARE(settings.GetInt("Last", "SY", -1), Frame().frameGeometry().height());
        QVERIFY(settings.GetInt("Last", "PX", -1) >= 0);
        Frame().show();
        Frame().showMaximized();
        QVERIFY(Frame().close());
        QCOMPARE(settings.GetInt("Last", "Zoomed", -1), 1);
    }

    void OpenTitleRecentAndElapsedTime() {
        const QString a = scratch_->Write("a.csv", kCsv);
        QVERIFY(Open(a));
        QVERIFY(!Doc().Modified());  // the Open command leaves the file unmodified
        QCOMPARE(Frame().windowTitle(), QStringLiteral("a.csv[*]"));
        QCOMPARE(app_->Recent().Path(0), a);
        QCOMPARE(app_->Recent().MenuText(0), QStringLiteral("&1 a.csv"));
        QCOMPARE(Frame().Ribbon()->ApplicationMenu()->RecentButtons().value(0)->text(),
                 QStringLiteral("&1 a.csv"));
        QCOMPARE(QuickStatus(), QStringLiteral("00:00:00"));
        Action(ID_FILE_CLOSE)->trigger();  // unmodified: no question
        QVERIFY(!messages_.Saw(30002));
        QVERIFY(!Doc().IsOpen());
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Tesmora"));
        const QString b = scratch_->Write("b.csv", kCsv);
        QVERIFY(Open(b));
        QCOMPARE(app_->Recent().Path(0), b);
        QCOMPARE(app_->Recent().Path(1), a);
        QCOMPARE(app_->Settings().GetString("Recent File List", "File1", ""), b.toStdString());
        // At most seven entries.
        for (int i = 0; i < 9; ++i)
            app_->Recent().Add(scratch_->Path(QStringLiteral("x%1").arg(i)));
        QCOMPARE(app_->Recent().Paths().size(), 7);
    }

    void RecentEntryOfAMissingFileAsks() {
        const QString a = scratch_->Write("gone.csv", kCsv);
        QVERIFY(Open(a));
        Action(ID_FILE_CLOSE)->trigger();
        QVERIFY(QFile::remove(a));
        Frame().OnRecentFile(0);  // 30018 answered No: the entry stays
        QCOMPARE(messages_.Count(30018), 1);
        QVERIFY(messages_.texts.last().startsWith(a + QStringLiteral("\n")));
        QCOMPARE(app_->Recent().Path(0), a);
        messages_.Answer(30018, kIdYes);
        Frame().OnRecentFile(0);
        QVERIFY(app_->Recent().Paths().isEmpty());
        QVERIFY(!Frame().Ribbon()->ApplicationMenu()->RecentButtons().value(0)->isVisible());
    }

    void RecentEntryClosesTheCurrentDocumentFirst() {
        const QString a = scratch_->Write("ra.csv", kCsv);
        QVERIFY(Open(a));
        Action(ID_FILE_CLOSE)->trigger();
        Drop(*Frame().View(), {scratch_->Write("rb.csv", "x,y\r\n")});
        QVERIFY(Doc().Modified());
        Frame().OnRecentFile(1);  // 30002 answered Cancel: nothing changes
        QVERIFY(messages_.Saw(30002));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("rb.csv[*]"));
        messages_.Answer(30002, kIdNo);
        Frame().OnRecentFile(1);
        QCOMPARE(Frame().windowTitle(), QStringLiteral("ra.csv[*]"));
        QCOMPARE(Doc().Stats().records, 3);
        QCOMPARE(app_->Recent().Path(0), a);
    }

    void DroppedFilesAreOrderedAndJoined() {
        const QString b = scratch_->Write("b.csv", "b,1\r\n");
        const QString a = scratch_->Write("a.csv", "a,1\r\na,2\r\n");
        QDir().mkpath(scratch_->Path("folder"));
        Drop(*Frame().View(), {b, a, scratch_->Path("folder")});
        QCOMPARE(Frame().windowTitle(), QStringLiteral("a.csv[*]"));  // "AddJun" 1: ascending
        QCOMPARE(Doc().Stats().records, 3);
        QVERIFY(Doc().Modified());
        // A drop on an open document appends; the title stays.
        Drop(*Frame().View(), {scratch_->Write("c.csv", "c,1\r\n")});
        QCOMPARE(Doc().Stats().records, 4);
        QCOMPARE(Frame().windowTitle(), QStringLiteral("a.csv[*]"));
        QCOMPARE(QString::fromStdString(Doc().CurrentFileName()), a);
    }

    void DroppedFilesKeepTheirOwnFolders() {
        const QString x = scratch_->Write("one/x.csv", "x,1\r\n");
        const QString y = scratch_->Write("two/y.csv", "y,1\r\ny,2\r\n");
        Drop(*Frame().View(), {y, x});
        QVERIFY(!messages_.Saw(30003));
        QCOMPARE(Doc().Stats().records, 3);
        QCOMPARE(QString::fromStdString(Doc().CurrentFileName()), x);
    }

    void AtMostAHundredDroppedFiles() {
        QStringList paths;
        for (int i = 0; i < 150; ++i)
            paths.append(scratch_->Write(QStringLiteral("many/%1.csv").arg(i, 3, 10, QChar(u'0')),
                                         "r," + std::to_string(i) + "\r\n"));
        Drop(*Frame().View(), paths);
        QCOMPARE(Doc().Stats().records, 100);
    }

    void FirstRecordQuestionWhenJoining() {
        app_->Settings().SetInt("AddRead", "FirstRec", 2);
        const QString a = scratch_->Write("a.csv", "head,a\r\na,1\r\n");
        const QString b = scratch_->Write("b.csv", "head,b\r\nb,1\r\n");
        Drop(*Frame().View(), {a, b});  // 30021 answered Cancel: b is not joined
        QVERIFY(messages_.Saw(30021));
        QCOMPARE(Doc().Stats().records, 2);
        messages_.Answer(30002, kIdNo);
        Action(ID_FILE_CLOSE)->trigger();
        messages_.Answer(30021, kIdNo);
        Drop(*Frame().View(), {a, b});  // b without its first line
        QCOMPARE(Doc().Stats().records, 3);
        QCOMPARE(app_->Settings().GetInt("AddRead", "FirstRec", 0), 2);
        messages_.Answer(30002, kIdNo);
        Action(ID_FILE_CLOSE)->trigger();
        messages_.Answer(30021, kIdYes);
        Drop(*Frame().View(), {a, b});  // whole files from now on
        QCOMPARE(Doc().Stats().records, 4);
        QCOMPARE(app_->Settings().GetInt("AddRead", "FirstRec", 0), 1);
    }

    void SaveAsAsksBeforeReplacing() {
        QVERIFY(Open(scratch_->Write("s.csv", "a,1\nb,2")));
        const QString target = scratch_->Write("exists.csv", "old\r\n");
        chosen_ = target;
        Action(ID_FILE_SAVE_AS)->trigger();  // 30009 answered No
        QVERIFY(messages_.Saw(30009));
        QCOMPARE(ReadFile(target), std::string("old\r\n"));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("s.csv[*]"));
        messages_.Answer(30009, kIdYes);
        Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(messages_.Saw(30011));
        QCOMPARE(ReadFile(target), std::string("a,1\r\nb,2\r\n"));
        QCOMPARE(Frame().windowTitle(), QStringLiteral("exists.csv[*]"));
        QCOMPARE(app_->Recent().Path(0), target);
        // A cancelled dialog does nothing.
        messages_.Clear();
        chosen_.clear();
        Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(messages_.shown.isEmpty());
    }

    void SaveWithoutChangesWritesNothing() {
        const QString path = scratch_->Write("n.csv", kCsv);
        QVERIFY(Open(path));
        QVERIFY(QFile::remove(path));
        Action(ID_FILE_SAVE)->trigger();
        QVERIFY(!QFileInfo::exists(path));
        Doc().SetModified(true);
        Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(ReadFile(path), kCsv);
        QVERIFY(!Doc().Modified());
    }

    void ProgressBarIsNeverBusy() {
        MyStatusBar& status = *Frame().StatusBar();
        QProgressBar* bar = status.ProgressBar();
        status.SetRange(0);  // fewer than 100 items
        QVERIFY(bar->maximum() > bar->minimum());
        QCOMPARE(bar->value(), 0);
        status.SetRange(50);
        status.SetPos(50);
        QCOMPARE(bar->value(), 50);
        status.SetPos(0);
        QCOMPARE(bar->value(), 0);
        // Loading leaves it empty again.
        QVERIFY(Open(scratch_->Write(
            "p.csv", Records(3000, [](int i) { return std::to_string(i) + ",x"; }))));
        QCOMPARE(bar->value(), 0);
        QVERIFY(bar->isVisible());
    }

    void ManualWithoutPdfSaysSo() {
        Action(ID_HELP_DSP)->trigger();
        QVERIFY(messages_.Saw(30173));
    }

    void AboutBoxHistory() {
        CAboutDlg about(&Frame());
        QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
        // Newest first, then the empty line the oldest entry brings.
        const QStringList lines = about.History().split(QLatin1Char('\n'));
        QCOMPARE(lines, (QStringList{QStringLiteral("Ver. 1.01 2014.07.20 ソート処理を高速化"),
                                     QStringLiteral("Ver. 1.00 2011.03.19 新規作成"), QString(),
                                     QString()}));
        auto* edit = about.findChild<QPlainTextEdit*>();
        QVERIFY(edit && edit->isReadOnly());
        QCOMPARE(edit->document()->blockCount(), 4);
        QCOMPARE(about.BuildVersion(), QStringLiteral("Ver. ") + QStringLiteral(TESMORA_VERSION));
        QStringList labels;
        for (auto* l : about.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains(QStringLiteral("テスモラ")));
        QVERIFY(labels.contains(QStringLiteral("バージョン情報")));
        auto* ok = about.findChild<QPushButton*>();
        QVERIFY(ok && ok->isDefault());
        QCOMPARE(ok->text(), QStringLiteral("確認 (&Y)"));
        ok->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void ApplicationMenuByKeys() {
        const QString a = scratch_->Write("menu.csv", kCsv);
        app_->Recent().Add(a);
        Frame().UpdateCommandUI();
        CApplicationMenu* menu = Frame().Ribbon()->ApplicationMenu();
        Frame().Ribbon()->ApplicationButton()->click();
        QVERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_1);  // the first recent file
        QVERIFY(!menu->isVisible());
        QVERIFY(Doc().IsOpen());
        QCOMPARE(Frame().windowTitle(), QStringLiteral("menu.csv[*]"));
        Frame().Ribbon()->ApplicationButton()->click();
        QTest::keyClick(menu, Qt::Key_C);  // 閉じる(&C)
        QVERIFY(!menu->isVisible());
        QVERIFY(!Doc().IsOpen());
        chosen_ = a;
        Frame().Ribbon()->ApplicationButton()->click();
        QTest::keyClick(menu, Qt::Key_O);  // 開く(&O)...
        QVERIFY(Doc().IsOpen());
        // A disabled command does not run: Open while a document is open.
        Frame().Ribbon()->ApplicationButton()->click();
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
    }

    void AnOperationButtonIsOneLine() {
        int runs = 0;
        const QString icon = QStringLiteral(":/icons/sort.svg");
        QAction* sort = Frame().AddOperation(
            ID_SORT_SHORI, [&runs] { ++runs; }, icon);
        QAction* dups = Frame().AddOperation(
            ID_JUUFUKU_SHORI, [] {}, icon);
        RibbonPanel* panel = Frame().Ribbon()->Panels().value(1);
        QCOMPARE(panel->Title(), QStringLiteral("テキスト処理"));
        QVERIFY(!panel->isHidden());
        QCOMPARE(sort->text(), QStringLiteral("ソート"));
        QCOMPARE(dups->iconText(), QStringLiteral("重複レコード\nの処理"));
        QVERIFY(sort->statusTip().startsWith(QStringLiteral("フィールドを指定して")));
        QVERIFY(!sort->isEnabled());
        QVERIFY(Open(scratch_->Write("op.txt", kFixed)));
        QVERIFY(!sort->isEnabled());  // E2: not for fixed-width text
        messages_.Answer(30002, kIdNo);
        Action(ID_FILE_CLOSE)->trigger();
        QVERIFY(Open(scratch_->Write("op.csv", kCsv)));
        QVERIFY(sort->isEnabled());
        sort->trigger();
        QCOMPARE(runs, 1);
    }

    void ConversionButtonsLeadTheTextPanel() {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        RibbonPanel* panel = Frame().Ribbon()->Panels().value(1);
        QList<QToolButton*> buttons = panel->findChildren<QToolButton*>();
        std::sort(buttons.begin(), buttons.end(),
                  [](QToolButton* a, QToolButton* b) { return a->x() < b->x(); });
        QVERIFY(buttons.size() >= 3);
        QCOMPARE(buttons[0]->defaultAction(), Action(ID_CSV_TO_TXT));
        QCOMPARE(buttons[1]->defaultAction(), Action(ID_TXT_TO_CSV));
        QCOMPARE(buttons[2]->defaultAction(), Action(ID_SORT_SHORI));
        QCOMPARE(Action(ID_TXT_TO_CSV)->iconText(), QStringLiteral("ＴＸＴ\n⇒ＣＳＶ"));
        QCOMPARE(Action(ID_CSV_TO_TXT)->statusTip(),
                 QStringLiteral("コンマ区切りファイルをテキストファイルに変換します"));
        // A rule stands between the conversions and the operations.
        bool rule = false;
        for (QFrame* f : panel->findChildren<QFrame*>(Qt::FindDirectChildrenOnly))
            rule |= f->frameShape() == QFrame::VLine && f->x() > buttons[1]->x() &&
                    f->x() < buttons[2]->x();
        QVERIFY(rule);
    }

    void TxtToCsvOffersTheSplitModeFirst() {
        QVERIFY(Open(scratch_->Write("fixed.txt", kFixed)));
        QVERIFY(Action(ID_TXT_TO_CSV)->isEnabled());
        QVERIFY(!Action(ID_CSV_TO_TXT)->isEnabled());
        messages_.Clear();
        messages_.Answer(30016, kIdNo);
        Action(ID_TXT_TO_CSV)->trigger();
        QCOMPARE(messages_.shown, QList<int>{30016});
        QVERIFY(!Doc().View().split_mode);
        // Yes switches the mode on; no dialog opens (a modal one would block here).
        messages_.Answer(30016, kIdYes);
        Action(ID_TXT_TO_CSV)->trigger();
        QVERIFY(Doc().View().split_mode);
        QVERIFY(Action(ID_BUNKATU_MODE)->isChecked());
    }

    void RibbonMinimizes() {
        CRibbonBar& ribbon = *Frame().Ribbon();
        const int full = ribbon.sizeHint().height();
        ribbon.SetMinimized(true);
        QVERIFY(ribbon.sizeHint().height() < full);
        ribbon.SetMinimized(false);
        QCOMPARE(ribbon.sizeHint().height(), full);
    }

    // Alt, a panel's key (or the tab's), then a control's key runs the control.
    void KeyTipsReachEveryCommand() {
        Frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        CRibbonBar& ribbon = *Frame().Ribbon();
        QWidget* view = Frame().View();
        QStringList opened;
        QTimer closer;  // takes each dialog down as it opens
        connect(&closer, &QTimer::timeout, [&opened] {
            if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened.append(
                    QString::fromLatin1(dlg->metaObject()->className()).section("::", -1));
                dlg->reject();
            }
        });
        closer.start(5);
        auto type = [view](const char* keys) {
            QTest::keyClick(view, Qt::Key_Alt);
            for (const char* k = keys; *k; ++k) QTest::keyClick(view, static_cast<Qt::Key>(*k));
        };
        QTest::keyClick(view, Qt::Key_Alt);
        QStringList top = ribbon.ShownKeyTips();
        top.sort();
        QCOMPARE(top.join(u' '), QStringLiteral("1 2 3 4 5 B C F H N P Y"));
        QTest::keyClick(view, Qt::Key_Alt);
        QCOMPARE(ribbon.KeyTipLevel(), 0);

        struct Case {
            const std::string* file;
            const char* keys;
            const char* dialog;
        };
        const Case cases[] = {
            {&kCsv, "CX", "CCsvToTxt"},     {&kCsv, "CS", "CSortDlg"},
            {&kCsv, "HS", "CSortDlg"},      {&kCsv, "CJ", "CDblDel"},
            {&kCsv, "CE", "CLineDel"},      {&kCsv, "CL", "CFieldLen"},
            {&kCsv, "CA", "CTailAdd"},      {&kCsv, "CO", "CCodeCng"},
            {&kCsv, "CW", "CCharCng"},      {&kCsv, "P", "CPropertyDlg"},
            {&kFixed, "CR", "CLineLength"}, {&kFixed, "HE", "CLineDel"},
            {&kFixed, "CV", "CTxtToCsv"},  // after Alt B M below
        };
        const std::string* current = nullptr;
        for (const Case& c : cases) {
            if (c.file != current) {
                messages_.Answer(30002, kIdNo);
                if (Doc().IsOpen()) Action(ID_FILE_CLOSE)->trigger();
                QVERIFY(Open(scratch_->Write(c.file == &kCsv ? "k.csv" : "k.txt", *c.file)));
                current = c.file;
                if (c.file == &kFixed) {
                    type("BM");  // the split mode's check box
                    QTRY_VERIFY(Doc().View().split_mode);
                }
            }
            opened.clear();
            type(c.keys);
            QTRY_COMPARE(opened, QStringList{QString::fromLatin1(c.dialog)});
            QCOMPARE(ribbon.KeyTipLevel(), 0);
        }

        // The recipe panel's history button shows and hides the history.
        type("NH");
        QTRY_VERIFY(Frame().HistoryPanel()->isVisible());
        QVERIFY(Action(ID_RIREKI_DSP)->isChecked());
        type("HH");
        QTRY_VERIFY(!Frame().HistoryPanel()->isVisible());

        // A disabled control's key keeps the tips; Esc goes back a level.
        opened.clear();
        type("CX");  // CSV to TXT, off for fixed-width text
        QCOMPARE(ribbon.KeyTipLevel(), 2);
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(ribbon.KeyTipLevel(), 1);
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(ribbon.KeyTipLevel(), 0);
        QVERIFY(opened.isEmpty());
        // The ruler's fixed key, and a folded ribbon that folds again after.
        const bool ruler = Action(ID_DSP_KETA)->isChecked();
        type("BB");
        QTRY_COMPARE(Action(ID_DSP_KETA)->isChecked(), !ruler);
        ribbon.SetMinimized(true);
        opened.clear();
        type("CR");
        QTRY_COMPARE(opened, QStringList{QStringLiteral("CLineLength")});
        QTRY_VERIFY(ribbon.IsMinimized());
        // Alt released after a shortcut with it shows no tips.
        QTest::keyClick(view, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(ribbon.KeyTipLevel(), 0);
        // Alt held with F opens the application menu at once.
        QTest::keyClick(view, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(ribbon.ApplicationMenu()->isVisible());
        ribbon.ApplicationMenu()->hide();
    }
};

QTEST_MAIN(FrameTest)
#include "tst_frame.moc"
