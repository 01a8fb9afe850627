// The multiple replacement dialog: range boxes, the lists, the set files
// through a replaced file dialog, the checks with their focus and Start.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "desktop_support.h"
#include "tesmora/dialogs/char_cng.h"
#include "tesmora/view/codepage.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kCsv = "ab,ab,ab\r\nb,x,y\r\n";

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

}  // namespace

class CharCngTest : public ViewSuite {
    Q_OBJECT

    void OpenFile(const std::string& bytes) {
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("data.csv"), bytes)));
        h_->messages.Clear();
    }
    ViewState& Sel() { return h_->doc->View(); }
    std::unique_ptr<CCharCng> Dialog(QString chosen = {}) {
        auto dlg = std::make_unique<CCharCng>(*h_->doc, h_->view.get());
        dlg->SetFileChooser([chosen](CCharCng::FileDialog) { return chosen; });
        dlg->show();
        return dlg;
    }
    void Type(CCharCng& dlg, const QString& before, const QString& after) {
        dlg.BeforeList()->setPlainText(before);
        dlg.AfterList()->setPlainText(after);
    }

  private slots:
    void OpensOnTheStoredRange() {
        OpenFile(kCsv);
        h_->settings.SetInt("CharCng", "Field1", 2);
        h_->settings.SetInt("CharCng", "Field2", 1);
        h_->settings.SetInt("CharCng", "OnlyOne", 0);
        auto dlg = Dialog();
        QCOMPARE(Sel().sel_start.value, 1);  // exchanged into order
        QCOMPARE(Sel().sel_end.value, 2);
        QVERIFY(!dlg->OnlyOneCheck()->isChecked());
        QCOMPARE(dlg->AllFieldsButton()->objectName(), QStringLiteral("ctl1018"));
        QCOMPARE(dlg->EndBox()->objectName(), QStringLiteral("ctl1047"));
        QVERIFY(dlg->BeforeList()->toPlainText().isEmpty());
    }

    void RangeArrows_data() {
        QTest::addColumn<bool>("end_box");
        QTest::addColumn<int>("s0");
        QTest::addColumn<int>("e0");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("e");
        QTest::newRow("start below 0") << false << 0 << 2 << -1 << 0 << 2;
        QTest::newRow("start onto the end") << false << 1 << 2 << 1 << 2 << 2;
        QTest::newRow("start past the end") << false << 2 << 2 << 1 << 2 << 2;
        QTest::newRow("end onto the start") << true << 1 << 2 << -1 << 1 << 1;
        QTest::newRow("end past the last") << true << 0 << 2 << 1 << 0 << 2;
    }
    void RangeArrows() {
        QFETCH(bool, end_box);
        QFETCH(int, s0);
        QFETCH(int, e0);
        QFETCH(int, step);
        QFETCH(int, s);
        QFETCH(int, e);
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{s0};
        Sel().sel_end = FieldIndex{e0};
        auto dlg = Dialog();
        CFieldSpin* box = end_box ? dlg->EndBox() : dlg->FieldBox();
        box->stepBy(step);
        QCOMPARE(Sel().sel_start.value, s);
        QCOMPARE(Sel().sel_end.value, e);
        QCOMPARE(box->value(), end_box ? e : s);
        dlg->AllFieldsButton()->click();
        QCOMPARE(Sel().sel_start.value, 0);
        QCOMPARE(Sel().sel_end.value, 2);
        QCOMPARE(dlg->EndBox()->value(), 2);
    }

    void ListsScrollTogetherAndSwap() {
        OpenFile(kCsv);
        auto dlg = Dialog();
        QString many, other;
        for (int i = 0; i < 200; ++i) {
            many += QStringLiteral("b%1\n").arg(i);
            other += QStringLiteral("a%1\n").arg(i);
        }
        Type(*dlg, many + QStringLiteral("\n"), other);
        dlg->BeforeList()->verticalScrollBar()->setValue(50);
        QCOMPARE(dlg->AfterList()->verticalScrollBar()->value(), 50);
        dlg->AfterList()->verticalScrollBar()->setValue(120);
        QCOMPARE(dlg->BeforeList()->verticalScrollBar()->value(), 120);
        dlg->SwapButton()->click();
        QCOMPARE(dlg->BeforeList()->toPlainText(), other);
        QCOMPARE(dlg->AfterList()->toPlainText(), many + QStringLiteral("\n"));
        dlg->SwapButton()->click();
        QCOMPARE(dlg->BeforeList()->toPlainText(), many + QStringLiteral("\n"));
        QCOMPARE(dlg->AfterList()->toPlainText(), other);
    }

    void ListsRefuseWhatCodePage932Lacks() {
        OpenFile(kCsv);
        auto dlg = Dialog();
        dlg->BeforeList()->setFocus();
        for (const QChar c : QStringLiteral("a\u00e9b東")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(dlg->BeforeList(), &press);
        }
        QCOMPARE(dlg->BeforeList()->toPlainText(), QStringLiteral("ab東"));
    }

    void ChecksWithTheirFocus_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("focus");  // 0 none, 1 before, 2 after
        const auto row = [](const char* tag, const char* before, const char* after, int message,
                            int focus) {
            QTest::newRow(tag) << QString::fromUtf8(before) << QString::fromUtf8(after) << message
                               << focus;
        };
        row("no before", "", "x", 30008, 1);
        row("no after", "a", "", 30008, 2);
        row("comma after", "a", "x,y", 30031, 2);
        row("counts differ", "a\nb", "x", 30026, 0);
        row("blank line", "a\n\nb", "x\ny\nz", 30027, 1);
        row("repeated", "a\na", "x\ny", 30044, 1);
    }
    void ChecksWithTheirFocus() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, message);
        QFETCH(int, focus);
        OpenFile(kCsv);
        auto dlg = Dialog();
        Type(*dlg, before, after);
        dlg->LoadButton()->setFocus();
        dlg->StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{message});
        QVERIFY(dlg->isVisible());
        QWidget* expected = focus == 1   ? static_cast<QWidget*>(dlg->BeforeList())
                            : focus == 2 ? static_cast<QWidget*>(dlg->AfterList())
                                         : static_cast<QWidget*>(dlg->LoadButton());
        QCOMPARE(dlg->focusWidget(), expected);
        QCOMPARE(h_->settings.GetInt("CharCng", "Field1", -1), 0);  // stored before the check
        QCOMPARE(h_->settings.GetInt("CharCng", "OnlyOne", -1), 1);
        QVERIFY(!h_->doc->CanUndo());
    }

    void OrderQuestionBothWaysThenUndo_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("result");
        QTest::newRow("No") << int(kIdNo) << QStringLiteral("1,ひがし京");
        QTest::newRow("Yes") << int(kIdYes) << QStringLiteral("1,とうきょう");
    }
    void OrderQuestionBothWaysThenUndo() {
        QFETCH(int, answer);
        QFETCH(QString, result);
        OpenFile(Sjis("1,東京\r\n"));
        const std::string before = Sjis("1,東京\r\n");
        auto dlg = Dialog();
        dlg->AllFieldsButton()->click();
        Type(*dlg, QStringLiteral("東\n東京"), QStringLiteral("ひがし\nとうきょう"));
        h_->messages.Answer(30045, answer);
        dlg->StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30045});
        QVERIFY(h_->messages.texts[0].startsWith(QStringLiteral("東 <-> 東京\n")));
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(h_->doc->Stats().records, 1);
        Line rec;
        TextReader reader = h_->doc->Records();
        QVERIFY(reader.Next(rec));
        QCOMPARE(FromCp932(rec.text), result);
        QVERIFY(h_->doc->Modified());
        QVERIFY(h_->doc->Undo());
        TextReader again = h_->doc->Records();
        QVERIFY(again.Next(rec));
        QCOMPARE(std::string(rec.text) + "\r\n", before);
    }

    void SaveAndLoadThroughTheFileDialog() {
        OpenFile(kCsv);
        const QString set = scratch_->Path(QStringLiteral("set.cng"));
        {
            auto dlg = Dialog(set);
            Type(*dlg, QStringLiteral("東\n東京\n"), QStringLiteral("ひがし\nとうきょう\n"));
            h_->messages.Answer(30045, kIdYes);
            dlg->SaveButton()->click();
            QCOMPARE(h_->messages.shown, (QList<int>{30045, 30029}));
            QCOMPARE(ReadAll(set),
                     QByteArray::fromStdString(Sjis("東京\x14とうきょう\r\n東\x14ひがし\r\n")));
            // A refused list leaves the saved set as it was.
            h_->messages.Clear();
            Type(*dlg, QStringLiteral("a\na"), QStringLiteral("x\ny"));
            dlg->SaveButton()->click();
            QCOMPARE(h_->messages.shown, QList<int>{30044});
            QCOMPARE(ReadAll(set),
                     QByteArray::fromStdString(Sjis("東京\x14とうきょう\r\n東\x14ひがし\r\n")));
        }
        h_->messages.Clear();
        const QString upper = scratch_->Path(QStringLiteral("X.CNG"));
        QVERIFY(QFile::copy(set, upper));
        auto dlg = Dialog(upper);
        dlg->LoadButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{});
        QCOMPARE(dlg->BeforeList()->toPlainText(), QStringLiteral("東京\n東\n"));
        QCOMPARE(dlg->AfterList()->toPlainText(), QStringLiteral("とうきょう\nひがし\n"));

        auto wrong = Dialog(scratch_->Write(QStringLiteral("x.txt"),
                                            "a\x14"
                                            "b\r\n"));
        wrong->BeforeList()->setPlainText(QStringLiteral("kept"));
        wrong->LoadButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30028});
        QCOMPARE(wrong->BeforeList()->toPlainText(), QStringLiteral("kept"));

        h_->messages.Clear();
        auto denied = Dialog(scratch_->Path(QStringLiteral("no/such/set.cng")));
        Type(*denied, QStringLiteral("a"), QStringLiteral("b"));
        denied->SaveButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30039});
        QVERIFY(h_->messages.texts[0].startsWith(scratch_->Path(QStringLiteral("no/such/set.cng")) +
                                                 QStringLiteral("\n")));
    }

    void ExplanationText() {
        OpenFile(kCsv);
        auto dlg = Dialog();
        dlg->ExplainCheck()->click();
        const QString text = dlg->ExplainPanel()->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral(
            "【処理の概要】\n  対象範囲のフィールド内の文字列を複数一括置換します\n\n")));
        QVERIFY(text.contains(QStringLiteral(
            " ※ リスト左が上から「東」「東京」で、リスト右が上から「ひがし」「とうきょう」の場合、"
            "「東京」は「ひがし京」に置換されます\n\n3 呼出\n")));
        QVERIFY(
            text.endsWith(QStringLiteral("このオプションにチェックをすると高速に処理できます\n")));
    }
};

QTEST_MAIN(CharCngTest)
#include "tst_charcng.moc"
