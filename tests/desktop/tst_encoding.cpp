// UTF-8 files in the program: they draw as their Shift-JIS twins, the status
// bar names the encoding, Save keeps it, Save As changes it, and a refused
// file leaves nothing behind.
#include <QDir>
#include <QFile>
#include <QTest>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/ops/sort.h"
#include "tesmora/view/child_view.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kUtf8 = "3,東京都〜港区,ｱｲｳ\r\n1,髙島屋,Ⅲ㎝\r\n2,大阪,−1\r\n";

}  // namespace

class EncodingTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Scratch> scratch_;
    ScriptedMessages messages_;
    std::unique_ptr<CVarnelApp> app_;
    FileChoice chosen_;

    CMainFrame& Frame() { return *app_->MainFrame(); }
    Document& Doc() { return app_->Doc(); }
    void Trigger(int id) { Frame().Action(id)->trigger(); }
    bool Open(const QString& path, std::optional<Encoding> as = std::nullopt) {
        chosen_ = FileChoice(path, as);
        Trigger(ID_FILE_OPEN);
        return Doc().IsOpen();
    }

  private slots:
    void init() {
        scratch_ = std::make_unique<Scratch>();
        messages_.Clear();
        app_ = std::make_unique<CVarnelApp>(ScratchAppOptions(*scratch_, messages_));
        QVERIFY(app_->InitInstance({}));
        Frame().SetFileChooser([this](FileDialogKind) { return chosen_; });
    }
    void cleanup() {
        app_.reset();
        scratch_.reset();
    }

    void DrawsAsItsShiftJisTwin() {
        ViewHarness utf8, sjis;
        for (ViewHarness* h : {&utf8, &sjis}) h->SetClientSize(500, 120);
        QVERIFY(utf8.Open(scratch_->Write("u.csv", kBom + kUtf8)));
        QVERIFY(sjis.Open(scratch_->Write("s.csv", Sjis(kUtf8.c_str()))));
        QCOMPARE(utf8.doc->FileEncoding(), Encoding::Utf8Bom);
        QCOMPARE(utf8.view->Image(), sjis.view->Image());
    }

    void OperationAndSaveKeepUtf8() {
        const QString path = scratch_->Write("u.csv", kBom + kUtf8);
        QVERIFY(Open(path));
        QCOMPARE(Frame().StatusBar()->EncodingText(), QStringLiteral("UTF-8 (BOM)"));
        QVERIFY(RunSort(Doc(), SortRequest{}));
        Trigger(ID_FILE_SAVE);
        QCOMPARE(ReadFile(path), kBom + "1,髙島屋,Ⅲ㎝\r\n2,大阪,−1\r\n3,東京都〜港区,ｱｲｳ\r\n");
    }

    void SaveAsShiftJisChangesTheEncoding() {
        QVERIFY(Open(scratch_->Write("u.csv", kUtf8)));
        QCOMPARE(Frame().StatusBar()->EncodingText(), QStringLiteral("UTF-8"));
        const QString target = scratch_->Path("s.csv");
        chosen_ = FileChoice(target, Encoding::ShiftJis);
        Trigger(ID_FILE_SAVE_AS);
        QCOMPARE(ReadFile(target), Sjis(kUtf8.c_str()));
        QCOMPARE(Doc().FileEncoding(), Encoding::ShiftJis);
        QCOMPARE(Frame().StatusBar()->EncodingText(), QStringLiteral("Shift-JIS"));
    }

    void OpenAsAChosenEncoding() {
        // Six bytes that read as UTF-8 ("恋") are Shift-JIS by choice.
        QVERIFY(Open(scratch_->Write("short.csv", "\xE6\x81\x8B,1\r\n"), Encoding::ShiftJis));
        QCOMPARE(Frame().StatusBar()->EncodingText(), QStringLiteral("Shift-JIS"));
        // Five bytes and the line break; as UTF-8 it would be four.
        QCOMPARE(Doc().Stats().longest_line, 7);
    }

    void RefusedFileLeavesNothing() {
        QVERIFY(!Open(scratch_->Write("bad.csv", "1,a\r\n2,𠮷\r\n")));
        QVERIFY(messages_.Saw(kMsgNotInCodePage));
        QVERIFY(!Doc().IsOpen());
        QCOMPARE(scratch_->TempFiles(), QStringList());
        QCOMPARE(Frame().StatusBar()->EncodingText(), QString());
    }
};

QTEST_MAIN(EncodingTest)
#include "tst_encoding.moc"
