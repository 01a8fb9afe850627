// The record view: geometry and colours on the pixels of the off-screen
// image, the scroll rules, the wheel and the font size.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "desktop_support.h"
#include "tesmora/document/record_index.h"

using namespace tesmora;
using namespace tesmora::desktop;
using namespace tesmora::desktop::testing;

namespace {

const std::string kSquare = "\x81\xA1";  // ■, a glyph that fills its two columns

// Rows start at y = 3 without the ruler; a character is 8 x 16 at 12 points.
constexpr int kCw = 8;
constexpr int kCh = 16;

QRect Cell(const CChildView& view, int row, int column, int columns = 1) {
    return QRect(view.LeftMargin() - view.HorizontalOffset() + column * kCw,
                 view.RowTop() + row * kCh, columns * kCw, kCh);
}

void Wheel(CChildView& view, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF at(20, 20);
    QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &event);
}

}  // namespace

class ViewTest : public ViewSuite {
    Q_OBJECT

  private:
    QString File(const QString& name, int count) {
        return scratch_->Write(name, Records(count, [](int) { return kSquare + kSquare; }));
    }

  private slots:

    void FontGeometryAtTwelvePoints() {
        QCOMPARE(h_->view->CharWidth(), kCw);
        QCOMPARE(h_->view->CharHeight(), kCh);
        QVERIFY2(!h_->view->FontFamily().isEmpty(), "no font");
    }

    void LeftMarginFollowsTheRecordCount_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("margin");
        QTest::newRow("9 records") << 9 << 2 * kCw + 3;
        QTest::newRow("10 records") << 10 << 3 * kCw + 3;
        QTest::newRow("99 records") << 99 << 3 * kCw + 3;
        QTest::newRow("100 records") << 100 << 4 * kCw + 3;
    }
    void LeftMarginFollowsTheRecordCount() {
        QFETCH(int, records);
        QFETCH(int, margin);
        h_->options.show_record_numbers = true;
        h_->SetClientSize(400, 200);
        QVERIFY(h_->Open(File("m.txt", records)));
        CChildView& view = *h_->view;
        QCOMPARE(view.LeftMargin(), margin);
        const QImage& image = view.Image();
        // The first record's ■ starts at the margin; the column before it is empty.
        const int y = view.RowTop() + kCh / 2;
        QVERIFY(Near(image.pixelColor(margin + kCw, y), colors::kText));
        QVERIFY(Near(image.pixelColor(margin - 1, y), colors::kBackground));
        // The green separator runs half a character left of the margin, all the way down.
        const int x = margin - kCw / 2;
        for (int yy : {0, 50, 199})
            QVERIFY(Near(image.pixelColor(x, yy), colors::kNumberSeparator));
        QVERIFY(!Near(image.pixelColor(x - 1, 50), colors::kNumberSeparator));
        // Without record numbers the records start at x = 3.
        h_->options.show_record_numbers = false;
        view.UpdateViewLayout();
        QCOMPARE(view.LeftMargin(), 3);
        QVERIFY(Near(view.Image().pixelColor(3 + kCw, y), colors::kText));
        QVERIFY(!Contains(view.Image(), QRect(0, 0, 400, 200), colors::kNumberSeparator));
    }

    void RecordNumbersAreRightAlignedInRed() {
        h_->options.show_record_numbers = true;
        h_->SetClientSize(400, 200);
        QVERIFY(h_->Open(File("n.txt", 10)));
        CChildView& view = *h_->view;
        const QImage& image = view.Image();
        auto number_cell = [&](int row, int digit) {
            return QRect(3 + digit * kCw, view.RowTop() + row * kCh, kCw, kCh);
        };
        // Record 1 is " 1": nothing in the tens column.
        QVERIFY(!HasInk(image, number_cell(0, 0), colors::kBackground));
        QVERIFY(Contains(image, number_cell(0, 1), colors::kRecordNumber, 60));
        // Record 10 fills both columns.
        QVERIFY(Contains(image, number_cell(9, 0), colors::kRecordNumber, 60));
        QVERIFY(Contains(image, number_cell(9, 1), colors::kRecordNumber, 60));
        // Numbers are red, never black; records are black, never red.
        QVERIFY(!Contains(image, QRect(3, view.RowTop(), 2 * kCw, 10 * kCh), colors::kText, 60));
        QVERIFY(!Contains(image, Cell(view, 0, 0, 4), colors::kRecordNumber, 60));
    }

    void RulerOverTwentyFiveColumns() {
        h_->options.show_ruler = true;
        h_->SetClientSize(400, 200);
        // 23 bytes + CR LF: the longest line length is 25.
        QVERIFY(h_->Open(scratch_->Write("r.txt", std::string(23, 'a') + "\r\nb\r\n")));
        CChildView& view = *h_->view;
        QCOMPARE(h_->doc->Stats().longest_line, 25);
        QCOMPARE(view.RowTop(), kCh + 3);
        const QImage& image = view.Image();
        const QColor ruler = colors::kRuler;
        for (int c = 0; c < 25; ++c) {
            const int x = 3 + c * kCw;
            const int y0 = c % 10 == 0 ? 0 : c % 5 == 0 ? kCh / 2 : kCh / 4 * 3;
            QVERIFY2(Near(image.pixelColor(x, y0), ruler), qPrintable(QString::number(c)));
            QVERIFY(Near(image.pixelColor(x, kCh - 1), ruler));
            // Above a shorter tick there is nothing but a label's digit.
            if (y0 > 0 && c != 11 && c != 21)
                QVERIFY2(Near(image.pixelColor(x, y0 - 1), colors::kBackground),
                         qPrintable(QString::number(c)));
        }
        // 25 ticks, no 26th; the base line ends with the last column.
        QVERIFY(!Contains(image, QRect(3 + 25 * kCw, 0, 3 * kCw, kCh), ruler, 60));
        QVERIFY(Near(image.pixelColor(3, kCh), ruler));
        QVERIFY(Near(image.pixelColor(3 + 25 * kCw - 1, kCh), ruler));
        QVERIFY(Near(image.pixelColor(3 + 25 * kCw, kCh), colors::kBackground));
        // Labels 1, 11 and 21 to the right of their ticks, in the ruler colour.
        for (int c : {0, 10, 20}) {
            const QRect label(3 + c * kCw + 2, 0, 2 * kCw - 2, kCh / 2);
            QVERIFY2(Contains(image, label.adjusted(1, 0, 0, 0), ruler, 60),
                     qPrintable(QString::number(c)));
        }
        // No label over the other columns.
        QVERIFY(!HasInk(image, QRect(3 + 5 * kCw + 1, 0, 3 * kCw, kCh / 2), colors::kBackground));
        // One row fewer fits below the ruler.
        QCOMPARE(view.VisibleRows(), 200 / kCh - 1);
    }

    void SelectionColours() {
        h_->SetClientSize(400, 200);
        const std::string fields = "A," + kSquare + "," + kSquare + "," + kSquare;
        QVERIFY(h_->Open(scratch_->Write("s.txt", fields + "\r\n" + kSquare + "\r\n")));
        CChildView& view = *h_->view;
        ViewState& state = h_->doc->View();
        state.sel_start = FieldIndex{1};
        state.sel_end = FieldIndex{2};
        view.RedrawView();
        const QImage& image = view.Image();
        // Field 0 at column 0, field 1 at 2-3, field 2 at 5-6, field 3 at 8-9.
        QVERIFY(Contains(image, Cell(view, 0, 0), colors::kText));
        QVERIFY(Contains(image, Cell(view, 0, 2, 2), colors::kSelectionStart));
        QVERIFY(!Contains(image, Cell(view, 0, 2, 2), colors::kSelectionEnd, 30));
        QVERIFY(Contains(image, Cell(view, 0, 5, 2), colors::kSelectionEnd));
        QVERIFY(!Contains(image, Cell(view, 0, 5, 2), colors::kSelectionStart, 30));
        QVERIFY(Contains(image, Cell(view, 0, 8, 2), colors::kText));
        QVERIFY(!Contains(image, Cell(view, 0, 8, 2), colors::kSelectionStart, 30));
        // The commas stay black.
        QVERIFY(!Contains(image, Cell(view, 0, 4), colors::kSelectionStart, 30));
        QVERIFY(!Contains(image, Cell(view, 0, 4), colors::kSelectionEnd, 30));
        // A record with fewer fields than the selection is all black.
        QVERIFY(Contains(image, Cell(view, 1, 0, 2), colors::kText));
        QVERIFY(!Contains(image, Cell(view, 1, 0, 2), colors::kSelectionStart, 30));
        // The same field at both ends shows the start colour.
        state.sel_end = FieldIndex{1};
        view.RedrawView();
        QVERIFY(Contains(view.Image(), Cell(view, 0, 2, 2), colors::kSelectionStart));
        QVERIFY(!Contains(view.Image(), QRect(0, 0, 400, 200), colors::kSelectionEnd, 30));
        // No selection: all black.
        state.sel_start = state.sel_end = FieldIndex{-1};
        view.RedrawView();
        QVERIFY(Contains(view.Image(), Cell(view, 0, 2, 2), colors::kText));
        QVERIFY(!Contains(view.Image(), QRect(0, 0, 400, 200), colors::kSelectionStart, 30));
    }

    void JapaneseTextKeepsItsColumns() {
        h_->SetClientSize(600, 100);
        // 髙 Ⅲ ㎝ need code page 932; ｱ is one column; every character starts
        // at its byte column.
        const std::string record = Sjis("髙Ⅲ㎝ｱ島A");
        QVERIFY(h_->Open(scratch_->Write("j.txt", record + "\r\n")));
        CChildView& view = *h_->view;
        const QImage& image = view.Image();
        const QColor bg = colors::kBackground;
        QVERIFY(HasInk(image, Cell(view, 0, 0, 2), bg));  // 髙
        QVERIFY(HasInk(image, Cell(view, 0, 2, 2), bg));  // Ⅲ
        QVERIFY(HasInk(image, Cell(view, 0, 4, 2), bg));  // ㎝
        QVERIFY(HasInk(image, Cell(view, 0, 6, 1), bg));  // ｱ
        QVERIFY(HasInk(image, Cell(view, 0, 7, 2), bg));  // 島
        QVERIFY(HasInk(image, Cell(view, 0, 9, 1), bg));  // A
        QVERIFY(!HasInk(image, Cell(view, 0, 10, 5), bg));
    }

    void FullWidthCharacterCoversTwoColumns() {
        h_->SetClientSize(400, 100);
        QVERIFY(h_->Open(scratch_->Write("w.txt", kSquare + "A" + kSquare + "\r\n")));
        CChildView& view = *h_->view;
        const QImage& image = view.Image();
        const int y = view.RowTop() + kCh / 2;
        // ■ in columns 0-1, A in column 2, ■ in columns 3-4.
        QVERIFY(Near(image.pixelColor(3 + kCw, y), colors::kText));
        QVERIFY(Near(image.pixelColor(3 + 4 * kCw, y), colors::kText));
        QVERIFY(!Near(image.pixelColor(3 + 2 * kCw + kCw / 2, view.RowTop() + 1), colors::kText));
        QVERIFY(!HasInk(image, Cell(view, 0, 5, 3), colors::kBackground));
    }

    void SplitModeBackgroundAndLines() {
        h_->SetClientSize(400, 200);
        QVERIFY(h_->Open(File("p.txt", 3)));
        CChildView& view = *h_->view;
        QVERIFY(Near(view.Image().pixelColor(300, 150), colors::kBackground));
        h_->doc->SetSplitMode(true);
        h_->doc->View().split_positions = {5};
        view.UpdateViewLayout();
        QVERIFY(Near(view.Image().pixelColor(300, 150), colors::kSplitModeBackground));
        const int x = 3 + 5 * kCw - 2;
        QVERIFY(Near(view.Image().pixelColor(x, 0), colors::kSplitLine));
        QVERIFY(Near(view.Image().pixelColor(x, 199), colors::kSplitLine));
    }

    void FewerRecordsThanRowsHaveNoScrollBar() {
        h_->SetClientSize(400, 10 * kCh);
        QVERIFY(h_->Open(File("f.txt", 9)));
        CChildView& view = *h_->view;
        QCOMPARE(view.VisibleRows(), 10);
        QVERIFY(!view.verticalScrollBar()->isVisible());
        h_->doc->View().top_record = RecordIndex{5};
        view.UpdateViewLayout();
        QCOMPARE(h_->doc->View().top_record.value, 0);
    }

    void AsManyRecordsAsRowsShowAnEmptyRange() {
        h_->SetClientSize(400, 10 * kCh);
        QVERIFY(h_->Open(File("e.txt", 10)));
        CChildView& view = *h_->view;
        QCOMPARE(view.VisibleRows(), 10);
        QVERIFY(view.verticalScrollBar()->isVisible());
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    }

    void ScrollRules() {
        h_->SetClientSize(400, 10 * kCh);
        QVERIFY(h_->Open(File("v.txt", 35)));
        CChildView& view = *h_->view;
        QScrollBar* bar = view.verticalScrollBar();
        QCOMPARE(view.VisibleRows(), 10);
        QVERIFY(!view.VerticalScaling());
        QCOMPARE(bar->maximum(), 25);
        auto top = [this] { return h_->doc->View().top_record.value; };
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(top(), 0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(top(), 1);
        QCOMPARE(bar->value(), 1);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(top(), 11);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(top(), 25);  // limited to the last page
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(top(), 25);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(top(), 15);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(top(), 0);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(top(), 25);
        QCOMPARE(bar->value(), 25);
        bar->setSliderPosition(7);  // dragging the box
        QCOMPARE(top(), 7);
        // The page drawn starts at the top record, found through the index.
        QCOMPARE(h_->doc->View().top_offset.value, 7 * 6);
        view.FirstPage();
        QCOMPARE(top(), 0);
        view.LastPage();
        QCOMPARE(top(), 25);
    }

    void FortyThousandRecordsMapOntoTheScrollLimit() {
        h_->SetClientSize(400, 30 * kCh);
        QVERIFY(h_->Open(File("big.txt", 40000)));
        CChildView& view = *h_->view;
        QScrollBar* bar = view.verticalScrollBar();
        QCOMPARE(view.VisibleRows(), 30);
        QVERIFY(view.VerticalScaling());
        QCOMPARE(view.VerticalRange(), std::int64_t{39970});
        QCOMPARE(bar->maximum(), kScrollLimit);
        // Dragging the box to the end shows record 39,971 first.
        bar->setSliderPosition(kScrollLimit);
        QCOMPARE(h_->doc->View().top_record.value, 39970);
        QCOMPARE(bar->value(), kScrollLimit);
        QCOMPARE(h_->doc->View().top_offset.value, h_->doc->RecordOffset(RecordIndex{39970}).value);
        // Halfway.
        bar->setSliderPosition(16384);
        const auto expected = static_cast<std::int64_t>(
            static_cast<double>(static_cast<float>(16384 / 32767.0)) * 39970);
        QCOMPARE(h_->doc->View().top_record.value, expected);
        // One line moves one record, not one step of the scaled bar.
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(h_->doc->View().top_record.value, expected + 1);
        QCOMPARE(bar->value(), static_cast<int>((expected + 1) / 39970.0 * 32767.0));
        view.LastPage();
        QCOMPARE(h_->doc->View().top_record.value, 39970);
        QCOMPARE(bar->value(), kScrollLimit);
    }

    void HorizontalScrolling() {
        h_->SetClientSize(400, 100);
        // 198 bytes + CR LF: 200 columns, wider than the view.
        QVERIFY(h_->Open(scratch_->Write("h.txt", kSquare + std::string(196, 'x') + "\r\n")));
        CChildView& view = *h_->view;
        QScrollBar* bar = view.horizontalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(view.HorizontalMax(), 200 * kCw - 400);
        const int y = view.RowTop() + kCh / 2;
        QVERIFY(Near(view.Image().pixelColor(3 + kCw, y), colors::kText));
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.HorizontalOffset(), kCw);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(view.HorizontalOffset(), 5 * kCw);
        QCOMPARE(bar->value(), 5 * kCw);
        // The image follows the offset: the ■ of columns 0-1 has left the window.
        QVERIFY(!Near(view.Image().pixelColor(3 + kCw, y), colors::kText));
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(view.HorizontalOffset(), view.HorizontalMax());
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(view.HorizontalOffset(), view.HorizontalMax());
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(view.HorizontalOffset(), 0);
        // A window wider than the records has no horizontal bar and no offset.
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        h_->SetClientSize(1700, 100);
        QCOMPARE(view.HorizontalOffset(), 0);
        QVERIFY(!bar->isVisible());
    }

    void WheelScrolls() {
        h_->SetClientSize(400, 10 * kCh);
        QVERIFY(h_->Open(File("wh.txt", 35)));
        CChildView& view = *h_->view;
        auto top = [this] { return h_->doc->View().top_record.value; };
        // Upward at the first record: no redraw.
        const_cast<QImage&>(view.Image()).fill(Qt::blue);
        Wheel(view, 120);
        QCOMPARE(top(), 0);
        QVERIFY(Near(view.Image().pixelColor(200, 100), Qt::blue));
        Wheel(view, -120);
        QCOMPARE(top(), 1);
        QVERIFY(Near(view.Image().pixelColor(200, 100), colors::kBackground));
        Wheel(view, -120, Qt::ShiftModifier);
        QCOMPARE(top(), 11);
        Wheel(view, -120, Qt::ShiftModifier);
        Wheel(view, -120, Qt::ShiftModifier);
        QCOMPARE(top(), 25);
        // Downward on the last page: no redraw.
        const_cast<QImage&>(view.Image()).fill(Qt::blue);
        Wheel(view, -120);
        QCOMPARE(top(), 25);
        QVERIFY(Near(view.Image().pixelColor(200, 100), Qt::blue));
        Wheel(view, 120, Qt::ShiftModifier);
        QCOMPARE(top(), 15);
        // A fine wheel moves once its turns add up to a notch.
        Wheel(view, 60);
        QCOMPARE(top(), 15);
        Wheel(view, 60);
        QCOMPARE(top(), 14);
    }

    void CtrlWheelChangesTheFontSizeWithinLimits() {
        h_->SetClientSize(400, 200);
        QVERIFY(h_->Open(File("c.txt", 3)));
        CChildView& view = *h_->view;
        QSignalSpy changed(&view, &CChildView::fontSizeChanged);
        Wheel(view, 120, Qt::ControlModifier);
        QCOMPARE(h_->options.font_size, 13);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.takeFirst().at(0).toInt(), 13);
        QCOMPARE(h_->settings.GetInt("Last", "FontSize", 0), 13);
        QCOMPARE(view.CharHeight(), 17);  // 13 pt at 96 dpi
        QCOMPARE(view.CharWidth(), 9);
        QCOMPARE(h_->doc->View().top_record.value, 0);  // Ctrl + wheel never scrolls

        view.SetFontSize(16);
        Wheel(view, 120, Qt::ControlModifier);
        QCOMPARE(h_->options.font_size, 16);
        QCOMPARE(changed.count(), 0);
        view.SetFontSize(8);
        Wheel(view, -120, Qt::ControlModifier);
        QCOMPARE(h_->options.font_size, 8);
        QCOMPARE(changed.count(), 0);
        Wheel(view, 120, Qt::ControlModifier);
        QCOMPARE(h_->options.font_size, 9);
        QCOMPARE(h_->settings.GetInt("Last", "FontSize", 0), 9);
    }

    void SetFontSizeRelaysOut() {
        h_->SetClientSize(400, 20 * kCh);
        QVERIFY(h_->Open(File("fs.txt", 100)));
        CChildView& view = *h_->view;
        QCOMPARE(view.VisibleRows(), 20);
        view.SetFontSize(16);  // 21 px rows
        QCOMPARE(view.CharHeight(), 21);
        QCOMPARE(view.VisibleRows(), 20 * kCh / 21);
        QCOMPARE(h_->settings.GetInt("Last", "FontSize", 0), 16);
    }

    void WithoutADocumentNothingScrolls() {
        h_->SetClientSize(400, 200);
        CChildView& view = *h_->view;
        Wheel(view, -120);
        Wheel(view, 120, Qt::ControlModifier);
        QCOMPARE(h_->options.font_size, 12);
        view.ScrollVertical(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(h_->doc->View().top_record.value, 0);
        QVERIFY(!view.verticalScrollBar()->isVisible());
        QVERIFY(!view.horizontalScrollBar()->isVisible());
    }

    void ClosingClearsTheView() {
        h_->SetClientSize(400, 5 * kCh);
        QVERIFY(h_->Open(File("cl.txt", 30)));
        CChildView& view = *h_->view;
        view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QVERIFY(HasInk(view.Image(), QRect(0, 0, 400, 5 * kCh), colors::kBackground));
        QVERIFY(h_->doc->CloseDocument());
        QVERIFY(!HasInk(view.Image(), view.Image().rect(), colors::kBackground));
        QCOMPARE(h_->doc->View().top_record.value, 0);
        QCOMPARE(view.HorizontalOffset(), 0);
        QVERIFY(!view.verticalScrollBar()->isVisible());
    }

    void HitTestingHooks() {
        h_->options.show_ruler = true;
        h_->SetClientSize(400, 10 * kCh);
        QVERIFY(h_->Open(File("ht.txt", 30)));
        CChildView& view = *h_->view;
        QCOMPARE(view.ColumnAt(3), 0);
        QCOMPARE(view.ColumnAt(3 + 3 * kCw + 1), 3);
        QCOMPARE(view.ColumnAt(2), -1);
        QCOMPARE(view.RowAt(kCh + 3), 0);
        QCOMPARE(view.RowAt(kCh + 3 + 2 * kCh), 2);
        QCOMPARE(view.RowAt(1), -1);
    }
};

QTEST_MAIN(ViewTest)
#include "tst_view.moc"
