// Recipes in the program: five dialogs and a field edit in the view are
// recorded, saved from the history panel, and replayed on the original file
// to the same records as by hand and as `tesmora-cli run`, undone at once.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "desktop_support.h"
#include "tesmora/dialogs/char_cng.h"
#include "tesmora/dialogs/dbl_del.h"
#include "tesmora/dialogs/field_len.h"
#include "tesmora/dialogs/line_del.h"
#include "tesmora/dialogs/sort_dlg.h"
#include "tesmora/frame/history_panel.h"
#include "tesmora/ops/field_edit.h"
#include "tesmora/ops/recipe.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {}  // namespace

class TestRecipe : public ViewSuite {
    Q_OBJECT

    std::string original_;

    void SetUpTest() override {
        original_ = Sjis(
            "k3,b,東京,2,解約\r\n"
            "k1,a,大阪,3,継続\r\n"
            "k2,c,東京,1,継続\r\n"
            "k1,b,福岡,4,継続\r\n"
            "k4,d,京都,5,継続\r\n");
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("members.csv"), original_)));
    }
    std::string Working() { return ReadFile(QString::fromStdString(h_->doc->WorkingFileName())); }
    template <typename Dialog, typename Set>
    void Start(Set set) {
        Dialog dlg(*h_->doc, h_->view.get());
        set(dlg);
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.texts, QStringList{});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

  private slots:
    void RecordedStepsReplayAsByHandAndInBatch() {
        Start<CSortDlg>([](CSortDlg& d) { d.FieldBox()->stepBy(0); });
        Start<CDblDel>([](CDblDel& d) { d.ModeButton(0)->setChecked(true); });
        Start<CLineDel>([](CLineDel& d) {
            d.AllFieldsButton()->click();
            d.Word1Edit()->setText(QStringLiteral("解約"));
            d.DeleteMatching()->setChecked(true);
        });
        Start<CFieldLen>([](CFieldLen& d) {
            d.FieldBox()->stepBy(1);
            d.LengthBox()->setValue(3);
            d.FillCheck()->setChecked(true);
            d.FillEdit()->setText(QStringLiteral("*"));
        });
        Start<CCharCng>([](CCharCng& d) {
            d.AllFieldsButton()->click();
            d.BeforeList()->setPlainText(QStringLiteral("東京\n継続"));
            d.AfterList()->setPlainText(QStringLiteral("TOKYO\nactive"));
        });
        // The view's context menu: delete field 3.
        QVERIFY(RunFieldCommand(*h_->doc, kCmdFieldDelete, FieldIndex{3}));
        const std::string by_hand = Working();
        QVERIFY(by_hand != original_);

        CHistoryPanel panel(*h_->doc);
        QCOMPARE(panel.Steps()->count(), 6);
        QVERIFY(panel.Steps()->item(5)->text().contains(QStringLiteral("field-delete --field 3")));
        const QString recipe = scratch_->Path(QStringLiteral("monthly.txt"));
        QVERIFY(panel.SaveTo(recipe));
        QVERIFY(ReadFile(recipe).find("replace --pairs monthly-5.cng") != std::string::npos);

        // Next month's file is this one again.
        h_->doc->SetModified(false);
        QVERIFY(h_->Open(scratch_->Path(QStringLiteral("members.csv"))));
        QVERIFY(h_->doc->History().empty());
        QVERIFY(RunRecipe(*h_->doc, recipe.toStdString()));
        QCOMPARE(Working(), by_hand);
        panel.Refresh();
        QCOMPARE(panel.Steps()->count(), 6);

        QProcess cli;
        cli.start(QStringLiteral(TESMORA_CLI),
                  {QStringLiteral("run"), recipe, scratch_->Path(QStringLiteral("members.csv")),
                   QStringLiteral("-o"), scratch_->Path(QStringLiteral("batch.csv"))});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(ReadFile(scratch_->Path(QStringLiteral("batch.csv"))), by_hand);

        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), original_);
        QVERIFY(h_->doc->History().empty());
    }

    void ABadLineThreeRunsNothing() {
        const QString recipe =
            scratch_->Write(QStringLiteral("bad.txt"), "sort --key 1\n# then\nsort --key x\n");
        QVERIFY(!RunRecipe(*h_->doc, recipe.toStdString()));
        QCOMPARE(h_->messages.shown, QList<int>{kMsgRecipeErrors});
        QVERIFY2(h_->messages.texts.value(0).contains(QStringLiteral("3行目")),
                 qPrintable(h_->messages.texts.value(0)));
        QCOMPARE(Working(), original_);
        QVERIFY(!h_->doc->CanUndo());
    }
};

QTEST_MAIN(TestRecipe)
#include "tst_recipe.moc"
