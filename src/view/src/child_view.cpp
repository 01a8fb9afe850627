#include "tesmora/view/child_view.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "tesmora/document/messages.h"
#include "tesmora/document/record_index.h"
#include "tesmora/ops/field_edit.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {
namespace {

constexpr quint32 kNotLooked = std::numeric_limits<quint32>::max();
constexpr int kMaxDroppedFiles = 100;
// A wheel notch; finer wheels (touchpads) add up to one before the view moves.
constexpr int kWheelNotch = 120;
// The drag feedback: a grey line two pixels wide.
const QColor kFeedbackLine{128, 128, 128};

// The face of the original program where it exists, else the Japanese
// gothic that ships with the desktop, else any fixed-pitch face.
QString PickFontFamily() {
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "IPAゴシック"}) {
        const QString family = QString::fromUtf8(name);
        if (families.contains(family, Qt::CaseInsensitive)) return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

// Points to pixels as the system rounds them (MulDiv).
int PointsToPixels(int points, int dpi) {
    return (points * dpi + 36) / 72;
}

int DecimalDigits(std::int64_t n) {
    int digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

}  // namespace

// Glyphs of one redraw gathered by colour, so a page costs a few draw calls.
struct CChildView::Glyphs {
    enum Colour { kBlack, kStart, kEnd, kNumber, kCount };
    struct Run {
        QList<quint32> index;
        QList<QPointF> at;
    };
    struct Missing {
        QPointF at;
        char16_t c;
        Colour colour;
    };
    Run runs[kCount];
    std::vector<Missing> missing;  // drawn with font fallback
};

CChildView::CChildView(Document& doc, ViewOptions& options, ISettingsStore& settings,
                       QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), options_(options), settings_(settings) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::ArrowCursor);
    // Hovering over a split line changes the cursor.
    viewport()->setMouseTracking(true);
    // The right button's release opens the field menu; no context-menu event
    // may reach the frame first.
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    font_family_ = PickFontFamily();
    MeasureFont();

    // The scroll bars only report what the user did; the rules below decide
    // where the view goes and put the boxes there.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (syncing_) return;
        ScrollVertical(action, verticalScrollBar()->sliderPosition());
        syncing_ = true;
        verticalScrollBar()->setSliderPosition(VerticalBox());
        syncing_ = false;
    });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (syncing_) return;
        ScrollHorizontal(action, horizontalScrollBar()->sliderPosition());
        syncing_ = true;
        horizontalScrollBar()->setSliderPosition(h_offset_);
        syncing_ = false;
    });
}

CChildView::~CChildView() {
    SetWaitCursor(false);
}

// ---- font and image ----

void CChildView::MeasureFont() {
    const int dpi = std::max(1, logicalDpiY());
    const int px = std::max(1, PointsToPixels(options_.font_size, dpi));
    font_ = QFont(font_family_);
    font_.setPixelSize(px);
    font_.setWeight(QFont::Normal);
    font_.setStyleHint(QFont::Monospace);
    raw_ = QRawFont::fromFont(font_);
    // The geometry of a fixed-pitch Japanese face: a half-width character is
    // half the character height wide, whatever face is installed, so a
    // double-byte character covers exactly two columns.
    char_height_ = px;
    char_width_ = std::max(1, (px + 1) / 2);
    ascent_ = raw_.isValid() ? std::min(px - 1, static_cast<int>(raw_.ascent() + 0.5)) : px * 7 / 8;

    QFont label(font_family_);
    const int label_px = std::max(1, PointsToPixels(8, dpi));
    label.setPixelSize(label_px);
    label_ = QRawFont::fromFont(label);
    label_width_ = std::max(1, (label_px + 1) / 2);
    label_ascent_ = label_.isValid() ? static_cast<int>(label_.ascent() + 0.5) : label_px * 7 / 8;

    if (!glyph_cache_) glyph_cache_ = std::make_unique<std::array<quint32, 65536>>();
    glyph_cache_->fill(kNotLooked);
    measured_size_ = options_.font_size;
}

quint32 CChildView::GlyphFor(char16_t c) {
    quint32& slot = (*glyph_cache_)[c];
    if (slot == kNotLooked) {
        const QChar ch(c);
        quint32 glyph = 0;
        int count = 1;
        if (!raw_.isValid() || !raw_.glyphIndexesForChars(&ch, 1, &glyph, &count) || count != 1)
            glyph = 0;
        slot = glyph;
    }
    return slot;
}

bool CChildView::EnsureImage() {
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize client = viewport()->size().expandedTo(QSize(1, 1));
    const QSize need(static_cast<int>(client.width() * dpr + 0.5),
                     static_cast<int>(client.height() * dpr + 0.5));
    if (image_.size() == need && image_.devicePixelRatio() == dpr) return true;
    QImage image(need, QImage::Format_RGB32);
    if (image.isNull()) {
        doc_.Message(kMsgNoMemory);
        return false;
    }
    image.setDevicePixelRatio(dpr);
    image_ = std::move(image);
    return true;
}

bool CChildView::CreateOffscreenImage(int /*columns*/) {
    // The image holds what the window shows and is drawn at the horizontal
    // offset, so its size follows the window, not the longest record: a file
    // of 5,000-byte records costs no more memory than a narrow one.
    MeasureFont();
    return EnsureImage();
}

QColor CChildView::BackgroundColor() const {
    return doc_.View().split_mode ? colors::kSplitModeBackground : colors::kBackground;
}

void CChildView::FillBackground() {
    image_.fill(BackgroundColor());
}

void CChildView::Repaint() {
    viewport()->update();
}

// ---- geometry ----

int CChildView::LeftMargin() const {
    if (!options_.show_record_numbers) return 3;
    const int digits = DecimalDigits(std::max<std::int64_t>(doc_.Stats().records, 1)) - 1;
    return (digits + 2) * char_width_ + 3;
}

int CChildView::RowTop() const {
    return options_.show_ruler ? char_height_ + 3 : 3;
}

int CChildView::ColumnAt(int x) const {
    const int image_x = x + h_offset_ - LeftMargin();
    return image_x < 0 ? -1 : image_x / char_width_;
}

int CChildView::RowAt(int y) const {
    const int dy = y - RowTop();
    if (dy < 0) return -1;
    const int row = dy / char_height_;
    return row < visible_rows_ ? row : -1;
}

// ---- drawing ----

void CChildView::DrawRuler(QPainter& painter, int left) {
    const int longest = doc_.Stats().longest_line;
    if (longest <= 0) return;
    const int cw = char_width_, ch = char_height_;
    const int width = viewport()->width();
    // Only the columns inside the window are drawn.
    const int first = std::max(0, -left / cw - 1);
    const int last = std::min(longest - 1, (width - left) / cw + 1);

    painter.setPen(QPen(colors::kRuler, 1));
    QList<QLine> ticks;
    for (int c = first; c <= last; ++c) {
        const int x = left + c * cw;
        const int y0 = c % 10 == 0 ? 0 : c % 5 == 0 ? ch / 2 : (ch / 4) * 3;
        ticks.append(QLine(x, y0, x, ch - 1));
    }
    painter.drawLines(ticks);
    painter.drawLine(left, ch, left + cw * longest - 1, ch);

    if (!label_.isValid()) return;
    QList<quint32> index;
    QList<QPointF> at;
    // A label reaches to the right of its column; start one label early.
    for (int c = std::max(0, first / 10 * 10 - 10); c <= last; c += 10) {
        char digits[16];
        const int n = std::snprintf(digits, sizeof digits, "%d", c + 1);
        for (int i = 0; i < n; ++i) {
            const QChar d(digits[i]);
            quint32 glyph = 0;
            int count = 1;
            if (label_.glyphIndexesForChars(&d, 1, &glyph, &count) && glyph != 0) {
                index.append(glyph);
                at.append(QPointF(left + c * cw + 2 + i * label_width_, label_ascent_));
            }
        }
    }
    if (index.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(label_);
    run.setGlyphIndexes(index);
    run.setPositions(at);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

void CChildView::DrawRecordText(Glyphs& glyphs, std::string_view record, int x0, int baseline) {
    const int start = doc_.View().sel_start.value;
    const int end = doc_.View().sel_end.value;
    const bool plain = start < 0 && end < 0;
    const int cw = char_width_;
    const int width = viewport()->width();
    int field = 0;
    int column = 0;
    for (std::size_t pos = 0, length = 0; pos < record.size(); pos += length) {
        const char16_t c = Cp932CharAt(record, pos, &length);
        const int x = x0 + column * cw;
        if (x >= width) break;
        const bool comma = length == 1 && record[pos] == ',';
        if (c != u' ' && x + 2 * cw > 0) {
            // The start field's colour wins when both ends are the same field.
            Glyphs::Colour colour = Glyphs::kBlack;
            if (!plain && !comma) {
                if (field == start)
                    colour = Glyphs::kStart;
                else if (field == end)
                    colour = Glyphs::kEnd;
            }
            const QPointF at(x, baseline);
            if (const quint32 glyph = GlyphFor(c)) {
                glyphs.runs[colour].index.append(glyph);
                glyphs.runs[colour].at.append(at);
            } else {
                glyphs.missing.push_back({at, c, colour});
            }
        }
        if (comma) ++field;
        column += static_cast<int>(length);
    }
}

int CChildView::DrawRecords(QPainter& painter) {
    const int cw = char_width_, ch = char_height_;
    const int margin = LeftMargin();
    const int left = margin - h_offset_;
    const int row_top = RowTop();
    const int client_height = viewport()->height();
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (options_.show_ruler) DrawRuler(painter, left);

    ViewState& view = doc_.View();
    const Statistics& stats = doc_.Stats();
    const std::int64_t top = view.top_record.value;
    const ByteOffset offset = doc_.RecordOffset(view.top_record);
    view.top_offset = offset;
    Glyphs glyphs;
    const std::int64_t rows = std::min<std::int64_t>(visible_rows_, stats.records - top);
    if (rows > 0 && offset.value >= 0 && doc_.WorkingFile().Seek(offset.value)) {
        // A page of records is small; read just about that much.
        const std::size_t want =
            static_cast<std::size_t>(rows) * static_cast<std::size_t>(stats.longest_line + 2);
        TextReader reader(doc_.WorkingFile(), std::clamp<std::size_t>(want, 4096, 1 << 16),
                          2 * kMaxLineLength);
        const int number_width = DecimalDigits(std::max<std::int64_t>(stats.records, 1));
        Line line;
        for (int r = 0; r < rows && reader.Next(line); ++r) {
            const int y = row_top + r * ch;
            const int baseline = y + ascent_;
            if (options_.show_record_numbers) {
                char number[32];
                const int n = std::snprintf(number, sizeof number, "%*lld", number_width,
                                            static_cast<long long>(top + r + 1));
                for (int i = 0; i < n; ++i) {
                    if (number[i] == ' ') continue;
                    const quint32 glyph = GlyphFor(static_cast<char16_t>(number[i]));
                    const QPointF at(3 - h_offset_ + i * cw, baseline);
                    if (glyph) {
                        glyphs.runs[Glyphs::kNumber].index.append(glyph);
                        glyphs.runs[Glyphs::kNumber].at.append(at);
                    } else {
                        glyphs.missing.push_back(
                            {at, static_cast<char16_t>(number[i]), Glyphs::kNumber});
                    }
                }
            }
            DrawRecordText(glyphs, line.text, left, baseline);
        }
    }

    static const QColor* const kColours[Glyphs::kCount] = {
        &colors::kText, &colors::kSelectionStart, &colors::kSelectionEnd, &colors::kRecordNumber};
    for (int i = 0; i < Glyphs::kCount; ++i) {
        const Glyphs::Run& r = glyphs.runs[i];
        if (r.index.isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(raw_);
        run.setGlyphIndexes(r.index);
        run.setPositions(r.at);
        painter.setPen(*kColours[i]);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    if (!glyphs.missing.empty()) {
        painter.setFont(font_);
        for (const Glyphs::Missing& m : glyphs.missing) {
            painter.setPen(*kColours[m.colour]);
            painter.drawText(m.at, QString(QChar(m.c)));
        }
    }

    if (view.split_mode && !view.split_positions.empty()) {
        painter.setPen(QPen(colors::kSplitLine, 1));
        for (int p : view.split_positions) {
            const int x = margin + p * cw - 2 - h_offset_;
            painter.drawLine(x, 0, x, client_height - 1);
        }
    }
    if (options_.show_record_numbers) {
        painter.setPen(QPen(colors::kNumberSeparator, 1));
        const int x = margin - cw / 2 - h_offset_;
        painter.drawLine(x, 0, x, client_height - 1);
    }
    return 1;
}

// ---- the refresh entry points ----

void CChildView::UpdateViewLayout() {
    // Showing or hiding a scroll bar resizes the client area, which lays the
    // view out again; do that here, not nested.
    if (in_layout_) {
        relayout_ = true;
        return;
    }
    in_layout_ = true;
    for (int pass = 0; pass < 4; ++pass) {
        relayout_ = false;
        Layout();
        if (!relayout_) break;
    }
    in_layout_ = false;
}

void CChildView::Layout() {
    // Repainting from the image removes a drag's feedback line.
    feedback_ = QRect();
    if (!EnsureImage()) return;
    FillBackground();
    if (!doc_.IsOpen()) {
        Repaint();
        return;
    }
    if (measured_size_ != options_.font_size) MeasureFont();
    const int cw = char_width_, ch = char_height_;
    const QSize client = viewport()->size();
    const Statistics& stats = doc_.Stats();

    const std::int64_t content = static_cast<std::int64_t>(cw) * stats.longest_line +
                                 (options_.show_record_numbers ? 10 * cw : 0);
    QScrollBar* hbar = horizontalScrollBar();
    if (client.width() > content) {
        h_max_ = 0;
        h_offset_ = 0;
    } else {
        h_max_ = static_cast<int>(content - client.width());
        h_offset_ = std::min(h_offset_, h_max_);
    }
    syncing_ = true;
    hbar->setRange(0, h_max_);
    hbar->setSingleStep(cw);
    hbar->setPageStep(std::max(1, client.width()));
    syncing_ = false;
    setHorizontalScrollBarPolicy(client.width() > content ? Qt::ScrollBarAlwaysOff
                                                          : Qt::ScrollBarAlwaysOn);

    visible_rows_ = std::max(0, client.height() / ch - (options_.show_ruler ? 1 : 0));
    ViewState& view = doc_.View();
    QScrollBar* vbar = verticalScrollBar();
    if (stats.records < visible_rows_) {
        view.top_record = RecordIndex{0};
        v_scaling_ = false;
        v_range_ = 0;
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        const std::int64_t n = stats.records - visible_rows_;
        v_scaling_ = n > kScrollLimit;
        v_range_ = n;
        const int maximum = v_scaling_ ? kScrollLimit : static_cast<int>(n);
        syncing_ = true;
        vbar->setRange(0, maximum);
        vbar->setSingleStep(1);
        vbar->setPageStep(
            v_scaling_
                ? std::max<int>(1, static_cast<int>(static_cast<std::int64_t>(visible_rows_) *
                                                    kScrollLimit / n))
                : std::max(1, visible_rows_));
        syncing_ = false;
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        if (view.top_record.value > n) view.top_record = RecordIndex{n};
    }

    {
        QPainter painter(&image_);
        DrawRecords(painter);
    }
    SyncScrollBoxes();
    Repaint();
}

void CChildView::RedrawView() {
    feedback_ = QRect();
    if (!EnsureImage()) return;
    FillBackground();
    if (!doc_.IsOpen()) return;
    if (measured_size_ != options_.font_size) MeasureFont();
    {
        QPainter painter(&image_);
        DrawRecords(painter);
    }
    Repaint();
    SyncScrollBoxes();
}

void CChildView::ClearView() {
    EnsureImage();
    FillBackground();
    h_offset_ = 0;
    h_max_ = 0;
    v_scaling_ = false;
    v_range_ = 0;
    visible_rows_ = 0;
    SyncScrollBoxes();
    // Nothing to scroll without a document.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->repaint();
}

void CChildView::ResetScroll() {
    h_offset_ = 0;
    SyncScrollBoxes();
}

void CChildView::SetWaitCursor(bool on) {
    if (on == wait_cursor_) return;
    wait_cursor_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    QApplication::restoreOverrideCursor();
    if (layout_pending_) {
        layout_pending_ = false;
        UpdateViewLayout();
    }
}

void CChildView::SetFontSize(int points) {
    if (points == options_.font_size) return;
    options_.font_size = points;
    if (!CreateOffscreenImage(doc_.Stats().longest_line)) return;
    last::StoreFontSize(settings_, points);
    UpdateViewLayout();
}

// ---- scrolling ----

int CChildView::VerticalBox() const {
    const std::int64_t top = doc_.View().top_record.value;
    if (!v_scaling_) return static_cast<int>(std::min<std::int64_t>(top, kScrollLimit));
    const double box = static_cast<double>(top) / static_cast<double>(v_range_) * kScrollLimit;
    return std::min(kScrollLimit, static_cast<int>(box));
}

void CChildView::SyncScrollBoxes() {
    syncing_ = true;
    horizontalScrollBar()->setValue(h_offset_);
    verticalScrollBar()->setValue(VerticalBox());
    syncing_ = false;
}

void CChildView::SetTopRecord(std::int64_t top) {
    if (top == doc_.View().top_record.value) return;
    doc_.View().top_record = RecordIndex{top};
    RedrawView();
}

void CChildView::ScrollVertical(int action, int thumb) {
    if (!doc_.IsOpen()) return;
    const std::int64_t top = doc_.View().top_record.value;
    const std::int64_t bottom = doc_.Stats().records - visible_rows_;
    auto down_to = [bottom](std::int64_t t) {
        return std::max<std::int64_t>(0, std::min(t, bottom));
    };
    std::int64_t next = top;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            next = std::max<std::int64_t>(0, top - 1);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            next = down_to(top + 1);
            break;
        case QAbstractSlider::SliderPageStepSub:
            next = std::max<std::int64_t>(0, top - visible_rows_);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            next = down_to(top + visible_rows_);
            break;
        case QAbstractSlider::SliderMove:
            if (v_scaling_) {
                // The box position as a fraction, rounded to single precision.
                const float fraction =
                    static_cast<float>(thumb / static_cast<double>(kScrollLimit));
                next = static_cast<std::int64_t>(static_cast<double>(fraction) *
                                                 static_cast<double>(v_range_));
            } else {
                next = thumb;
            }
            next = down_to(next);
            break;
        case QAbstractSlider::SliderToMinimum:
            next = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            next = std::max<std::int64_t>(0, bottom);
            break;
        default:
            break;
    }
    SetTopRecord(next);
}

void CChildView::ScrollHorizontal(int action, int thumb) {
    if (!doc_.IsOpen()) return;
    const int cw = char_width_;
    int next = h_offset_;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            next = std::max(0, h_offset_ - cw);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            next = std::min(h_offset_ + cw, h_max_);
            break;
        case QAbstractSlider::SliderPageStepSub:
            next = std::max(0, h_offset_ - 4 * cw);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            next = std::min(h_offset_ + 4 * cw, h_max_);
            break;
        case QAbstractSlider::SliderMove:
            next = std::clamp(thumb, 0, h_max_);
            break;
        case QAbstractSlider::SliderToMinimum:
            next = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            next = h_max_;
            break;
        default:
            break;
    }
    if (next == h_offset_) return;
    h_offset_ = next;
    RedrawView();
}

void CChildView::FirstPage() {
    if (!doc_.IsOpen()) return;
    doc_.View().top_record = RecordIndex{0};
    RedrawView();
}

void CChildView::LastPage() {
    if (!doc_.IsOpen()) return;
    const std::int64_t bottom = doc_.Stats().records - visible_rows_;
    doc_.View().top_record = RecordIndex{std::max<std::int64_t>(0, bottom)};
    RedrawView();
}

bool CChildView::WheelStep(int delta) {
    // A mouse sends a notch per event; a touchpad's small deltas are added up
    // to one. One event never moves more than one step.
    if ((delta > 0) != (wheel_rest_ > 0)) wheel_rest_ = 0;
    wheel_rest_ += delta;
    if (std::abs(wheel_rest_) < kWheelNotch) return false;
    wheel_rest_ = 0;
    return true;
}

void CChildView::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!doc_.IsOpen()) return;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool no_button = event->buttons() == Qt::NoButton;
    int delta = event->angleDelta().y();
    // Some systems turn Shift + wheel into a sideways turn.
    if (delta == 0 && mods == Qt::ShiftModifier) delta = event->angleDelta().x();
    if (delta == 0 || !WheelStep(delta)) return;

    if (mods == Qt::ControlModifier && no_button) {
        const int size =
            std::clamp(options_.font_size + (delta < 0 ? -1 : 1), kMinFontSize, kMaxFontSize);
        if (size != options_.font_size) {
            SetFontSize(size);
            emit fontSizeChanged(size);
        }
        return;
    }
    const std::int64_t step = mods == Qt::ShiftModifier && no_button ? visible_rows_ : 1;
    const std::int64_t top = doc_.View().top_record.value;
    const std::int64_t bottom = doc_.Stats().records - visible_rows_;
    std::int64_t next;
    if (delta > 0) {
        if (top == 0) return;
        next = top - step;
    } else {
        if (top == bottom) return;
        next = top + step;
    }
    next = std::max<std::int64_t>(0, std::min(next, bottom));
    doc_.View().top_record = RecordIndex{next};
    RedrawView();
}

// ---- window events ----

void CChildView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (doc_.IsOpen() && !image_.isNull()) {
        // Resized while work runs: what the image does not cover is blank.
        const QRect covered(QPoint(0, 0), image_.deviceIndependentSize().toSize());
        for (const QRect& r : QRegion(event->rect()).subtracted(covered))
            painter.fillRect(r, palette().color(QPalette::Base));
        painter.drawImage(event->rect().topLeft(), image_,
                          QRectF(QPointF(event->rect().topLeft()) * image_.devicePixelRatio(),
                                 QSizeF(event->rect().size()) * image_.devicePixelRatio()));
        if (!feedback_.isEmpty()) painter.fillRect(feedback_ & event->rect(), kFeedbackLine);
    } else {
        painter.fillRect(event->rect(), palette().color(QPalette::Base));
    }
}

void CChildView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    // While work runs in the document its files are not ours to read: the
    // image stands as it is until the work ends.
    if (wait_cursor_) {
        layout_pending_ = true;
        viewport()->update();
        return;
    }
    UpdateViewLayout();
}

void CChildView::scrollContentsBy(int, int) {
    // The image is redrawn at the new offsets; nothing to move.
}

void CChildView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CChildView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CChildView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    QStringList paths;
    const int n = std::min<int>(static_cast<int>(urls.size()), kMaxDroppedFiles);
    for (int i = 0; i < n; ++i) {
        if (!urls[i].isLocalFile()) continue;
        const QString path = urls[i].toLocalFile();
        if (path.isEmpty() || QFileInfo(path).isDir()) continue;
        paths.append(path);
    }
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

// ---- field selection ----

int CChildView::NumberArea() const {
    return options_.show_record_numbers ? LeftMargin() - 3 : 0;
}

FieldIndex CChildView::FieldAt(int x, int y) {
    const double content_x = static_cast<double>(x) + h_offset_ - NumberArea();
    const int columns = static_cast<int>(content_x / char_width_) + 1;
    const double content_y = static_cast<double>(y) - (options_.show_ruler ? char_height_ : 0);
    const int row = static_cast<int>(content_y / char_height_) + 1;
    return FieldAtCell(doc_, columns, row);
}

void CChildView::SelectField(FieldIndex f) {
    if (tesmora::SelectField(doc_.View(), f)) doc_.ViewSink().RedrawView();
}

void CChildView::ClampSelectionStart() {
    if (tesmora::ClampSelectionStart(doc_.View(), doc_.Stats().most_fields))
        doc_.ViewSink().RedrawView();
}

bool CChildView::OnFieldCommand(int id) {
    return RunFieldCommand(doc_, id, menu_field_);
}

void CChildView::ShowFieldMenu(const QPoint& global) {
    QMenu menu(this);
    const ViewState& state = doc_.View();
    for (const MenuItem& item : PopupItems(PopupFor(state, menu_field_))) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(MessageText(item.id)));
        action->setData(item.id);
        action->setEnabled(IsCommandEnabled(state, item.id));
    }
    QAction* chosen = nullptr;
    if (run_menu_) {
        chosen = run_menu_(menu, global);
    } else {
        // Centred horizontally on the mouse.
        chosen = menu.exec(global - QPoint(menu.sizeHint().width() / 2, 0));
    }
    if (chosen && chosen->isEnabled()) OnFieldCommand(chosen->data().toInt());
}

void CChildView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && doc_.IsOpen() &&
        doc_.View().sel_start.value != -1) {
        const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
        if (MoveSelection(doc_.View(), key == Qt::Key_Left ? -1 : 1, ctrl,
                          doc_.Stats().most_fields))
            doc_.ViewSink().RedrawView();
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- multiple split mode ----

SplitGeometry CChildView::CurrentSplitGeometry() const {
    SplitGeometry g;
    g.char_width = char_width_;
    g.h_offset = h_offset_;
    g.number_area = NumberArea();
    g.h_max = h_max_;
    g.client_width = viewport()->width();
    return g;
}

int CChildView::SplitLineAt(int x) const {
    return desktop::SplitLineAt(CurrentSplitGeometry(), doc_.View().split_positions, x);
}

int CChildView::SplitDropPosition(int x) const {
    return desktop::SplitDropPosition(CurrentSplitGeometry(), doc_.View().split_positions,
                                      dragged_line_, x);
}

void CChildView::DragSplitLine(int x) {
    const int height = viewport()->height();
    x = std::clamp(x, 0, viewport()->width());
    const QRect next(x - 1, 0, 2, height);
    if (!feedback_.isEmpty()) viewport()->update(feedback_);
    feedback_ = next;
    viewport()->update(feedback_);
}

void CChildView::EndDrag() {
    dragged_line_ = -1;
    if (!feedback_.isEmpty()) viewport()->update(feedback_);
    feedback_ = QRect();
}

void CChildView::mousePressEvent(QMouseEvent* event) {
    const ViewState& view = doc_.View();
    if (event->button() == Qt::LeftButton && doc_.IsOpen() && view.split_mode &&
        !view.split_positions.empty()) {
        const int i = SplitLineAt(static_cast<int>(event->position().x()));
        if (i >= 0) dragged_line_ = i;
        event->accept();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CChildView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    if (!doc_.IsOpen()) return;
    const QPoint at = event->position().toPoint();
    ViewState& view = doc_.View();
    if (view.split_mode && static_cast<int>(view.split_positions.size()) < kMaxSplits) {
        const int px = SplitDropPosition(at.x());
        if (px > 1) {
            view.split_positions.push_back(px / char_width_);
            doc_.ViewSink().RedrawView();
        }
        return;
    }
    SelectField(FieldAt(at.x(), at.y()));
}

void CChildView::mouseMoveEvent(QMouseEvent* event) {
    const ViewState& view = doc_.View();
    const int x = static_cast<int>(event->position().x());
    if (doc_.IsOpen() && view.split_mode && !view.split_positions.empty()) {
        if (dragged_line_ >= 0)
            DragSplitLine(x);
        else
            viewport()->setCursor(SplitLineAt(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
    } else if (viewport()->cursor().shape() != Qt::ArrowCursor) {
        // The mode ended while the cursor was over a line.
        viewport()->setCursor(Qt::ArrowCursor);
    }
    event->accept();
}

void CChildView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        event->accept();
        menu_field_ = doc_.IsOpen() ? FieldAt(at.x(), at.y()) : FieldIndex{-1};
        if (menu_field_.value != -1) ShowFieldMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || dragged_line_ < 0) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    viewport()->setCursor(Qt::ArrowCursor);
    ViewState& view = doc_.View();
    const int dragged = dragged_line_;
    // The mode may have ended or the lines changed (undo, close) while the
    // button was held; then the drag is dropped without a change.
    if (doc_.IsOpen() && view.split_mode &&
        dragged < static_cast<int>(view.split_positions.size())) {
        const int r = SplitDropPosition(at.x());
        if (r == kDropOnOtherLine)
            view.split_positions.erase(view.split_positions.begin() + dragged);
        else if (r != kDropOnOwnLine)
            view.split_positions[static_cast<std::size_t>(dragged)] = r / char_width_;
    }
    EndDrag();
    doc_.ViewSink().RedrawView();
}

}  // namespace tesmora::desktop
