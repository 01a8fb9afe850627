// The properties dialog: the statistics rows at opening and after the
// deferred field-length pass, the column widths, the record search with its
// message, closing, and the ribbon button that opens it.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/dialogs/property_dlg.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/frame/status_bar.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const char* const kNote30073 =
    "※ 同数のフィールドが複数あった場合は、一番最初に見つかったフィールドです";

QString Cell(const QTableWidget* list, int row, int column) {
    const QTableWidgetItem* item = list->item(row, column);
    return item ? item->text() : QString();
}

// Records the style of each message as well.
class StyledMessages : public ScriptedMessages {
  public:
    QList<MsgStyle> styles;
    int Show(int id, const std::string& text, MsgStyle style) override {
        styles.append(style);
        return ScriptedMessages::Show(id, text, style);
    }
};

}  // namespace

class PropertiesTest : public ViewSuite {
    Q_OBJECT

    QString OpenFile(const std::string& bytes, const char* name = "data.csv") {
        const QString path = scratch_->Write(QString::fromUtf8(name), bytes);
        if (!h_->Open(path)) return {};
        h_->messages.Clear();
        return path;
    }
    std::unique_ptr<CPropertyDlg> Make() {
        return std::make_unique<CPropertyDlg>(*h_->doc, h_->view.get());
    }
    // Waits for the deferred pass, as the event loop delivers it.
    static bool WaitScan(CPropertyDlg& dlg) {
        return QTest::qWaitFor([&dlg] { return dlg.Scanned(); }, 2000);
    }

  private slots:

    void OpeningShowsFiveRows() {
        const QString path = OpenFile("a,bbb\r\ncccc,d\r\n");
        QVERIFY(!path.isEmpty());
        auto dlg = Make();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("プロパティ"));
        QCOMPARE(dlg->PathBox()->text(), path);
        QCOMPARE(dlg->PathBox()->objectName(), QStringLiteral("ctl1001"));
        QTableWidget* list = dlg->List();
        QCOMPARE(list->objectName(), QStringLiteral("ctl1069"));
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->columnCount(), 4);
        QCOMPARE(list->rowCount(), 7);
        const QString headings[] = {"№", "項目", "内容", "単位"};
        const Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight,
                                            Qt::AlignHCenter};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(list->horizontalHeaderItem(c)->text(), headings[c]);
            QCOMPARE(Qt::Alignment(list->horizontalHeaderItem(c)->textAlignment()) &
                         Qt::AlignHorizontal_Mask,
                     horizontal[c]);
            QCOMPARE(Qt::Alignment(list->item(0, c)->textAlignment()) & Qt::AlignHorizontal_Mask,
                     horizontal[c]);
        }
        const QString rows[5][4] = {{"1", "レコード数", "2", "レコード"},
                                    {"2", "最多フィールド数", "2", "フィールド"},
                                    {"3", "最少フィールド数", "2", "フィールド"},
                                    {"4", "最長レコード長", "8", "バイト"},
                                    {"5", "最短レコード長", "7", "バイト"}};
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c) QCOMPARE(Cell(list, r, c), rows[r][c]);
        // Rows 6 and 7 wait for the pass.
        QVERIFY(!dlg->Scanned());
        for (int r = 5; r < 7; ++r)
            for (int c = 0; c < 4; ++c) QVERIFY(Cell(list, r, c).isEmpty());
    }

    void DeferredPassFillsRowsSixAndSeven_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("longest");
        QTest::addColumn<QString>("shortest");
        // The narrowest column, not the shortest value ('a' and 'd').
        QTest::newRow("columns 4 and 3") << QByteArray("a,bbb\r\ncccc,d\r\n") << "4"
                                         << "3";
        QTest::newRow("ragged") << QByteArray("a,b,c\r\ndd\r\n") << "2"
                                << "1";
        QTest::newRow("fixed width") << QByteArray("abc\r\nabc\r\n") << "3"
                                     << "3";
    }
    void DeferredPassFillsRowsSixAndSeven() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, longest);
        QFETCH(QString, shortest);
        QVERIFY(!OpenFile(bytes.toStdString()).isEmpty());
        auto dlg = Make();
        QVERIFY(WaitScan(*dlg));
        QTableWidget* list = dlg->List();
        QCOMPARE(Cell(list, 5, 0), QStringLiteral("6"));
        QCOMPARE(Cell(list, 5, 1), QStringLiteral("最長フィールド長"));
        QCOMPARE(Cell(list, 5, 2), longest);
        QCOMPARE(Cell(list, 5, 3), QStringLiteral("バイト"));
        QCOMPARE(Cell(list, 6, 0), QStringLiteral("7"));
        QCOMPARE(Cell(list, 6, 1), QStringLiteral("最短フィールド長"));
        QCOMPARE(Cell(list, 6, 2), shortest);
        QCOMPARE(Cell(list, 6, 3), QStringLiteral("バイト"));
        QCOMPARE(Qt::Alignment(list->item(6, 2)->textAlignment()) & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
        // Runs once: a second call changes nothing.
        dlg->ScanFieldLengths();
        QCOMPARE(Cell(list, 5, 2), longest);
    }

    void RecordLengthsCountTheLineBreak() {
        QVERIFY(!OpenFile("abc\r\nabc\r\nabc\r\n", "fixed.txt").isEmpty());
        auto dlg = Make();
        QCOMPARE(Cell(dlg->List(), 3, 2), QStringLiteral("5"));
        QCOMPARE(Cell(dlg->List(), 4, 2), QStringLiteral("5"));
    }

    void ColumnsFitTheirWidestCell() {
        QVERIFY(!OpenFile("a,bbb\r\ncccc,d\r\n").isEmpty());
        auto dlg = Make();
        QTableWidget* list = dlg->List();
        const QFontMetrics metrics(list->font());
        auto widest = [&](int c) {
            int w = 0;
            for (int r = 0; r < list->rowCount(); ++r)
                w = std::max(w, metrics.horizontalAdvance(Cell(list, r, c)));
            return w;
        };
        for (int c = 0; c < 4; ++c) QCOMPARE(list->columnWidth(c), widest(c) + 15);
        // After the pass: columns 0 to 2 again, the unit column as it was.
        list->setColumnWidth(3, 77);
        QVERIFY(WaitScan(*dlg));
        for (int c = 0; c < 3; ++c) QCOMPARE(list->columnWidth(c), widest(c) + 15);
        QCOMPARE(list->columnWidth(3), 77);
    }

    void SearchDisabledForEqualFieldCounts() {
        QVERIFY(!OpenFile("a,b\r\nc,d\r\ne,f\r\n").isEmpty());
        auto dlg = Make();
        QCOMPARE(dlg->SearchButton()->objectName(), QStringLiteral("ctl1019"));
        QCOMPARE(dlg->SearchButton()->text(),
                 QStringLiteral("最多・最少フィールドのレコード調査(&A)"));
        QVERIFY(!dlg->SearchButton()->isEnabled());
        dlg.reset();
        h_ = std::make_unique<ViewHarness>();
        QVERIFY(!OpenFile("a,b\r\nc\r\n").isEmpty());
        QVERIFY(Make()->SearchButton()->isEnabled());
    }

    void SearchDisabledWithoutRecords() {
        QVERIFY(!OpenFile("a,b\r\nc\r\n").isEmpty());
        // An operation that leaves no record.
        QVERIFY(RunOperation(*h_->doc, [](Document&, TextWriter&) { return true; }));
        QCOMPARE(h_->doc->Stats().records, 0);
        h_->messages.Clear();
        auto dlg = Make();
        QCOMPARE(Cell(dlg->List(), 0, 2), QStringLiteral("0"));
        QVERIFY(!dlg->SearchButton()->isEnabled());
        // Called anyway: nothing to name, nothing shown.
        dlg->FindFieldCountRecords();
        QVERIFY(h_->messages.shown.isEmpty());
        QVERIFY(WaitScan(*dlg));
        QCOMPARE(Cell(dlg->List(), 5, 2), QStringLiteral("0"));
        QCOMPARE(Cell(dlg->List(), 6, 2), QStringLiteral("0"));
    }

    void SearchNamesTheFirstRecords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("most");
        QTest::addColumn<int>("fewest");
        QTest::newRow("first is fewest") << QByteArray("a\r\nb,c,d\r\ne\r\nf,g,h\r\n") << 2 << 1;
        QTest::newRow("first is most") << QByteArray("a,b,c\r\nd,e\r\nf\r\ng\r\n") << 1 << 3;
        QTest::newRow("ties keep the first")
            << QByteArray("x,y\r\na\r\nb,c,d\r\ne,f,g\r\nh\r\n") << 3 << 2;
    }
    void SearchNamesTheFirstRecords() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, most);
        QFETCH(int, fewest);
        QVERIFY(!OpenFile(bytes.toStdString()).isEmpty());
        auto dlg = Make();
        QVERIFY(dlg->SearchButton()->isEnabled());
        dlg->SearchButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30073});
        const QString expected =
            QStringLiteral("最多フィールド - 第%1レコード\n最少フィールド - 第%2レコード\n\n")
                .arg(most)
                .arg(fewest) +
            QString::fromUtf8(kNote30073);
        QCOMPARE(h_->messages.texts.value(0), expected);
        // Nothing changed.
        QCOMPARE(h_->doc->Stats().records, bytes.count('\n'));
        QVERIFY(!h_->doc->Modified());
    }

    void CloseButtonEnterAndEscapeClose_data() {
        QTest::addColumn<int>("how");  // 0 button, 1 Enter, 2 Escape, 3 Enter on 1019
        QTest::newRow("button") << 0;
        QTest::newRow("enter") << 1;
        QTest::newRow("escape") << 2;
        QTest::newRow("enter on the search button") << 3;
    }
    void CloseButtonEnterAndEscapeClose() {
        QFETCH(int, how);
        QVERIFY(!OpenFile("a,b\r\nc\r\n").isEmpty());
        auto dlg = Make();
        QCOMPARE(dlg->CloseButton()->text(), QStringLiteral("閉じる(&C)"));
        bool was_visible = false;
        QTimer::singleShot(0, dlg.get(), [&] {
            was_visible = dlg->isVisible();
            switch (how) {
                case 0:
                    dlg->CloseButton()->click();
                    break;
                case 1:
                    QTest::keyClick(dlg.get(), Qt::Key_Return);
                    break;
                case 2:
                    QTest::keyClick(dlg.get(), Qt::Key_Escape);
                    break;
                default:
                    dlg->SearchButton()->setFocus();
                    QTest::keyClick(dlg->SearchButton(), Qt::Key_Return);
                    break;
            }
        });
        // A dialog left open would hang here until the test's timeout.
        QTimer::singleShot(3000, dlg.get(), [&] { dlg->done(99); });
        const int result = dlg->exec();
        QVERIFY(was_visible);
        QVERIFY(result != 99);
        QVERIFY(h_->messages.shown.isEmpty());
    }

    void RibbonButtonOpensTheDialog() {
        StyledMessages messages;
        AppOptions options = ScratchAppOptions(*scratch_, messages);
        CVarnelApp app(options);
        QVERIFY(app.InitInstance({}));
        CMainFrame& frame = *app.MainFrame();
        QAction* action = frame.Action(ID_PROPERTY);
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("プロパティ"));
        QVERIFY(!action->isEnabled());

        // A small button at the right of the tab row, left of the manual.
        QToolButton* property_button = nullptr;
        QToolButton* help_button = nullptr;
        for (QToolButton* b : frame.Ribbon()->findChildren<QToolButton*>()) {
            if (b->defaultAction() == action) property_button = b;
            if (b->defaultAction() == frame.Action(ID_HELP_DSP)) help_button = b;
        }
        QVERIFY(property_button && help_button);
        QCOMPARE(property_button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(property_button->geometry().right() < help_button->geometry().left());

        // Enabled for either kind of file; 1,500 records step the progress bar by 100s.
        const QString fixed = scratch_->Write(QStringLiteral("f.txt"), "abc\r\n");
        QVERIFY(app.Doc().OpenDocument(fixed.toStdString()));
        frame.UpdateCommandUI();
        QVERIFY(action->isEnabled());
        QVERIFY(app.Doc().CloseDocument());
        frame.UpdateCommandUI();
        QVERIFY(!action->isEnabled());
        const QString path =
            scratch_->Write(QStringLiteral("c.csv"), Records(1500, [](int i) {
                                return i == 700 ? std::string("a,b,c") : std::string("a,b");
                            }));
        QVERIFY(app.Doc().OpenDocument(path.toStdString()));
        frame.UpdateCommandUI();
        QVERIFY(action->isEnabled());
        messages.Clear();
        messages.styles.clear();

        QString title, row6, row7;
        int progress_max = -1;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<CPropertyDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            title = dlg->windowTitle();
            if (!QTest::qWaitFor([dlg] { return dlg->Scanned(); }, 2000)) return;
            row6 = Cell(dlg->List(), 5, 2);
            row7 = Cell(dlg->List(), 6, 2);
            progress_max = frame.StatusBar()->ProgressBar()->maximum();
            dlg->SearchButton()->click();
            dlg->CloseButton()->click();
        });
        QTimer::singleShot(5000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        action->trigger();
        QCOMPARE(title, QStringLiteral("プロパティ"));
        QCOMPARE(row6, QStringLiteral("1"));
        QCOMPARE(row7, QStringLiteral("1"));
        QCOMPARE(progress_max, 15);
        QCOMPARE(frame.StatusBar()->ProgressBar()->value(), 0);
        QCOMPARE(messages.shown, QList<int>{30073});
        QCOMPARE(messages.styles, QList<MsgStyle>{MsgStyle::Info});
        QVERIFY(messages.texts.value(0).startsWith(
            QStringLiteral("最多フィールド - 第701レコード\n最少フィールド - 第1レコード\n\n")));
        QVERIFY(!app.Doc().Modified());
    }
};

QTEST_MAIN(PropertiesTest)
#include "tst_properties.moc"
