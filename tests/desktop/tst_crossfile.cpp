// The cross-file dialogs with a real other file: the preview, choosing a
// column (heading, cell, arrows, radio buttons), the checks before anything
// is stored, and Start with undo.
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "desktop_support.h"
#include "tesmora/dialogs/code_cng.h"
#include "tesmora/dialogs/tail_add.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kCsv = "1,A,x\r\n2,B,y\r\n3,C,z\r\n";
// Ten records; the third has five fields, so the preview shows five columns.
const std::string kOther =
    "A,apple\r\nB,banana\r\nC,cherry,3,4,5\r\nD,d\r\nE,e\r\nF,f\r\nG,g\r\nH,h\r\nI,i\r\nJ,j\r\n";

}  // namespace

class CrossFileTest : public ViewSuite {
    Q_OBJECT

    QString other_;
    std::string Working() {
        QFile f(QString::fromStdString(h_->doc->WorkingFileName()));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }
    void Open() {
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("cur.csv"), kCsv)));
        other_ = scratch_->Write(QStringLiteral("other.csv"), kOther);
        h_->messages.Clear();
    }
    static bool Highlighted(QTableWidget* list, int row, int column, QColor colour) {
        const QImage image = list->viewport()->grab().toImage();
        const QRect cell = list->visualItemRect(list->item(row, column));
        return Contains(image, cell.adjusted(1, 1, -1, -1), colour);
    }

  private slots:
    void PreviewAndColumnChoice() {
        Open();
        CTailAdd dlg(*h_->doc, h_->view.get());
        dlg.show();
        COtherFilePreview& p = *dlg.Preview();
        QCOMPARE(p.List()->columnCount(), 0);
        int asked = 0;
        p.SetChooser([&] { return ++asked == 1 ? QString() : other_; });
        p.BrowseButton()->click();  // cancelled
        QVERIFY(p.BrowseButton()->isEnabled());
        QVERIFY(p.Path().empty());
        p.BrowseButton()->click();
        QVERIFY(!p.BrowseButton()->isEnabled());
        QCOMPARE(p.List()->columnCount(), 5);
        QCOMPARE(p.List()->rowCount(), 3);
        QCOMPARE(p.List()->horizontalHeaderItem(2)->text(), QStringLiteral("2"));
        QCOMPARE(p.List()->item(0, 1)->text(), QStringLiteral("apple"));
        QCOMPARE(p.List()->item(0, 4)->text(), QString());
        QCOMPARE(dlg.OtherKeyBox()->maximum(), 4);

        p.List()->horizontalHeader()->sectionClicked(2);
        QCOMPARE(dlg.OtherKeyBox()->value(), 2);
        QCOMPARE(p.Highlighted(), 2);
        QVERIFY(Highlighted(p.List(), 1, 2, QColor(222, 217, 240)));
        QVERIFY(!Highlighted(p.List(), 1, 1, QColor(222, 217, 240)));
        // The arrows stop at the last column.
        dlg.OtherKeyBox()->stepBy(5);
        QCOMPARE(dlg.OtherKeyBox()->value(), 4);
        QCOMPARE(p.Highlighted(), 4);
        dlg.OtherKeyBox()->stepBy(-9);
        QCOMPARE(dlg.OtherKeyBox()->value(), 0);
        QVERIFY(h_->messages.shown.isEmpty());
    }

    void EmptyOrBinaryOtherFileIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("A,\0b\r\n", 6);
    }
    void EmptyOrBinaryOtherFileIsRefused() {
        QFETCH(QByteArray, bytes);
        Open();
        CCodeCng dlg(*h_->doc, h_->view.get());
        const QString bad = scratch_->Write(QStringLiteral("bad.csv"), bytes.toStdString());
        dlg.Preview()->SetChooser([&] { return bad; });
        dlg.Preview()->BrowseButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30003});
        QVERIFY(dlg.Preview()->BrowseButton()->isEnabled());
        QCOMPARE(dlg.Preview()->List()->columnCount(), 0);
    }

    void CodeCngRadioButtonsAndArrows() {
        Open();
        h_->settings.SetInt("CodeCng", "AnotherPos", 1);
        CCodeCng dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(dlg.ReplacementButton()->isChecked());
        QVERIFY(dlg.Preview()->LoadPreview(other_));
        QCOMPARE(dlg.Preview()->List()->rowCount(), 5);
        // A column click sets the box of the checked radio button.
        dlg.Preview()->List()->cellClicked(0, 3);
        QCOMPARE(dlg.ReplacementBox()->value(), 3);
        QCOMPARE(dlg.CompareBox()->value(), 0);
        // An arrow of the other box checks its radio button.
        dlg.CompareBox()->stepBy(1);
        QVERIFY(dlg.CompareButton()->isChecked());
        QCOMPARE(dlg.Preview()->Highlighted(), 1);
        dlg.ReplacementButton()->click();
        QCOMPARE(dlg.Preview()->Highlighted(), 3);
        dlg.CompareButton()->click();
        QCOMPARE(dlg.Preview()->Highlighted(), 1);
    }

    void ChecksComeBeforeAnythingIsStored() {
        Open();
        CCodeCng dlg(*h_->doc, h_->view.get());
        dlg.show();
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30023});
        QVERIFY(dlg.Preview()->LoadPreview(other_));
        dlg.CompareBox()->setValue(2);
        dlg.ReplacementBox()->setValue(2);
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, (QList<int>{30023, 30030}));
        QVERIFY(dlg.isVisible());
        QCOMPARE(h_->settings.GetInt("CodeCng", "SakiField", -999), -999);
        QVERIFY(!h_->doc->CanUndo());

        CTailAdd tail(*h_->doc, h_->view.get());
        tail.StartButton()->click();
        QCOMPARE(h_->messages.shown.last(), 30023);
        QCOMPARE(h_->settings.GetInt("TailAdd", "KeyField", -999), -999);
    }

    void StartCommitsAndUndoRestores() {
        Open();
        h_->doc->View().sel_start = FieldIndex{1};
        {
            CTailAdd dlg(*h_->doc, h_->view.get());
            dlg.show();
            QVERIFY(dlg.Preview()->LoadPreview(other_));
            dlg.SpaceCheck()->setChecked(true);
            dlg.StartButton()->click();
            QVERIFY(!dlg.isVisible());
        }
        QCOMPARE(Working(),
                 std::string("1,A,x,A,apple\r\n2,B,y,B,banana\r\n3,C,z,C,cherry,3,4,5\r\n"));
        QCOMPARE(h_->settings.GetInt("TailAdd", "KeyField", -1), 1);
        QCOMPARE(h_->settings.GetInt("TailAdd", "SpaceCut", -1), 1);
        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), kCsv);

        h_->doc->View().sel_start = FieldIndex{1};
        CCodeCng dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(dlg.Preview()->LoadPreview(other_));
        dlg.ReplacementBox()->setValue(1);
        dlg.StartButton()->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(Working(), std::string("1,apple,x\r\n2,banana,y\r\n3,cherry,z\r\n"));
        QCOMPARE(h_->settings.GetInt("CodeCng", "SakiField", -1), 1);
        QCOMPARE(h_->settings.GetInt("CodeCng", "AnotherPos", -1), 0);  // 1003 still checked
        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), kCsv);
    }
};

QTEST_MAIN(CrossFileTest)
#include "tst_crossfile.moc"
