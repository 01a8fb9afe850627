// Field selection in the view: double-clicks, the arrow keys, the context
// menu with its greyed items, and the edits it runs through the pipeline.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

#include "desktop_support.h"
#include "tesmora/ops/field_edit.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

// No ruler, no record numbers: rows start at y = 3, columns at x = 3; a
// character is 8 x 16 at 12 points.
constexpr int kCw = 8;
constexpr int kCh = 16;

// Four fields of two bytes: field k starts at byte 3k.
const std::string kFour = "aa,bb,cc,dd\r\naa,bb,cc,dd\r\naa,bb,cc,dd\r\n";

QPoint Byte(int column, int row = 0) {
    return QPoint(3 + column * kCw + kCw / 2, 3 + row * kCh + kCh / 2);
}
QPoint Field(int k, int row = 0) {
    return Byte(3 * k, row);
}

QRect Cells(int column, int columns, int row = 0) {
    return QRect(3 + column * kCw, 3 + row * kCh, columns * kCw, kCh);
}

std::string ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

// What the context menu showed, item by item (separators as id 0).
struct SeenMenu {
    int times = 0;
    QList<int> ids;
    QStringList texts;
    QList<int> disabled;
};

using Selection = QPair<int, int>;

}  // namespace

class FieldsTest : public ViewSuite {
    Q_OBJECT

  private:
    SeenMenu seen_;
    int choose_ = 0;  // the item the menu answers with, 0 for none

    CChildView& View() { return *h_->view; }
    ViewState& State() { return h_->doc->View(); }
    Selection Sel() { return {State().sel_start.value, State().sel_end.value}; }
    bool Open(const std::string& bytes) {
        return h_->Open(scratch_->Write(QStringLiteral("f.txt"), bytes));
    }
    void RightClick(QPoint at, int choose = 0) {
        choose_ = choose;
        Click(View(), Qt::RightButton, at);
    }

  protected:
    void SetUpTest() override {
        h_->SetClientSize(400, 200);
        seen_ = SeenMenu{};
        choose_ = 0;
        View().SetMenuRunner([this](QMenu& menu, const QPoint&) -> QAction* {
            seen_ = SeenMenu{seen_.times + 1, {}, {}, {}};
            QAction* chosen = nullptr;
            for (QAction* a : menu.actions()) {
                const int id = a->isSeparator() ? 0 : a->data().toInt();
                seen_.ids.append(id);
                seen_.texts.append(a->text());
                if (id && !a->isEnabled()) seen_.disabled.append(id);
                if (id && id == choose_) chosen = a;
            }
            return chosen;
        });
    }

  private slots:

    void DoubleClickSequences_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<Selection>("selection");
        QTest::newRow("one field") << QList<int>{2} << Selection{2, -1};
        QTest::newRow("3 then 1 orders the range") << QList<int>{3, 1} << Selection{1, 3};
        QTest::newRow("1 then 3") << QList<int>{1, 3} << Selection{1, 3};
        QTest::newRow("a third field changes nothing") << QList<int>{3, 1, 2} << Selection{1, 3};
        QTest::newRow("the start again leaves the end")
            << QList<int>{3, 1, 2, 1} << Selection{3, -1};
        QTest::newRow("the end again leaves the start") << QList<int>{0, 2, 2} << Selection{0, -1};
        QTest::newRow("the only field again") << QList<int>{1, 1} << Selection{-1, -1};
    }
    void DoubleClickSequences() {
        QFETCH(QList<int>, clicks);
        QFETCH(Selection, selection);
        QVERIFY(Open(kFour));
        for (int k : clicks) DoubleClick(View(), Field(k, 1));
        QCOMPARE(Sel(), selection);
        // Every record shows the start field in green and the end field in pink.
        const QImage& image = View().Image();
        for (int k = 0; k < 4; ++k) {
            const QColor want = k == selection.first    ? colors::kSelectionStart
                                : k == selection.second ? colors::kSelectionEnd
                                                        : colors::kText;
            for (int row = 0; row < 3; ++row)
                QVERIFY2(Contains(image, Cells(3 * k, 2, row), want, 60),
                         qPrintable(QStringLiteral("field %1 row %2").arg(k).arg(row)));
        }
    }

    void FieldUnderThePoint_data() {
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<bool>("ruler");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("field");
        // Byte column c lies at x = area + 8c .. area + 8c + 7, where area is
        // the record-number area; row r at y = 16r .. 16r + 15 (plus the ruler).
        QTest::newRow("on the comma's column") << false << false << QPoint(2 * kCw, 5) << 1;
        QTest::newRow("last byte of field 0") << false << false << QPoint(2 * kCw - 1, 5) << 0;
        QTest::newRow("right of the record") << false << false << QPoint(390, 5) << 3;
        QTest::newRow("below the last record") << false << false << QPoint(3 * kCw, 150) << 0;
        QTest::newRow("in the number margin") << true << false << QPoint(2, 5) << 0;
        // Three records: digits 0, so the area is 2 character widths.
        QTest::newRow("numbers shift the columns") << true << false << QPoint(4 * kCw, 5) << 1;
        QTest::newRow("the ruler row counts as row 1") << false << true << QPoint(40, 2) << 2;
    }
    void FieldUnderThePoint() {
        QFETCH(bool, numbers);
        QFETCH(bool, ruler);
        QFETCH(QPoint, at);
        QFETCH(int, field);
        h_->options.show_record_numbers = numbers;
        h_->options.show_ruler = ruler;
        QVERIFY(Open(kFour));
        QCOMPARE(View().FieldAt(at.x(), at.y()).value, field);
    }

    void ArrowKeys_data() {
        QTest::addColumn<Selection>("before");
        QTest::addColumn<QList<int>>("keys");  // +1 Right, -1 Left; x10 with Ctrl
        QTest::addColumn<Selection>("after");
        QTest::newRow("Right stops at the last field")
            << Selection{2, -1} << QList<int>{1, 1, 1} << Selection{3, -1};
        QTest::newRow("Left stops at 0")
            << Selection{1, -1} << QList<int>{-1, -1} << Selection{0, -1};
        QTest::newRow("Right stops at the end field")
            << Selection{0, 2} << QList<int>{1, 1, 1} << Selection{2, 2};
        QTest::newRow("Ctrl+Right makes a one-field range")
            << Selection{2, -1} << QList<int>{10} << Selection{2, 2};
        QTest::newRow("a second Ctrl+Right widens it")
            << Selection{2, -1} << QList<int>{10, 10} << Selection{2, 3};
        QTest::newRow("Ctrl+Right stops at the last field")
            << Selection{2, -1} << QList<int>{10, 10, 10} << Selection{2, 3};
        QTest::newRow("Ctrl+Left keeps the end")
            << Selection{1, 3} << QList<int>{-10, -10, -10} << Selection{1, 1};
        QTest::newRow("nothing selected")
            << Selection{-1, -1} << QList<int>{1, 10, -1} << Selection{-1, -1};
    }
    void ArrowKeys() {
        QFETCH(Selection, before);
        QFETCH(QList<int>, keys);
        QFETCH(Selection, after);
        QVERIFY(Open(kFour));
        State().sel_start = FieldIndex{before.first};
        State().sel_end = FieldIndex{before.second};
        for (int k : keys) {
            const Qt::Key key = k > 0 ? Qt::Key_Right : Qt::Key_Left;
            QTest::keyClick(&View(), key, std::abs(k) == 10 ? Qt::ControlModifier : Qt::NoModifier);
        }
        QCOMPARE(Sel(), after);
        if (after.first >= 0)
            QVERIFY(
                Contains(View().Image(), Cells(3 * after.first, 2), colors::kSelectionStart, 60));
        // The keys move the selection, not the view.
        QCOMPARE(View().HorizontalOffset(), 0);
    }

    void ContextMenuItemsAndGreying_data() {
        QTest::addColumn<Selection>("selection");
        QTest::addColumn<Selection>("marks");  // copy, cut
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("sel");
        QTest::addColumn<QList<int>>("disabled");
        QTest::newRow("nothing selected")
            << Selection{-1, -1} << Selection{-1, -1} << 1 << false << QList<int>{kCmdSelectNone};
        QTest::newRow("another field than the start")
            << Selection{1, -1} << Selection{-1, -1} << 2 << false << QList<int>{};
        QTest::newRow("inside a range")
            << Selection{0, 2} << Selection{-1, -1} << 1 << false << QList<int>{kCmdFieldSelect};
        QTest::newRow("the start, no mark")
            << Selection{1, -1} << Selection{-1, -1} << 1 << true
            << QList<int>{kCmdPasteOver, kCmdPasteLeft, kCmdPasteRight, kCmdDeleteRange};
        QTest::newRow("the end of a range, copy mark")
            << Selection{1, 3} << Selection{0, -1} << 3 << true << QList<int>{};
        QTest::newRow("the start, cut mark")
            << Selection{2, -1} << Selection{-1, 1} << 2 << true << QList<int>{kCmdDeleteRange};
    }
    void ContextMenuItemsAndGreying() {
        QFETCH(Selection, selection);
        QFETCH(Selection, marks);
        QFETCH(int, field);
        QFETCH(bool, sel);
        QFETCH(QList<int>, disabled);
        QVERIFY(Open(kFour));
        State().sel_start = FieldIndex{selection.first};
        State().sel_end = FieldIndex{selection.second};
        State().copy_mark = FieldIndex{marks.first};
        State().cut_mark = FieldIndex{marks.second};
        RightClick(Field(field, 2));
        QCOMPARE(seen_.times, 1);
        QCOMPARE(View().MenuField().value, field);
        const QStringList nosel{QStringLiteral("このフィールドを選択(&S)"),
                                QStringLiteral("すべての選択を解除(&A)")};
        const QStringList selitems{QStringLiteral("このフィールドの選択解除(&K)"),
                                   QString(),
                                   QStringLiteral("このフィールドを切り取り(&T)"),
                                   QStringLiteral("このフィールドをコピー(&C)"),
                                   QString(),
                                   QStringLiteral("貼り付け(&P)\t[このフィールドに上書き]"),
                                   QStringLiteral("貼り付け(&L)\t[このフィールドの左に挿入]"),
                                   QStringLiteral("貼り付け(&R)\t[このフィールドの右に挿入]"),
                                   QString(),
                                   QStringLiteral("このフィールドを削除(&D)"),
                                   QStringLiteral("選択開始・選択終了フィード間を削除(&H)")};
        QCOMPARE(seen_.texts, sel ? selitems : nosel);
        QCOMPARE(seen_.disabled, disabled);
        // Nothing chosen: nothing changed.
        QCOMPARE(Sel(), selection);
    }

    void MenuSelectsAndClears() {
        QVERIFY(Open(kFour));
        RightClick(Field(2), kCmdFieldSelect);
        QCOMPARE(Sel(), (Selection{2, -1}));
        QVERIFY(Contains(View().Image(), Cells(6, 2), colors::kSelectionStart, 60));
        RightClick(Field(0), kCmdFieldSelect);
        QCOMPARE(Sel(), (Selection{0, 2}));
        RightClick(Field(2), kCmdFieldUnselect);
        QCOMPARE(Sel(), (Selection{0, -1}));
        RightClick(Field(3), kCmdSelectNone);
        QCOMPARE(Sel(), (Selection{-1, -1}));
        QVERIFY(!Contains(View().Image(), View().Image().rect(), colors::kSelectionStart, 30));
        // A greyed item never runs, even when the menu hands it back.
        RightClick(Field(1), kCmdSelectNone);
        QCOMPARE(seen_.disabled, QList<int>{kCmdSelectNone});
        QCOMPARE(Sel(), (Selection{-1, -1}));
    }

    void NoMenuWithoutDocument() {
        RightClick(QPoint(40, 10), kCmdFieldSelect);
        QCOMPARE(seen_.times, 0);
        QCOMPARE(View().MenuField().value, -1);
    }

    void CopyPasteAndUndo_data() {
        QTest::addColumn<int>("mark");  // command marking the source field
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("paste");
        QTest::addColumn<QString>("result");
        QTest::newRow("copy 0 over 2") << kCmdFieldCopy << 0 << 2 << kCmdPasteOver << "a,b,a";
        QTest::newRow("copy 0 left of 2") << kCmdFieldCopy << 0 << 2 << kCmdPasteLeft << "a,b,a,c";
        QTest::newRow("copy 0 right of 2")
            << kCmdFieldCopy << 0 << 2 << kCmdPasteRight << "a,b,c,a";
        QTest::newRow("cut 2 left of 0") << kCmdFieldCut << 2 << 0 << kCmdPasteLeft << "c,a,b";
    }
    void CopyPasteAndUndo() {
        QFETCH(int, mark);
        QFETCH(int, source);
        QFETCH(int, target);
        QFETCH(int, paste);
        QFETCH(QString, result);
        QVERIFY(Open("a,b,c\r\na,b,c\r\n"));
        const std::string before = ReadAll(h_->doc->WorkingFileName());
        // Field k of "a,b,c" is byte 2k.
        DoubleClick(View(), Byte(2 * source));
        RightClick(Byte(2 * source), mark);
        QCOMPARE(mark == kCmdFieldCopy ? State().copy_mark.value : State().cut_mark.value, source);
        DoubleClick(View(), Byte(2 * target));
        RightClick(Byte(2 * target), paste);
        QVERIFY(seen_.disabled.isEmpty());

        const std::string want = result.toStdString() + "\r\n" + result.toStdString() + "\r\n";
        QCOMPARE(ReadAll(h_->doc->WorkingFileName()), want);
        QVERIFY(h_->doc->Modified());
        QVERIFY(h_->doc->CanUndo());
        // The reload leaves no selection and no mark.
        QCOMPARE(Sel(), (Selection{-1, -1}));
        QCOMPARE(State().copy_mark.value, -1);
        QCOMPARE(State().cut_mark.value, -1);
        QVERIFY(HasInk(View().Image(), Cells(0, result.size(), 1), colors::kBackground));
        QVERIFY(!HasInk(View().Image(), Cells(result.size(), 3, 1), colors::kBackground));
        QVERIFY(h_->messages.shown.isEmpty());

        QVERIFY(h_->doc->Undo());
        QCOMPARE(ReadAll(h_->doc->WorkingFileName()), before);
        QVERIFY(!HasInk(View().Image(), Cells(5, 3, 1), colors::kBackground));
    }

    void DeleteFieldAndRange_data() {
        QTest::addColumn<Selection>("clicks");  // fields double-clicked, -1 for none
        QTest::addColumn<int>("field");         // right-clicked
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("result");
        QTest::newRow("delete field 1") << Selection{1, -1} << 1 << kCmdFieldDelete << "a,c,d";
        QTest::newRow("delete field 3") << Selection{3, -1} << 3 << kCmdFieldDelete << "a,b,c";
        QTest::newRow("delete range 1..2") << Selection{2, 1} << 1 << kCmdDeleteRange << "a,d";
    }
    void DeleteFieldAndRange() {
        QFETCH(Selection, clicks);
        QFETCH(int, field);
        QFETCH(int, command);
        QFETCH(QString, result);
        QVERIFY(Open("a,b,c,d\r\n"));
        for (int k : {clicks.first, clicks.second})
            if (k >= 0) DoubleClick(View(), Byte(2 * k));
        RightClick(Byte(2 * field), command);
        QCOMPARE(ReadAll(h_->doc->WorkingFileName()), result.toStdString() + "\r\n");
        QVERIFY(h_->doc->CanUndo());
    }

    void PasteBelowTheRecordsActsOnFieldZero() {
        QVERIFY(Open("a,b\r\n"));
        DoubleClick(View(), Byte(2));
        RightClick(Byte(2), kCmdFieldCopy);
        DoubleClick(View(), Byte(0));  // selection 0 .. 1
        // Row 5 is empty: its field is 0, which is the selection start.
        RightClick(Byte(2, 5), kCmdPasteOver);
        QCOMPARE(View().MenuField().value, 0);
        QCOMPARE(ReadAll(h_->doc->WorkingFileName()), std::string("b,b\r\n"));
    }
};

QTEST_MAIN(FieldsTest)
#include "tst_fields.moc"
