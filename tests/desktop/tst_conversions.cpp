// The two conversion dialogs: the split-mode guard, saving and loading the
// split positions, the checks with their focus, and Start with undo.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "desktop_support.h"
#include "tesmora/dialogs/csv_to_txt.h"
#include "tesmora/dialogs/txt_to_csv.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kFixed = "ABCDEFGH\r\nAB  CD   EF\r\n";
const std::string kCsv = "ab,c\r\nd,efg\r\n";

}  // namespace

class ConversionsTest : public ViewSuite {
    Q_OBJECT

    ViewState& State() { return h_->doc->View(); }
    std::string Working() {
        QFile f(QString::fromStdString(h_->doc->WorkingFileName()));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
    void OpenFixed(bool mode, std::vector<int> positions = {}) {
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("fixed.txt"), kFixed)));
        h_->doc->SetSplitMode(mode);
        State().split_positions = std::move(positions);
        h_->messages.Clear();
    }

  private slots:
    void ModeGuardOnEveryButton_data() {
        QTest::addColumn<int>("button");  // 1 Start, 1019 save, 1020 load
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<int>>("shown");
        for (int b : {1, 1019, 1020}) {
            const QByteArray name = QByteArray::number(b);
            // No positions yet: Start and save say so, load finds none saved.
            const int next = b == 1020 ? 30014 : 30017;
            QTest::newRow(name + " No") << b << int(kIdNo) << QList<int>{30016};
            QTest::newRow(name + " Yes") << b << int(kIdYes) << QList<int>{30016, next};
        }
    }
    void ModeGuardOnEveryButton() {
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(QList<int>, shown);
        OpenFixed(false);
        CTxtToCsv dlg(*h_->doc, h_->view.get());
        dlg.show();
        QCOMPARE(dlg.CountLabel()->text(), QStringLiteral("なし"));
        h_->messages.Answer(30016, answer);
        QPushButton* b = button == 1      ? dlg.StartButton()
                         : button == 1019 ? dlg.SaveButton()
                                          : dlg.LoadButton();
        b->click();
        QCOMPARE(h_->messages.shown, shown);
        QCOMPARE(State().split_mode, answer == kIdYes);
        QVERIFY(dlg.isVisible());
        QVERIFY(!h_->doc->CanUndo());
    }

    void SaveAndLoadPositions() {
        OpenFixed(true, {5, 3});
        {
            CTxtToCsv dlg(*h_->doc, h_->view.get());
            QCOMPARE(dlg.CountLabel()->text(), QStringLiteral("3"));
            dlg.SaveButton()->click();
            QCOMPARE(h_->messages.shown, QList<int>{30015});
        }
        QCOMPARE(h_->settings.GetInt("TxtToCsv", "SetCnt", 0), 2);
        QCOMPARE(h_->settings.GetInt("TxtToCsv", "Pos0", 0), 5);
        QCOMPARE(h_->settings.GetInt("TxtToCsv", "Pos1", 0), 3);

        State().split_positions = {7};
        h_->messages.Clear();
        CTxtToCsv dlg(*h_->doc, h_->view.get());
        h_->messages.Answer(30013, kIdNo);
        dlg.LoadButton()->click();
        QCOMPARE(State().split_positions, std::vector<int>{7});
        h_->messages.Answer(30013, kIdYes);
        dlg.LoadButton()->click();
        QCOMPARE(h_->messages.shown, (QList<int>{30013, 30013}));
        QCOMPARE(State().split_positions, (std::vector<int>{5, 3}));
        QCOMPARE(dlg.CountLabel()->text(), QStringLiteral("3"));
        // Without positions in place the load asks nothing.
        State().split_positions.clear();
        h_->messages.Clear();
        dlg.LoadButton()->click();
        QVERIFY(h_->messages.shown.isEmpty());
        QCOMPARE(State().split_positions.size(), std::size_t{2});
    }

    void TxtToCsvStartCommitsAndUndoRestores() {
        OpenFixed(true, {4, 9});
        h_->settings.SetInt("TxtToCsv", "SpaceCut", 0);
        CTxtToCsv dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(!dlg.TrimCheck()->isChecked());
        dlg.TrimCheck()->setChecked(true);
        dlg.StartButton()->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(Working(), std::string("ABCD,EFGH,\r\nAB,CD,EF\r\n"));
        QCOMPARE(h_->settings.GetInt("TxtToCsv", "SpaceCut", -1), 1);
        QVERIFY(State().split_positions.empty());
        QVERIFY(!State().split_mode);
        QVERIFY(h_->doc->Modified());
        CTxtToCsv after(*h_->doc, h_->view.get());
        QCOMPARE(after.CountLabel()->text(), QStringLiteral("なし"));
        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), kFixed);
    }

    void FailedConversionKeepsTheLines() {
        std::vector<int> all;
        for (int c = 1; c <= 2000; ++c) all.push_back(c);
        OpenFixed(true, all);
        CTxtToCsv dlg(*h_->doc, h_->view.get());
        dlg.show();
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30010});  // 2,001 fields
        QVERIFY(dlg.isVisible());
        QCOMPARE(State().split_positions, all);
        QVERIFY(State().split_mode);
        QCOMPARE(Working(), kFixed);
    }

    void CsvToTxtChecksAndStart_data() {
        QTest::addColumn<int>("mode");  // 1 delete, 2 replace, 3 keep
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("result");  // empty: refused with 30008
        QTest::newRow("delete") << 1 << QString() << QByteArray("abc  \r\nd efg\r\n");
        QTest::newRow("replace") << 2 << QStringLiteral("／")
                                 << QByteArray("ab\x81^c  \r\nd \x81^efg\r\n");
        QTest::newRow("replace, no text") << 2 << QString() << QByteArray();
        QTest::newRow("keep") << 3 << QStringLiteral("x") << QByteArray("ab,c  \r\nd ,efg\r\n");
    }
    void CsvToTxtChecksAndStart() {
        QFETCH(int, mode);
        QFETCH(QString, text);
        QFETCH(QByteArray, result);
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("in.csv"), kCsv)));
        CCsvToTxt dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(dlg.KeepButton()->isChecked());  // the default
        dlg.TextEdit()->setText(text);
        (mode == 1   ? dlg.DeleteButton()
         : mode == 2 ? dlg.ReplaceButton()
                     : dlg.KeepButton())
            ->setChecked(true);
        dlg.StartButton()->click();
        QCOMPARE(h_->settings.GetInt("CsvToTxt", "Comma", -1), mode);
        if (result.isEmpty()) {
            QCOMPARE(h_->messages.shown, QList<int>{30008});
            QCOMPARE(dlg.focusWidget(), dlg.TextEdit());
            QVERIFY(dlg.isVisible());
            QCOMPARE(h_->settings.GetString("CsvToTxt", "Moji", "none"), std::string("none"));
            QVERIFY(!h_->doc->CanUndo());
            return;
        }
        QVERIFY(!dlg.isVisible());
        QCOMPARE(Working(), result.toStdString());
        QCOMPARE(h_->settings.GetString("CsvToTxt", "Moji", "none"), text.toStdString());
        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), kCsv);
    }

    void TextBoxFocusChoosesReplace() {
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("in.csv"), kCsv)));
        h_->settings.SetInt("CsvToTxt", "Comma", 1);
        h_->settings.SetString("CsvToTxt", "Moji", "#");
        CCsvToTxt dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QVERIFY(dlg.DeleteButton()->isChecked());
        QCOMPARE(dlg.TextEdit()->text(), QStringLiteral("#"));
        dlg.TextEdit()->setFocus();
        QVERIFY(dlg.ReplaceButton()->isChecked());
        QVERIFY(!dlg.DeleteButton()->isChecked() && !dlg.KeepButton()->isChecked());
    }
};

QTEST_MAIN(ConversionsTest)
#include "tst_conversions.moc"
