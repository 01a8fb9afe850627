// Multiple split mode: the geometry of split lines, placing, moving and
// deleting them with the mouse at pixel positions, and how loading, closing
// and undo switch the mode.
#include <QAction>
#include <QApplication>
#include <QTest>
#include <algorithm>

#include "desktop_support.h"
#include "tesmora/app/varnel_app.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/view/split_lines.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

constexpr int kCw = 8;
const std::string kText =
    "abcdefghijklmnopqrstuvwxyz\r\n0123456789012345678901234567\r\nABCDEFGHIJ\r\n";

using Positions = QList<int>;

std::vector<int> Vec(const Positions& p) {
    return std::vector<int>(p.begin(), p.end());
}

// Columns of the image drawn in the split-line colour on row y.
QList<int> RedColumns(const QImage& image, int y) {
    QList<int> xs;
    for (int x = 0; x < image.width(); ++x)
        if (Near(image.pixelColor(x, y), colors::kSplitLine)) xs.append(x);
    return xs;
}

bool CopyRecords(Document& doc, TextWriter& out) {
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) out.WriteRecord(line.text);
    return true;
}

}  // namespace

class SplitTest : public ViewSuite {
    Q_OBJECT

  private:
    CChildView& View() { return *h_->view; }
    std::vector<int>& Lines() { return h_->doc->View().split_positions; }
    void OpenInMode(bool numbers = false) {
        h_->options.show_record_numbers = numbers;
        QVERIFY(h_->Open(scratch_->Write(QStringLiteral("t.txt"), kText)));
        h_->doc->SetSplitMode(true);
        View().UpdateViewLayout();
    }
    // Where DrawRecords puts the line of position p.
    int LineX(int p) { return View().LeftMargin() + p * kCw - 2; }

  protected:
    void SetUpTest() override { h_->SetClientSize(400, 200); }

  private slots:

    void Geometry_data() {
        QTest::addColumn<int>("cw");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("hmax");
        QTest::addColumn<Positions>("positions");
        QTest::addColumn<int>("dragged");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("drop");
        QTest::newRow("x 20 is column 2")
            << 8 << 0 << 0 << 0 << Positions{} << -1 << 20 << -1 << 16;
        QTest::newRow("column 0 gives the first split")
            << 8 << 0 << 0 << 0 << Positions{} << -1 << 5 << -1 << 8;
        QTest::newRow("number area gives the first split")
            << 8 << 0 << 24 << 0 << Positions{} << -1 << 10 << -1 << 8;
        QTest::newRow("scrolled") << 8 << 16 << 0 << 100 << Positions{} << -1 << 20 << -1 << 32;
        QTest::newRow("scrolled with numbers")
            << 8 << 16 << 24 << 100 << Positions{} << -1 << 40 << -1 << 32;
        QTest::newRow("beyond the window")
            << 8 << 0 << 0 << 0 << Positions{} << -1 << 420 << -1 << 392;
        QTest::newRow("at the end of wider content")
            << 8 << 200 << 0 << 200 << Positions{} << -1 << 401 << -1 << 600;
        QTest::newRow("beyond wider content")
            << 8 << 200 << 0 << 200 << Positions{} << -1 << 410 << -1 << 592;
        QTest::newRow("over a line, no drag")
            << 8 << 0 << 0 << 0 << Positions{2, 5} << -1 << 17 << 0 << kDropOnOtherLine;
        QTest::newRow("over another line")
            << 8 << 0 << 0 << 0 << Positions{2, 5} << 0 << 41 << 1 << kDropOnOtherLine;
        QTest::newRow("over its own line")
            << 8 << 0 << 0 << 0 << Positions{2, 5} << 1 << 47 << 1 << kDropOnOwnLine;
        QTest::newRow("next to a line")
            << 8 << 0 << 0 << 0 << Positions{2, 5} << 1 << 48 << -1 << 48;
        QTest::newRow("a width of 7")
            << 7 << 0 << 0 << 0 << Positions{2} << -1 << 20 << 0 << kDropOnOtherLine;
    }
    void Geometry() {
        QFETCH(int, cw);
        QFETCH(int, offset);
        QFETCH(int, area);
        QFETCH(int, hmax);
        QFETCH(Positions, positions);
        QFETCH(int, dragged);
        QFETCH(int, x);
        QFETCH(int, line);
        QFETCH(int, drop);
        const SplitGeometry g{cw, offset, area, hmax, 400};
        const std::vector<int> p = Vec(positions);
        QCOMPARE(SplitLineAt(g, p, x), line);
        QCOMPARE(SplitDropPosition(g, p, dragged, x), drop);
    }

    void CharacterWidth() {
        // Eight pixels at 12 points where the font gives it; every pixel
        // position below follows the measured width either way.
        QVERIFY(View().CharWidth() > 0);
        if (View().CharWidth() != kCw) QSKIP("the font is not 8 pixels wide at 12 points");
    }

    void PlaceByDoubleClick_data() {
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("column");
        QTest::newRow("x 20 splits after 2 bytes") << false << 20 << 2;
        QTest::newRow("column 0 splits after column 1") << false << 5 << 1;
        QTest::newRow("in the number area") << true << 10 << 1;
        QTest::newRow("right of the records, last full column") << false << 399 << 49;
        QTest::newRow("numbers shift the columns") << true << 16 + 40 << 5;
    }
    void PlaceByDoubleClick() {
        QFETCH(bool, numbers);
        QFETCH(int, x);
        QFETCH(int, column);
        if (View().CharWidth() != kCw) QSKIP("needs 8-pixel characters");
        OpenInMode(numbers);
        DoubleClick(View(), QPoint(x, 40));
        QCOMPARE(Lines(), std::vector<int>{column});
        // The red line over the whole client height, one pixel right of the
        // left edge of the column's hit zone; nothing is selected.
        const int lx = LineX(column);
        for (int y : {0, 100, 199})
            QVERIFY(Near(View().Image().pixelColor(lx, y), colors::kSplitLine));
        QCOMPARE(RedColumns(View().Image(), 100), QList<int>{lx});
        QCOMPARE(h_->doc->View().sel_start.value, -1);
        if (!numbers && x == 20) QCOMPARE(lx, 17);
    }

    void PlacingIsRefusedOnAnOccupiedColumn() {
        OpenInMode();
        DoubleClick(View(), QPoint(6 * kCw, 40));
        DoubleClick(View(), QPoint(2 * kCw + 3, 40));
        DoubleClick(View(), QPoint(2 * kCw, 40));           // same column
        DoubleClick(View(), QPoint(6 * kCw + kCw - 1, 5));  // same column, another row
        // Kept in the order placed.
        QCOMPARE(Lines(), (std::vector<int>{6, 2}));
        QCOMPARE(RedColumns(View().Image(), 150), (QList<int>{LineX(2), LineX(6)}));
    }

    void DragMovesALineWithFeedback() {
        OpenInMode();
        Lines() = {2, 6};
        View().RedrawView();
        const QPoint from(LineX(2), 50), to(100, 80);
        Mouse(View(), QEvent::MouseButtonPress, Qt::LeftButton, from, Qt::LeftButton);
        QCOMPARE(View().DraggedLine(), 0);
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, to, Qt::LeftButton);
        // A grey line two pixels wide over the window, not in the image.
        QCOMPARE(View().FeedbackRect(), QRect(99, 0, 2, 200));
        const QImage window = View().viewport()->grab().toImage();
        const QColor grey(128, 128, 128);
        for (int y : {0, 100, 199}) {
            QVERIFY(Near(window.pixelColor(99, y), grey));
            QVERIFY(Near(window.pixelColor(100, y), grey));
        }
        QVERIFY(!Near(window.pixelColor(98, 100), grey));
        QVERIFY(!Near(window.pixelColor(101, 100), grey));
        QVERIFY(!Contains(View().Image(), QRect(99, 0, 2, 200), grey));
        // The line itself stays until the button is released.
        QCOMPARE(Lines(), (std::vector<int>{2, 6}));
        // Moving on erases the previous feedback line.
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, QPoint(120, 80), Qt::LeftButton);
        const QImage moved = View().viewport()->grab().toImage();
        QVERIFY(!Near(moved.pixelColor(99, 100), grey));
        QVERIFY(Near(moved.pixelColor(120, 100), grey));

        Mouse(View(), QEvent::MouseButtonRelease, Qt::LeftButton, to);
        QCOMPARE(Lines(), (std::vector<int>{12, 6}));
        QCOMPARE(View().DraggedLine(), -1);
        QVERIFY(View().FeedbackRect().isEmpty());
        QCOMPARE(RedColumns(View().Image(), 100), (QList<int>{LineX(6), LineX(12)}));
        const QImage after = View().viewport()->grab().toImage();
        QVERIFY(!Contains(after, QRect(0, 0, 400, 200), grey));
    }

    void DropOnALine_data() {
        QTest::addColumn<int>("to");  // column the line at 2 is dropped on
        QTest::addColumn<Positions>("after");
        QTest::newRow("onto another line deletes it") << 6 << Positions{6};
        QTest::newRow("onto its own column changes nothing") << 2 << Positions{2, 6};
        QTest::newRow("onto a free column moves it") << 4 << Positions{4, 6};
    }
    void DropOnALine() {
        QFETCH(int, to);
        QFETCH(Positions, after);
        OpenInMode();
        Lines() = {2, 6};
        View().RedrawView();
        Drag(View(), QPoint(2 * kCw + 5, 30), QPoint(to * kCw + 1, 120));
        QCOMPARE(Lines(), Vec(after));
        QList<int> xs;
        for (int p : Vec(after)) xs.append(LineX(p));
        std::sort(xs.begin(), xs.end());
        QCOMPARE(RedColumns(View().Image(), 60), xs);
    }

    void DragPastTheWindowEdges() {
        OpenInMode();
        Lines() = {3};
        View().RedrawView();
        // Left of the window: the feedback stays at the edge, the line goes
        // to the first split.
        Drag(View(), QPoint(3 * kCw, 30), QPoint(-40, 30));
        QCOMPARE(Lines(), std::vector<int>{1});
        // Right of the window: the last full column.
        Drag(View(), QPoint(kCw + 2, 30), QPoint(450, 30));
        QCOMPARE(Lines(), std::vector<int>{(400 / kCw) - 1});
    }

    void HoverShowsTheSizingCursor() {
        OpenInMode();
        Lines() = {5};
        View().RedrawView();
        QCOMPARE(View().viewport()->cursor().shape(), Qt::ArrowCursor);
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, QPoint(5 * kCw + 3, 70));
        QCOMPARE(View().viewport()->cursor().shape(), Qt::SizeHorCursor);
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, QPoint(5 * kCw + kCw, 70));
        QCOMPARE(View().viewport()->cursor().shape(), Qt::ArrowCursor);
        // Without lines nothing changes the cursor.
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, QPoint(5 * kCw + 3, 70));
        Lines().clear();
        Mouse(View(), QEvent::MouseMove, Qt::NoButton, QPoint(5 * kCw + 3, 70));
        QCOMPARE(View().viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    void OutsideTheModeADoubleClickSelects_data() {
        QTest::addColumn<bool>("mode");
        QTest::addColumn<int>("lines");
        QTest::newRow("mode off") << false << 0;
        QTest::newRow("table full") << true << kMaxSplits;
    }
    void OutsideTheModeADoubleClickSelects() {
        QFETCH(bool, mode);
        QFETCH(int, lines);
        OpenInMode();
        h_->doc->SetSplitMode(mode);
        Lines().clear();
        for (int i = 0; i < lines; ++i) Lines().push_back(100 + i);
        View().UpdateViewLayout();
        DoubleClick(View(), QPoint(20, 10));
        QCOMPARE(static_cast<int>(Lines().size()), lines);
        QCOMPARE(h_->doc->View().sel_start.value, 0);
        QVERIFY(Contains(View().Image(), QRect(3, 3, 3 * kCw, 16), colors::kSelectionStart));
    }

    void ModeOffIgnoresTheLines() {
        OpenInMode();
        Lines() = {2};
        h_->doc->SetSplitMode(false);
        View().UpdateViewLayout();
        QVERIFY(RedColumns(View().Image(), 100).isEmpty());
        Drag(View(), QPoint(LineX(2), 30), QPoint(100, 30));
        QCOMPARE(Lines(), std::vector<int>{2});
        QCOMPARE(View().DraggedLine(), -1);
    }
};

// The mode through the main window: the offer on loading, the ribbon check
// and background, and the ends of the mode.
class SplitFrameTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<Scratch> scratch_;
    ScriptedMessages messages_;
    std::unique_ptr<CVarnelApp> app_;
    QString chosen_;

    CMainFrame& Frame() { return *app_->MainFrame(); }
    Document& Doc() { return app_->Doc(); }
    QAction* Mode() { return Frame().Action(ID_BUNKATU_MODE); }
    QColor Background() { return Frame().View()->Image().pixelColor(350, 150); }
    bool Open(const QString& path) {
        chosen_ = path;
        Frame().Action(ID_FILE_OPEN)->trigger();
        return Doc().IsOpen();
    }
    QString Fixed(const QString& name) { return scratch_->Write(name, kText); }

  private slots:
    void init() {
        scratch_ = std::make_unique<Scratch>();
        messages_.Clear();
        AppOptions options = ScratchAppOptions(*scratch_, messages_);
        app_ = std::make_unique<CVarnelApp>(options);
        QVERIFY(app_->InitInstance({}));
        Frame().SetFileChooser([this](FileDialogKind) { return chosen_; });
        Frame().resize(900, 600);
    }
    void cleanup() {
        app_.reset();
        scratch_.reset();
    }

    void LoadingOffersTheMode_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("mode");
        QTest::newRow("yes") << kIdYes << true;
        QTest::newRow("no") << kIdNo << false;
    }
    void LoadingOffersTheMode() {
        QFETCH(int, answer);
        QFETCH(bool, mode);
        messages_.Answer(30004, answer);
        QVERIFY(Open(Fixed("t.txt")));
        QVERIFY(messages_.Saw(30004));
        QCOMPARE(messages_.Saw(30012), mode);
        QCOMPARE(Doc().View().split_mode, mode);
        QVERIFY(Mode()->isEnabled());
        QCOMPARE(Mode()->isChecked(), mode);
        QVERIFY(Near(Background(), mode ? colors::kSplitModeBackground : colors::kBackground));
    }

    void CommaSeparatedFilesAreNotOffered() {
        QVERIFY(Open(scratch_->Write("c.csv", "a,b\r\n")));
        QVERIFY(!messages_.Saw(30004));
        QVERIFY(!Mode()->isEnabled());
    }

    void UndoAndCloseEndTheModeAndKeepTheLines() {
        messages_.Answer(30004, kIdYes);
        QVERIFY(Open(Fixed("t.txt")));
        CChildView& view = *Frame().View();
        DoubleClick(view, QPoint(20, 40));
        QCOMPARE(Doc().View().split_positions, std::vector<int>{2});
        // An operation keeps the mode; its undo ends it.
        QVERIFY(RunOperation(Doc(), CopyRecords));
        QVERIFY(Doc().View().split_mode);
        QTRY_VERIFY(Frame().Action(ID_EDIT_UNDO)->isEnabled());  // at idle time
        Frame().Action(ID_EDIT_UNDO)->trigger();
        QVERIFY(!Doc().View().split_mode);
        QVERIFY(!Mode()->isChecked());
        QVERIFY(Near(Background(), colors::kBackground));
        QVERIFY(RedColumns(view.Image(), 100).isEmpty());
        // Back on: the line is still there, and no question was asked.
        Mode()->trigger();
        QVERIFY(Mode()->isChecked());
        QCOMPARE(RedColumns(view.Image(), 100), QList<int>{17});
        QVERIFY(!messages_.Saw(30013));
        // Closing ends the mode too.
        messages_.Answer(30002, kIdNo);
        Frame().Action(ID_FILE_CLOSE)->trigger();
        QVERIFY(!Doc().View().split_mode);
        QVERIFY(!Mode()->isChecked());
        QVERIFY(!Mode()->isEnabled());
        // Another one-field file: the lines placed before are kept.
        messages_.Answer(30004, kIdYes);
        QVERIFY(Open(Fixed("u.txt")));
        QVERIFY(Mode()->isChecked());
        QCOMPARE(Doc().View().split_positions, std::vector<int>{2});
        QCOMPARE(RedColumns(view.Image(), 100), QList<int>{17});
    }

    void LeavingTheModeAsksAboutTheLines() {
        messages_.Answer(30004, kIdYes);
        QVERIFY(Open(Fixed("t.txt")));
        DoubleClick(*Frame().View(), QPoint(44, 40));
        messages_.Answer(30013, kIdNo);
        Mode()->trigger();
        QVERIFY(Mode()->isChecked());
        QCOMPARE(Doc().View().split_positions.size(), std::size_t{1});
        messages_.Answer(30013, kIdYes);
        Mode()->trigger();
        QVERIFY(!Mode()->isChecked());
        Mode()->trigger();
        QVERIFY(Doc().View().split_positions.empty());
        QVERIFY(RedColumns(Frame().View()->Image(), 100).isEmpty());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        SplitTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        SplitFrameTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}

#include "tst_split.moc"
