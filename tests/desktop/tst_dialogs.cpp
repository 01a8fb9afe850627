// The operation dialogs: opening from the view's selection or the stored
// settings, the field and range box steps, the explanation panel, the view
// scroll buttons, Start (failing checks and commits) and Cancel. Messages are
// answered through the messages interface.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QValidator>
#include <functional>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/dialogs/dbl_del.h"
#include "tesmora/dialogs/dialog_art.h"
#include "tesmora/dialogs/field_len.h"
#include "tesmora/dialogs/line_del.h"
#include "tesmora/dialogs/line_length.h"
#include "tesmora/dialogs/sort_dlg.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

enum class Kind { Sort, Dbl, LineDel, LineLength, FieldLen };

const std::string kCsv = "b,2,x\r\na,1,y\r\nc,3,z\r\n";
const std::string kFixed = "abc\r\na\r\n";

std::unique_ptr<COperationDlg> Make(Kind kind, ViewHarness& h) {
    switch (kind) {
        case Kind::Sort:
            return std::make_unique<CSortDlg>(*h.doc, h.view.get());
        case Kind::Dbl:
            return std::make_unique<CDblDel>(*h.doc, h.view.get());
        case Kind::LineDel:
            return std::make_unique<CLineDel>(*h.doc, h.view.get());
        case Kind::LineLength:
            return std::make_unique<CLineLength>(*h.doc, h.view.get());
        case Kind::FieldLen:
            return std::make_unique<CFieldLen>(*h.doc, h.view.get());
    }
    return nullptr;
}

const char* Section(Kind kind) {
    switch (kind) {
        case Kind::Sort:
            return "SortDlg";
        case Kind::Dbl:
            return "DblDel";
        case Kind::LineDel:
            return "LineDel";
        case Kind::LineLength:
            return "LineLength";
        case Kind::FieldLen:
            return "FieldLen";
    }
    return "";
}

std::string ReadFile(const std::string& path) {
    return testing::ReadFile(QString::fromStdString(path));
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class DialogsTest : public ViewSuite {
    Q_OBJECT

    void OpenFile(const std::string& bytes, const char* name = "data.csv") {
        QVERIFY(h_->Open(scratch_->Write(QString::fromUtf8(name), bytes)));
        h_->messages.Clear();
    }
    ViewState& Sel() { return h_->doc->View(); }
    std::string Working() { return ReadFile(h_->doc->WorkingFileName()); }
    // A value never stored by the dialogs: tells "not stored" apart.
    int Stored(const char* section, const char* key) {
        return h_->settings.GetInt(section, key, -999);
    }

  private slots:

    // ---- opening ----

    void OpeningTakesSelectionOrSetting_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("selected");  // -1: nothing selected
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("sel_start");
        QTest::addColumn<int>("box");
        for (Kind k : {Kind::Sort, Kind::Dbl, Kind::FieldLen}) {
            const QByteArray n = Section(k);
            QTest::newRow(n + " selection") << k << 1 << 2 << 1 << 1;
            QTest::newRow(n + " setting") << k << -1 << 2 << 2 << 2;
            QTest::newRow(n + " default") << k << -1 << -999 << 0 << 0;
            // Beyond the last field: selected as stored, the box shows its end.
            QTest::newRow(n + " beyond") << k << -1 << 7 << 7 << 2;
        }
    }
    void OpeningTakesSelectionOrSetting() {
        QFETCH(Kind, kind);
        QFETCH(int, selected);
        QFETCH(int, stored);
        QFETCH(int, sel_start);
        QFETCH(int, box);
        OpenFile(kCsv);
        if (stored != -999) h_->settings.SetInt(Section(kind), "KeyField", stored);
        Sel().sel_start = FieldIndex{selected};
        Sel().sel_end = FieldIndex{selected >= 0 ? 2 : -1};
        auto dlg = Make(kind, *h_);
        QCOMPARE(Sel().sel_start.value, sel_start);
        QCOMPARE(Sel().sel_end.value, -1);  // a selection end is dropped
        QCOMPARE(dlg->FieldBox()->value(), box);
        QCOMPARE(dlg->FieldBox()->minimum(), 0);
        QCOMPARE(dlg->FieldBox()->maximum(), 2);
        QVERIFY(!dlg->ExplanationShown());
    }

    void RangeOpening_data() {
        QTest::addColumn<int>("sel_start");
        QTest::addColumn<int>("sel_end");
        QTest::addColumn<int>("field1");
        QTest::addColumn<int>("field2");
        QTest::addColumn<int>("want_start");
        QTest::addColumn<int>("want_end");
        QTest::newRow("defaults") << -1 << -1 << -999 << -999 << 0 << 1;
        QTest::newRow("stored") << -1 << -1 << 1 << 2 << 1 << 2;
        QTest::newRow("stored reversed") << -1 << -1 << 2 << 0 << 0 << 2;
        QTest::newRow("selection") << 2 << -1 << 0 << 0 << 0 << 2;
        QTest::newRow("selection both") << 1 << 2 << 0 << 0 << 1 << 2;
        QTest::newRow("beyond the fields") << -1 << -1 << 5 << 9 << 2 << 2;
    }
    void RangeOpening() {
        QFETCH(int, sel_start);
        QFETCH(int, sel_end);
        QFETCH(int, field1);
        QFETCH(int, field2);
        QFETCH(int, want_start);
        QFETCH(int, want_end);
        OpenFile(kCsv);
        if (field1 != -999) h_->settings.SetInt("LineDel", "Field1", field1);
        if (field2 != -999) h_->settings.SetInt("LineDel", "Field2", field2);
        Sel().sel_start = FieldIndex{sel_start};
        Sel().sel_end = FieldIndex{sel_end};
        CLineDel dlg(*h_->doc, h_->view.get());
        QCOMPARE(Sel().sel_start.value, want_start);
        QCOMPARE(Sel().sel_end.value, want_end);
        QCOMPARE(dlg.FieldBox()->value(), want_start);
        QCOMPARE(dlg.EndBox()->value(), want_end);
    }

    void RangeOpeningSingleField() {
        OpenFile(kFixed, "fixed.txt");
        h_->settings.SetInt("LineDel", "Field1", 3);
        CLineDel dlg(*h_->doc, h_->view.get());
        QCOMPARE(Sel().sel_start.value, 0);
        QCOMPARE(Sel().sel_end.value, 0);
        QCOMPARE(dlg.EndBox()->maximum(), 0);
    }

    // ---- steps ----

    void FieldBoxSteps_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("sel");
        QTest::newRow("up") << 0 << 1 << 1 << 1;
        QTest::newRow("down") << 2 << -1 << 1 << 1;
        QTest::newRow("below the first") << 0 << -1 << 0 << 0;
        QTest::newRow("past the last") << 2 << 1 << 2 << 2;
        QTest::newRow("page past the last") << 1 << 10 << 2 << 2;
    }
    void FieldBoxSteps() {
        QFETCH(int, from);
        QFETCH(int, step);
        QFETCH(int, box);
        QFETCH(int, sel);
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{from};
        CSortDlg dlg(*h_->doc, h_->view.get());
        dlg.FieldBox()->stepBy(step);
        QCOMPARE(dlg.FieldBox()->value(), box);
        QCOMPARE(Sel().sel_start.value, sel);
    }

    void FieldBoxKeysAndTyping() {
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{0};
        CDblDel dlg(*h_->doc, h_->view.get());
        dlg.show();
        QTest::keyClick(dlg.FieldBox(), Qt::Key_Up);
        QCOMPARE(Sel().sel_start.value, 1);
        QCOMPARE(dlg.FieldBox()->value(), 1);
        // A typed number moves the selection once the typing ends, here by
        // the focus leaving the box.
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.FieldBox()->setFocus();
        dlg.FieldBox()->selectAll();
        QTest::keyClicks(dlg.FieldBox(), QStringLiteral("2"));
        QCOMPARE(Sel().sel_start.value, 1);
        dlg.ExplainCheck()->setFocus();
        QCOMPARE(dlg.FieldBox()->value(), 2);
        QCOMPARE(Sel().sel_start.value, 2);
    }

    void RangeBoxSteps_data() {
        QTest::addColumn<bool>("end_box");
        QTest::addColumn<int>("s0");
        QTest::addColumn<int>("e0");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("e");
        QTest::newRow("start up") << false << 0 << 2 << 1 << 1 << 1 << 2;
        QTest::newRow("start onto the end") << false << 1 << 2 << 1 << 2 << 2 << 2;
        QTest::newRow("start at the end") << false << 2 << 2 << 1 << 2 << 2 << 2;
        QTest::newRow("start below the first") << false << 0 << 1 << -1 << 0 << 0 << 1;
        QTest::newRow("end down") << true << 0 << 2 << -1 << 1 << 0 << 1;
        QTest::newRow("end onto the start") << true << 1 << 2 << -1 << 1 << 1 << 1;
        QTest::newRow("end at the start") << true << 1 << 1 << -1 << 1 << 1 << 1;
        QTest::newRow("end past the last") << true << 0 << 2 << 1 << 2 << 0 << 2;
    }
    void RangeBoxSteps() {
        QFETCH(bool, end_box);
        QFETCH(int, s0);
        QFETCH(int, e0);
        QFETCH(int, step);
        QFETCH(int, shown);
        QFETCH(int, s);
        QFETCH(int, e);
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{s0};
        Sel().sel_end = FieldIndex{e0};
        CLineDel dlg(*h_->doc, h_->view.get());
        CFieldSpin* box = end_box ? dlg.EndBox() : dlg.FieldBox();
        box->stepBy(step);
        QCOMPARE(box->value(), shown);
        QCOMPARE(Sel().sel_start.value, s);
        QCOMPARE(Sel().sel_end.value, e);
    }

    // A number typed into a range box moves the selection as stepping to it
    // would: the start never passes the end, nor the end the start.
    void RangeBoxTyping_data() {
        QTest::addColumn<bool>("end_box");
        QTest::addColumn<int>("s0");
        QTest::addColumn<int>("e0");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("e");
        QTest::newRow("start within") << false << 0 << 2 << 1 << 1 << 1 << 2;
        QTest::newRow("start past the end") << false << 0 << 1 << 2 << 1 << 1 << 1;
        QTest::newRow("end within") << true << 0 << 2 << 1 << 1 << 0 << 1;
        QTest::newRow("end below the start") << true << 1 << 2 << 0 << 1 << 1 << 1;
    }
    void RangeBoxTyping() {
        QFETCH(bool, end_box);
        QFETCH(int, s0);
        QFETCH(int, e0);
        QFETCH(int, typed);
        QFETCH(int, shown);
        QFETCH(int, s);
        QFETCH(int, e);
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{s0};
        Sel().sel_end = FieldIndex{e0};
        CLineDel dlg(*h_->doc, h_->view.get());
        CFieldSpin* box = end_box ? dlg.EndBox() : dlg.FieldBox();
        box->selectAll();
        QTest::keyClicks(box, QString::number(typed));
        box->TakeTyped();
        QCOMPARE(box->value(), shown);
        QCOMPARE(Sel().sel_start.value, s);
        QCOMPARE(Sel().sel_end.value, e);
    }

    void AllFieldsButton() {
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{1};
        Sel().sel_end = FieldIndex{1};
        CLineDel dlg(*h_->doc, h_->view.get());
        QVERIFY(dlg.AllFieldsButton());
        dlg.AllFieldsButton()->click();
        QCOMPARE(Sel().sel_start.value, 0);
        QCOMPARE(Sel().sel_end.value, 2);
        QCOMPARE(dlg.FieldBox()->value(), 0);
        QCOMPARE(dlg.EndBox()->value(), 2);
    }

    void ScrollButtons() {
        std::string wide;
        for (int i = 0; i < 3; ++i) wide += std::string(400, 'a') + ",b\r\n";
        OpenFile(wide);
        h_->view->UpdateViewLayout();
        CChildView& view = *h_->view;
        QVERIFY(view.HorizontalMax() > 8 * view.CharWidth());
        CSortDlg dlg(*h_->doc, h_->view.get());
        dlg.ScrollLeftButton()->click();
        QCOMPARE(view.HorizontalOffset(), 0);
        dlg.ScrollRightButton()->click();
        QCOMPARE(view.HorizontalOffset(), 4 * view.CharWidth());
        dlg.ScrollLeftButton()->click();
        QCOMPARE(view.HorizontalOffset(), 0);
        for (int i = 0; i < 200; ++i) dlg.ScrollRightButton()->click();
        QCOMPARE(view.HorizontalOffset(), view.HorizontalMax());
    }

    // ---- explanation panel ----

    void ExplanationPanel_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("first_piece");
        QTest::newRow("sort") << Kind::Sort
                              << "  指定したフィールドをキーにして、レコードをソートします\n\n1 "
                                 "キーフィールド：\n";
        QTest::newRow("dbl") << Kind::Dbl << "3 重複判定時に空白を削除\n";
        QTest::newRow("linedel") << Kind::LineDel
                                 << " ※ 語句２が空欄の時は、And Or は無視されます\n";
        QTest::newRow("linelength") << Kind::LineLength << "(2) レコード長指定\n";
        QTest::newRow("fieldlen") << Kind::FieldLen
                                  << "チェックし、その右側に埋めたい文字を入力してください\n";
    }
    void ExplanationPanel() {
        QFETCH(Kind, kind);
        QFETCH(QString, first_piece);
        OpenFile(kind == Kind::LineLength ? kFixed : kCsv);
        auto dlg = Make(kind, *h_);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        const QSize first = dlg->size();
        QString text;
        for (int round = 0; round < 2; ++round) {
            QTest::mouseClick(dlg->ExplainCheck(), Qt::LeftButton);
            QVERIFY(dlg->ExplanationShown());
            QVERIFY(dlg->ExplainCheck()->isChecked());
            QCOMPARE(dlg->size(), QSize(first.width(), first.height() + 200));
            QVERIFY(dlg->ExplainPanel()->isVisible());
            QVERIFY(dlg->ExplainPanel()->geometry().bottom() < dlg->height());
            const QString now = dlg->ExplainPanel()->toPlainText();
            QVERIFY(now.startsWith(QStringLiteral("【処理の概要】\n")));
            QVERIFY2(now.contains(first_piece), qPrintable(now));
            if (round == 1) QCOMPARE(now, text);
            text = now;
            QTest::mouseClick(dlg->ExplainCheck(), Qt::LeftButton);
            QVERIFY(!dlg->ExplanationShown());
            QVERIFY(!dlg->ExplainCheck()->isChecked());
            QCOMPARE(dlg->size(), first);
        }
    }

    // ---- Start with a failing check ----

    void LineDelEmptyWord() {
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{1};
        Sel().sel_end = FieldIndex{2};
        CLineDel dlg(*h_->doc, h_->view.get());
        dlg.show();
        dlg.Word2Edit()->setText(QStringLiteral("x"));
        dlg.DeleteMatching()->setChecked(true);
        dlg.AndButton()->setChecked(true);
        const std::string before = Working();
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30008});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.focusWidget(), dlg.Word1Edit());
        QCOMPARE(Stored("LineDel", "Field1"), 1);
        QCOMPARE(Stored("LineDel", "Field2"), 2);
        QCOMPARE(Stored("LineDel", "DelOrLeave"), 0);
        QCOMPARE(Stored("LineDel", "AndOrOr"), -999);
        QCOMPARE(h_->settings.GetString("LineDel", "Moji2", "none"), std::string("none"));
        QCOMPARE(Working(), before);
        QVERIFY(!h_->doc->CanUndo());
    }

    void LineLengthAlreadySame() {
        OpenFile("abc\r\ndef\r\n", "same.txt");
        h_->settings.SetInt("LineLength", "SetMax", 1);
        CLineLength dlg(*h_->doc, h_->view.get());
        dlg.show();
        QVERIFY(dlg.GivenButton()->isChecked());
        dlg.LongestButton()->setChecked(true);
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{30024});
        QVERIFY(dlg.isVisible());
        QCOMPARE(Stored("LineLength", "SetMax"), 0);
        QCOMPARE(Stored("LineLength", "LineLen"), -999);
        QVERIFY(!h_->doc->CanUndo());
    }

    void FieldLenFillChecks_data() {
        QTest::addColumn<QString>("fill");
        QTest::addColumn<int>("message");
        QTest::newRow("empty") << QString() << 30008;
        QTest::newRow("two bytes") << QStringLiteral("ab") << 30032;
        QTest::newRow("double-byte") << QStringLiteral("あ") << 30032;
        QTest::newRow("comma") << QStringLiteral(",") << 30031;
    }
    void FieldLenFillChecks() {
        QFETCH(QString, fill);
        QFETCH(int, message);
        OpenFile(kCsv);
        Sel().sel_start = FieldIndex{1};
        CFieldLen dlg(*h_->doc, h_->view.get());
        dlg.show();
        dlg.LengthBox()->setValue(7);
        dlg.KeepEnd()->setChecked(true);
        dlg.FillCheck()->setChecked(true);
        dlg.FillEdit()->setText(fill);
        dlg.StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{message});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.focusWidget(), dlg.FillEdit());
        QCOMPARE(Stored("FieldLen", "KeyField"), 1);
        QCOMPARE(Stored("FieldLen", "NewLen"), 7);
        QCOMPARE(Stored("FieldLen", "Houhou"), 1);
        QCOMPARE(Stored("FieldLen", "YohakuCheck"), 1);
        QCOMPARE(h_->settings.GetString("FieldLen", "YohakuMoji", "none"), std::string("none"));
        QVERIFY(!h_->doc->CanUndo());
    }

    void FieldLenFillBox() {
        OpenFile(kCsv);
        h_->settings.SetInt("FieldLen", "YohakuCheck", 0);
        h_->settings.SetString("FieldLen", "YohakuMoji", "*");
        CFieldLen dlg(*h_->doc, h_->view.get());
        dlg.show();
        // The stored text does not check the box; typing does.
        QCOMPARE(dlg.FillEdit()->text(), QStringLiteral("*"));
        QVERIFY(!dlg.FillCheck()->isChecked());
        dlg.FillEdit()->setFocus();
        QTest::keyClicks(dlg.FillEdit(), QStringLiteral("#"));
        QVERIFY(dlg.FillCheck()->isChecked());
        // A character code page 932 lacks cannot be typed.
        QString euro = QStringLiteral("€");
        QString kana = QStringLiteral("あ");
        int pos = 0;
        QCOMPARE(dlg.FillEdit()->validator()->validate(euro, pos), QValidator::Invalid);
        QCOMPARE(dlg.FillEdit()->validator()->validate(kana, pos), QValidator::Acceptable);
    }

    void RecordLengthRange_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("default") << -999 << 100;
        QTest::newRow("below") << 0 << 1;
        QTest::newRow("above") << 5000 << 4998;
        QTest::newRow("inside") << 42 << 42;
    }
    void RecordLengthRange() {
        QFETCH(int, stored);
        QFETCH(int, shown);
        OpenFile(kFixed, "fixed.txt");
        if (stored != -999) h_->settings.SetInt("LineLength", "LineLen", stored);
        CLineLength dlg(*h_->doc, h_->view.get());
        QCOMPARE(dlg.LengthBox()->value(), shown);
        QCOMPARE(dlg.LengthBox()->minimum(), 1);
        QCOMPARE(dlg.LengthBox()->maximum(), 4998);
        dlg.LengthBox()->setValue(4998);
        dlg.LengthBox()->stepBy(1);
        QCOMPARE(dlg.LengthBox()->value(), 4998);
        dlg.LengthBox()->setValue(1);
        dlg.LengthBox()->stepBy(-1);
        QCOMPARE(dlg.LengthBox()->value(), 1);
    }

    // ---- Start that commits, and undo ----

    void StartCommits_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("key");  // a stored value that must now hold
        QTest::addColumn<int>("value");
        QTest::newRow("sort ascending")
            << Kind::Sort << QByteArray(kCsv.c_str()) << QByteArray("a,1,y\r\nb,2,x\r\nc,3,z\r\n")
            << "SortJun" << 0;
        QTest::newRow("sort descending by field 2")
            << Kind::Sort << QByteArray(kCsv.c_str()) << QByteArray("c,3,z\r\na,1,y\r\nb,2,x\r\n")
            << "KeyField" << 2;
        QTest::newRow("duplicates only repeated")
            << Kind::Dbl << QByteArray("A,1\r\nB,2\r\nB,3\r\nC,4\r\n")
            << QByteArray("B,2\r\nB,3\r\n") << "DelType" << 3;
        QTest::newRow("delete matching") << Kind::LineDel << QByteArray(kCsv.c_str())
                                         << QByteArray("b,2,x\r\nc,3,z\r\n") << "DelOrLeave" << 0;
        QTest::newRow("record length longest") << Kind::LineLength << QByteArray(kFixed.c_str())
                                               << QByteArray("abc\r\na  \r\n") << "SetMax" << 0;
        QTest::newRow("field length fill") << Kind::FieldLen << QByteArray("ab,1\r\nabcdef,2\r\n")
                                           << QByteArray("ab**,1\r\nabcd,2\r\n") << "NewLen" << 4;
    }
    void StartCommits() {
        QFETCH(Kind, kind);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(QString, key);
        QFETCH(int, value);
        OpenFile(input.toStdString(), kind == Kind::LineLength ? "f.txt" : "f.csv");
        const std::string before = Working();
        auto dlg = Make(kind, *h_);
        dlg->show();
        switch (kind) {
            case Kind::Sort: {
                auto* sort = static_cast<CSortDlg*>(dlg.get());
                if (QTest::currentDataTag() == QByteArray("sort descending by field 2")) {
                    sort->FieldBox()->stepBy(2);
                    sort->DescendingButton()->setChecked(true);
                }
                break;
            }
            case Kind::Dbl:
                static_cast<CDblDel*>(dlg.get())->ModeButton(3)->setChecked(true);
                break;
            case Kind::LineDel: {
                auto* del = static_cast<CLineDel*>(dlg.get());
                del->AllFieldsButton()->click();
                del->Word1Edit()->setText(QStringLiteral("y"));
                del->DeleteMatching()->setChecked(true);
                break;
            }
            case Kind::LineLength:
                break;
            case Kind::FieldLen: {
                auto* len = static_cast<CFieldLen*>(dlg.get());
                len->LengthBox()->setValue(4);
                len->FillCheck()->setChecked(true);
                len->FillEdit()->setText(QStringLiteral("*"));
                break;
            }
        }
        dlg->StartButton()->click();
        QCOMPARE(h_->messages.shown, QList<int>{});
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QVERIFY(!dlg->isVisible());
        QCOMPARE(QByteArray::fromStdString(Working()), output);
        QCOMPARE(Stored(Section(kind), key.toUtf8().constData()), value);
        QVERIFY(h_->doc->Modified());
        QCOMPARE(Sel().sel_start.value, -1);  // the reload clears the selection
        QVERIFY(h_->doc->Undo());
        QCOMPARE(Working(), before);
    }

    void LineDelStoresWords() {
        OpenFile(Sjis("あ,い\r\nう,え\r\n"));
        CLineDel dlg(*h_->doc, h_->view.get());
        dlg.show();
        dlg.Word1Edit()->setText(QStringLiteral("い"));
        dlg.OrButton()->setChecked(true);
        dlg.DeleteOthers()->setChecked(true);
        dlg.StartButton()->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Working(), Sjis("あ,い\r\n"));
        // The settings hold the text as typed.
        QCOMPARE(h_->settings.GetString("LineDel", "Moji1", ""), std::string("い"));
        QCOMPARE(Stored("LineDel", "AndOrOr"), 1);
        QCOMPARE(Stored("LineDel", "DelOrLeave"), 1);
        // The next opening shows them again.
        CLineDel again(*h_->doc, h_->view.get());
        QCOMPARE(again.Word1Edit()->text(), QStringLiteral("い"));
        QVERIFY(again.OrButton()->isChecked());
        QVERIFY(again.DeleteOthers()->isChecked());
    }

    void SortBeyondLastFieldSortsShownField() {
        OpenFile(kCsv);
        h_->settings.SetInt("SortDlg", "KeyField", 9);
        CSortDlg dlg(*h_->doc, h_->view.get());
        QCOMPARE(dlg.FieldBox()->value(), 2);
        dlg.DescendingButton()->setChecked(true);
        dlg.StartButton()->click();
        QCOMPARE(Stored("SortDlg", "KeyField"), 2);
        QCOMPARE(Working(), std::string("c,3,z\r\na,1,y\r\nb,2,x\r\n"));
    }

    // ---- Cancel ----

    void CancelStoresNothing_data() {
        QTest::addColumn<Kind>("kind");
        for (Kind k : {Kind::Sort, Kind::Dbl, Kind::LineDel, Kind::LineLength, Kind::FieldLen})
            QTest::newRow(Section(k)) << k;
    }
    void CancelStoresNothing() {
        QFETCH(Kind, kind);
        OpenFile(kind == Kind::LineLength ? kFixed : kCsv);
        const std::string before = Working();
        auto dlg = Make(kind, *h_);
        dlg->show();
        if (dlg->FieldBox() && kind != Kind::LineLength) dlg->FieldBox()->stepBy(1);
        const int moved = Sel().sel_start.value;
        dlg->CancelButton()->click();
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        for (const char* key :
             {"KeyField", "SortJun", "DelType", "SpcCut", "Field1", "Field2", "DelOrLeave",
              "AndOrOr", "SetMax", "LineLen", "NewLen", "Houhou", "YohakuCheck"})
            QCOMPARE(Stored(Section(kind), key), -999);
        QCOMPARE(Working(), before);
        QVERIFY(!h_->doc->CanUndo());
        // The moved selection stays.
        QCOMPARE(Sel().sel_start.value, moved);
    }

    // ---- pictures ----

    void DuplicatePictures_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("0") << 0 << QList<int>{1, 2, 4, 7, 8};
        QTest::newRow("1") << 1 << QList<int>{1, 7};
        QTest::newRow("2") << 2 << QList<int>{2, 4, 8};
        QTest::newRow("3") << 3 << QList<int>{2, 3, 4, 5, 6, 8, 9};
    }
    void DuplicatePictures() {
        QFETCH(int, mode);
        QFETCH(QList<int>, kept);
        QList<int> got;
        for (int n = 1; n <= 9; ++n)
            if (DuplicatePictureKeeps(mode, n)) got.append(n);
        QCOMPARE(got, kept);
        QVERIFY(!DuplicateModePixmap(mode).isNull());
        const QImage marker = MarkerPixmap(true).toImage();
        QCOMPARE(marker.size(), QSize(12, 12));
        QCOMPARE(QColor(marker.pixel(6, 6)), QColor(0, 164, 0));
    }

    // ---- the ribbon ----

    void RibbonOpensDialogs_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<QString>("title");
        QTest::newRow("sort") << ID_SORT_SHORI << false << "ソート";
        QTest::newRow("dbl") << ID_JUUFUKU_SHORI << false << "重複レコードの処理";
        QTest::newRow("linedel") << ID_JOUKEN_SHORI << true << "条件不合致レコード削除";
        QTest::newRow("linelength") << ID_LINE_SHORI << true << "レコード長編集";
        QTest::newRow("fieldlen") << ID_FIELD_LEN_SHORI << false << "フィールド長編集";
    }
    void RibbonOpensDialogs() {
        QFETCH(int, id);
        QFETCH(bool, fixed);
        QFETCH(QString, title);
        ScriptedMessages messages;
        AppOptions options = ScratchAppOptions(*scratch_, messages);
        CVarnelApp app(options);
        QVERIFY(app.InitInstance({}));
        QAction* action = app.MainFrame()->Action(id);
        QVERIFY(action);
        QVERIFY(!action->isEnabled());
        const std::string other = fixed ? kCsv : kFixed;
        const QString wrong = scratch_->Write(QStringLiteral("wrong.x"), other);
        QVERIFY(app.Doc().OpenDocument(wrong.toStdString()));
        app.MainFrame()->UpdateCommandUI();
        QCOMPARE(action->isEnabled(), id == ID_JOUKEN_SHORI);
        QVERIFY(app.Doc().CloseDocument());
        const QString path = scratch_->Write(QStringLiteral("right.x"), fixed ? kFixed : kCsv);
        QVERIFY(app.Doc().OpenDocument(path.toStdString()));
        app.MainFrame()->UpdateCommandUI();
        QVERIFY(action->isEnabled());
        QString seen;
        QTimer::singleShot(0, [&seen] {
            auto* dlg = qobject_cast<COperationDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            seen = dlg->windowTitle();
            dlg->CancelButton()->click();
        });
        action->trigger();
        QCOMPARE(seen, title);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
