// The two front ends build the same request for the same input: each
// validation is run with the dialog's request and with the batch command's,
// and both must give the same verdict.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "cli.h"
#include "desktop_support.h"
#include "tesmora/dialogs/char_cng.h"
#include "tesmora/dialogs/code_cng.h"
#include "tesmora/dialogs/csv_to_txt.h"
#include "tesmora/dialogs/dbl_del.h"
#include "tesmora/dialogs/field_len.h"
#include "tesmora/dialogs/line_del.h"
#include "tesmora/dialogs/line_length.h"
#include "tesmora/dialogs/sort_dlg.h"
#include "tesmora/dialogs/tail_add.h"
#include "tesmora/dialogs/txt_to_csv.h"
#include "tesmora/ops/operations.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

// Batch arguments split at spaces; "''" stands for an empty argument.
cli::Args Parse(const char* command, const QString& line) {
    std::vector<std::string> argv;
    for (const QString& a : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        argv.push_back(a == QStringLiteral("''") ? std::string() : a.toStdString());
    argv.push_back("in.csv");
    argv.push_back("-o");
    argv.push_back("out.csv");
    return cli::ParseArgs(*cli::FindCommand(command), argv);
}

// The bytes a batch command leaves in OUTPUT, run in this process; the
// files it names are those of the scratch folder.
std::string BatchResult(const QString& line, const Scratch& scratch) {
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<std::string> argv;
    for (const QString& w : words.mid(1))
        argv.push_back(w.contains(u'.') ? scratch.Path(w).toStdString() : w.toStdString());
    const QString output = scratch.Path(QStringLiteral("out.csv"));
    argv.push_back("-o");
    argv.push_back(output.toStdString());
    const cli::Command* command = cli::FindCommand(words.value(0).toStdString());
    if (!command) return "no such command";
    cli::Context ctx;
    ctx.args = cli::ParseArgs(*command, argv);
    if (command->run(ctx) != cli::kExitOk) return "failed";
    QFile f(output);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// Eight fields whose values order, match and repeat differently field by field.
const char* const kTyped =
    "k3,b,z,2,東京,aa,東京都,9\r\n"
    "k1,a,y,3,大阪,aa,大阪府,8\r\n"
    "k2,c,x,1,東京,bb,京都府,7\r\n"
    "k1,b,w,4,福岡,cc,東京,6\r\n";
const char* const kTypedOther = "a,ONE\r\nb,TWO\r\n東京,TOKYO\r\n";

struct Verdicts {
    Validation dialog, batch;
};

using Check = std::function<Verdicts(Document&, CChildView*, const QString&)>;

}  // namespace

Q_DECLARE_METATYPE(Check)

class RequestsTest : public ViewSuite {
    Q_OBJECT

    static Verdicts LineDelete(Document& doc, CChildView* view, const QString& word) {
        CLineDel dlg(doc, view);
        dlg.Word1Edit()->setText(word);
        const QString w = word.isEmpty() ? QStringLiteral("''") : word;
        const auto batch = LineDeleteRequestFrom(
            Parse("delete", QStringLiteral("--from 0 --to 1 --delete-matching --word1 ") + w));
        return {ValidateLineDelete(dlg.Request()), ValidateLineDelete(batch)};
    }

    static Verdicts FieldLength(Document& doc, CChildView* view, const QString& fill) {
        CFieldLen dlg(doc, view);
        dlg.FillCheck()->setChecked(fill != QStringLiteral("none"));
        dlg.FillEdit()->setText(fill == QStringLiteral("none") ? QString() : fill);
        QString args = QStringLiteral("--field 0 --length 5");
        if (fill != QStringLiteral("none"))
            args += QStringLiteral(" --fill ") + (fill.isEmpty() ? QStringLiteral("''") : fill);
        return {ValidateFieldLength(dlg.Request()),
                ValidateFieldLength(FieldLengthRequestFrom(Parse("fieldlen", args)))};
    }

    static Verdicts RecordLength(Document& doc, CChildView* view, const QString& mode) {
        CLineLength dlg(doc, view);
        const bool longest = mode == QStringLiteral("longest");
        (longest ? dlg.LongestButton() : dlg.GivenButton())->setChecked(true);
        dlg.LengthBox()->setValue(7);
        const auto batch = RecordLengthRequestFrom(
            Parse("reclen", longest ? QStringLiteral("--longest") : QStringLiteral("--length 7")));
        return {ValidateRecordLength(doc, dlg.Request()), ValidateRecordLength(doc, batch)};
    }

    static Verdicts CsvToTxt(Document& doc, CChildView* view, const QString& text) {
        CCsvToTxt dlg(doc, view);
        dlg.ReplaceButton()->setChecked(true);
        dlg.TextEdit()->setText(text);
        const QString t = text.isEmpty() ? QStringLiteral("''") : text;
        return {ValidateCsvToTxt(dlg.Request()),
                ValidateCsvToTxt(
                    CsvToTxtRequestFrom(Parse("csv2txt", QStringLiteral("--separator ") + t)))};
    }

    static Verdicts TxtToCsv(Document& doc, CChildView* view, const QString& splits) {
        doc.View().split_positions.clear();
        for (const QString& c : splits.split(QLatin1Char(','), Qt::SkipEmptyParts))
            doc.View().split_positions.push_back(c.toInt());
        CTxtToCsv dlg(doc, view);
        // The batch command cannot be given no column at all: that is a usage error.
        const TxtToCsvRequest batch =
            splits.isEmpty()
                ? TxtToCsvRequest{{}, true}
                : TxtToCsvRequestFrom(Parse("txt2csv", QStringLiteral("--splits ") + splits));
        return {ValidateTxtToCsv(dlg.Request()), ValidateTxtToCsv(batch)};
    }

    // input: "" before a file is chosen, else "C,R" for the lookup's fields.
    static Verdicts TailAdd(Document& doc, CChildView* view, const QString& other) {
        CTailAdd dlg(doc, view);
        if (!other.isEmpty()) dlg.Preview()->LoadPreview(other);
        const QString file = other.isEmpty() ? QStringLiteral("''") : other;
        return {ValidateTailAdd(dlg.Request()),
                ValidateTailAdd(TailAddRequestFrom(
                    Parse("tailadd", QStringLiteral("--key 0 --other-key 0 --other ") + file)))};
    }

    static Verdicts Lookup(Document& doc, CChildView* view, const QString& fields) {
        const QString other = QString::fromStdString(doc.WorkingFileName());
        CCodeCng dlg(doc, view);
        dlg.Preview()->LoadPreview(other);
        const QStringList cr = fields.split(QLatin1Char(','));
        dlg.CompareBox()->setValue(cr[0].toInt());
        dlg.ReplacementBox()->setValue(cr[1].toInt());
        const auto batch = LookupRequestFrom(
            Parse("lookup", QStringLiteral("--target 0 --other %1 --compare %2 --replace %3")
                                .arg(other, cr[0], cr[1])));
        return {ValidateLookup(dlg.Request()), ValidateLookup(batch)};
    }

    // Pairs "before=after;..." typed into the lists, and saved as the set file.
    static Verdicts Replace(Document& doc, CChildView* view, const QString& pairs) {
        CCharCng dlg(doc, view);
        QString before, after;
        std::string set;
        for (const QString& pair : pairs.split(u';', Qt::SkipEmptyParts)) {
            const QString b = pair.section(u'=', 0, 0), a = pair.section(u'=', 1);
            before += b + u'\n';
            after += a + u'\n';
            set += Sjis(b.toUtf8().constData()) + "\x14" + Sjis(a.toUtf8().constData()) + "\r\n";
        }
        dlg.BeforeList()->setPlainText(before);
        dlg.AfterList()->setPlainText(after);
        const QFileInfo in(QString::fromStdString(doc.CurrentFileName()));
        const QString path = in.dir().filePath(QStringLiteral("set.cng"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(set.data(), qint64(set.size())) < 0)
            return {};
        file.close();
        Validation loaded;
        const auto batch = ReplaceRequestFrom(
            Parse("replace", QStringLiteral("--from 0 --to 1 --pairs ") + path), loaded);
        if (!loaded.Accepted()) return {loaded, loaded};
        return {ValidatePairs(dlg.Request(), doc.Messages()), ValidatePairs(batch, doc.Messages())};
    }

  private slots:
    void SameVerdict_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Check>("check");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("focus");
        const QByteArray csv = "ab,1\r\ncd,2\r\n";
        const auto none = static_cast<int>(Focus::None);
        const auto word = static_cast<int>(Focus::Word1);
        const auto fill = static_cast<int>(Focus::FillText);
        QTest::newRow("delete: no word") << csv << Check(LineDelete) << QString() << 30008 << word;
        QTest::newRow("delete: a word")
            << csv << Check(LineDelete) << QStringLiteral("山") << 0 << none;
        QTest::newRow("fieldlen: no fill")
            << csv << Check(FieldLength) << QStringLiteral("none") << 0 << none;
        QTest::newRow("fieldlen: empty fill")
            << csv << Check(FieldLength) << QString() << 30008 << fill;
        QTest::newRow("fieldlen: two bytes")
            << csv << Check(FieldLength) << QStringLiteral("ab") << 30032 << fill;
        QTest::newRow("fieldlen: double-byte")
            << csv << Check(FieldLength) << QStringLiteral("＊") << 30032 << fill;
        QTest::newRow("fieldlen: comma")
            << csv << Check(FieldLength) << QStringLiteral(",") << 30031 << fill;
        QTest::newRow("fieldlen: star")
            << csv << Check(FieldLength) << QStringLiteral("*") << 0 << none;
        QTest::newRow("reclen: longest, all alike")
            << csv << Check(RecordLength) << QStringLiteral("longest") << 30024 << none;
        QTest::newRow("reclen: longest") << QByteArray("a\r\nbcd\r\n") << Check(RecordLength)
                                         << QStringLiteral("longest") << 0 << none;
        QTest::newRow("reclen: given, all alike")
            << csv << Check(RecordLength) << QStringLiteral("given") << 0 << none;
        const auto separator = static_cast<int>(Focus::Separator);
        QTest::newRow("csv2txt: no text")
            << csv << Check(CsvToTxt) << QString() << 30008 << separator;
        QTest::newRow("csv2txt: a text")
            << csv << Check(CsvToTxt) << QStringLiteral("|") << 0 << none;
        const QByteArray fixed = "abcdef\r\n";
        QTest::newRow("txt2csv: no column")
            << fixed << Check(TxtToCsv) << QString() << 30017 << none;
        QTest::newRow("tailadd: no other file")
            << csv << Check(TailAdd) << QString() << 30023 << none;
        QTest::newRow("lookup: same fields")
            << csv << Check(Lookup) << QStringLiteral("1,1") << 30030 << none;
        QTest::newRow("lookup: two fields")
            << csv << Check(Lookup) << QStringLiteral("0,1") << 0 << none;
        QTest::newRow("txt2csv: columns")
            << fixed << Check(TxtToCsv) << QStringLiteral("4,2") << 0 << none;
        const auto before = static_cast<int>(Focus::BeforeList);
        const auto after = static_cast<int>(Focus::AfterList);
        QTest::newRow("replace: no pairs") << csv << Check(Replace) << QString() << 30008 << before;
        QTest::newRow("replace: empty before")
            << csv << Check(Replace) << QStringLiteral("=x") << 30027 << before;
        QTest::newRow("replace: comma after")
            << csv << Check(Replace) << QStringLiteral("a=x,y") << 30031 << after;
        QTest::newRow("replace: repeated")
            << csv << Check(Replace) << QStringLiteral("a=x;a=y") << 30044 << before;
        QTest::newRow("replace: ordered by the question")
            << csv << Check(Replace) << QStringLiteral("東=ひがし;東京=とうきょう;,=") << 0 << none;
    }

    // Numbers typed into a dialog's field box or range boxes ("s4": 4 into the
    // field or start box, "e6": 6 into the end box, in the order given), then
    // Start: the result is the batch command's with the same fields.
    void TypedFieldRunsAsTheBatchCommand_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("batch");
        QTest::newRow("sort") << "sort"
                              << "s2"
                              << "sort --key 2 in.csv";
        QTest::newRow("dedupe") << "dedupe"
                                << "s5"
                                << "dedupe --key 5 --mode 0 in.csv";
        QTest::newRow("fieldlen") << "fieldlen"
                                  << "s4"
                                  << "fieldlen --field 4 --length 2 in.csv";
        QTest::newRow("tailadd") << "tailadd"
                                 << "s4"
                                 << "tailadd --key 4 --other other.csv --other-key 0 in.csv";
        QTest::newRow("lookup")
            << "lookup"
            << "s4"
            << "lookup --target 4 --other other.csv --compare 0 --replace 1 in.csv";
        QTest::newRow("delete") << "delete"
                                << "e4 s4"
                                << "delete --from 4 --to 4 --word1 東京 --delete-matching in.csv";
        // Typed past the end, the start stops at the end.
        QTest::newRow("delete, start past the end")
            << "delete"
            << "e6 s7"
            << "delete --from 6 --to 6 --word1 東京 --delete-matching in.csv";
        QTest::newRow("replace") << "replace"
                                 << "e6"
                                 << "replace --pairs set.cng --from 1 --to 6 in.csv";
    }
    void TypedFieldRunsAsTheBatchCommand() {
        QFETCH(QString, dialog);
        QFETCH(QString, typed);
        QFETCH(QString, batch);
        const QString in = scratch_->Write(QStringLiteral("in.csv"), Sjis(kTyped));
        const QString other = scratch_->Write(QStringLiteral("other.csv"), Sjis(kTypedOther));
        scratch_->Write(QStringLiteral("set.cng"), Sjis("東京\x14TOKYO\r\n"));
        QVERIFY(h_->Open(in));
        // The view selects field 1: only the typed numbers can make the
        // results equal.
        Document& doc = *h_->doc;
        doc.View().sel_start = FieldIndex{1};
        doc.View().sel_end = FieldIndex{1};
        CChildView* view = h_->view.get();
        std::unique_ptr<COperationDlg> dlg;
        if (dialog == QStringLiteral("sort")) {
            dlg = std::make_unique<CSortDlg>(doc, view);
        } else if (dialog == QStringLiteral("dedupe")) {
            dlg = std::make_unique<CDblDel>(doc, view);
        } else if (dialog == QStringLiteral("fieldlen")) {
            auto d = std::make_unique<CFieldLen>(doc, view);
            d->LengthBox()->setValue(2);
            d->FillCheck()->setChecked(false);
            dlg = std::move(d);
        } else if (dialog == QStringLiteral("tailadd")) {
            auto d = std::make_unique<CTailAdd>(doc, view);
            QVERIFY(d->Preview()->LoadPreview(other));
            dlg = std::move(d);
        } else if (dialog == QStringLiteral("lookup")) {
            auto d = std::make_unique<CCodeCng>(doc, view);
            QVERIFY(d->Preview()->LoadPreview(other));
            d->CompareBox()->setValue(0);
            d->ReplacementBox()->setValue(1);
            dlg = std::move(d);
        } else if (dialog == QStringLiteral("delete")) {
            auto d = std::make_unique<CLineDel>(doc, view);
            d->Word1Edit()->setText(QStringLiteral("東京"));
            d->DeleteMatching()->setChecked(true);
            dlg = std::move(d);
        } else {
            auto d = std::make_unique<CCharCng>(doc, view);
            d->BeforeList()->setPlainText(QStringLiteral("東京"));
            d->AfterList()->setPlainText(QStringLiteral("TOKYO"));
            dlg = std::move(d);
        }
        for (const QString& step : typed.split(QLatin1Char(' '))) {
            CFieldSpin* box = step.startsWith(QLatin1Char('e')) ? dlg->EndBox() : dlg->FieldBox();
            box->selectAll();
            QTest::keyClicks(box, step.mid(1));
            // The typing ends as the next box is typed into.
            box->TakeTyped();
        }
        dlg->StartButton()->click();
        QVERIFY2(h_->messages.shown.isEmpty(), qPrintable(h_->messages.texts.join(u'|')));
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QFile working(QString::fromStdString(doc.WorkingFileName()));
        QVERIFY(working.open(QIODevice::ReadOnly));
        const std::string result = working.readAll().toStdString();
        QCOMPARE(result, BatchResult(batch, *scratch_));
    }

    void SameVerdict() {
        QFETCH(QByteArray, file);
        QFETCH(Check, check);
        QFETCH(QString, input);
        QFETCH(int, message);
        QFETCH(int, focus);
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("in.csv"), file.toStdString())));
        const Verdicts v = check(*h_->doc, h_->view.get(), input);
        QCOMPARE(v.dialog.message, message);
        QCOMPARE(v.batch.message, message);
        QCOMPARE(static_cast<int>(v.dialog.focus), focus);
        QCOMPARE(static_cast<int>(v.batch.focus), focus);
        QVERIFY(v.dialog.style == v.batch.style);
    }
};

QTEST_MAIN(RequestsTest)
#include "tst_requests.moc"
