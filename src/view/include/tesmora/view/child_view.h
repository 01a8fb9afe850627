#pragma once
// The record view: the records of the working file one per row, drawn into an
// off-screen image and copied to the window. Only the rows shown are read
// (one seek through the record index file per redraw), so files of any
// length scroll alike.
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRawFont>
#include <QRect>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "tesmora/document/document.h"
#include "tesmora/view/split_lines.h"
#include "tesmora/view/view_options.h"

class QAction;
class QMenu;
class QPainter;

namespace tesmora::desktop {

namespace colors {
inline const QColor kBackground{255, 255, 255};
inline const QColor kSplitModeBackground{255, 249, 189};
inline const QColor kRuler{47, 54, 153};
inline const QColor kRecordNumber{255, 0, 0};
inline const QColor kText{0, 0, 0};
inline const QColor kSelectionStart{0, 164, 0};
inline const QColor kSelectionEnd{255, 128, 255};
inline const QColor kSplitLine{255, 0, 0};
inline const QColor kNumberSeparator{0, 255, 0};
}  // namespace colors

// Command ids the view handles.
inline constexpr int ID_FIRST_PAGE = 33806;  // Ctrl+Home
inline constexpr int ID_LAST_PAGE = 33805;   // Ctrl+End

// The vertical scroll bar never holds more than this; longer files are mapped
// onto it proportionally.
inline constexpr int kScrollLimit = 32767;

class CChildView : public QAbstractScrollArea, public IViewSink {
    Q_OBJECT

  public:
    CChildView(Document& doc, ViewOptions& options, ISettingsStore& settings,
               QWidget* parent = nullptr);
    ~CChildView() override;

    // ---- IViewSink: the two refresh entry points and their companions ----
    bool CreateOffscreenImage(int columns) override;
    // After anything that changes the file, the longest line, the font, the
    // window size or what is shown.
    void UpdateViewLayout() override;
    // After anything that changes only the first record shown, the horizontal
    // offset, the field selection or the split positions.
    void RedrawView() override;
    void ClearView() override;
    void ResetScroll() override;
    void SetWaitCursor(bool on) override;

    void SetFontSize(int points);
    void FirstPage();  // ID_FIRST_PAGE
    void LastPage();   // ID_LAST_PAGE

    // Scrolling as the scroll bars drive it; thumb is the box position for
    // SliderMove. Also used by the operation dialogs' arrow buttons.
    void ScrollVertical(int action, int thumb = 0);
    void ScrollHorizontal(int action, int thumb = 0);

    // ---- geometry, in pixels of the client area ----
    int CharWidth() const { return char_width_; }
    int CharHeight() const { return char_height_; }
    int LeftMargin() const;
    int RowTop() const;
    int VisibleRows() const { return visible_rows_; }
    int HorizontalOffset() const { return h_offset_; }
    int HorizontalMax() const { return h_max_; }
    bool VerticalScaling() const { return v_scaling_; }
    std::int64_t VerticalRange() const { return v_range_; }
    // Byte column and page row under a client point (-1 outside the records):
    // for field selection and the split lines.
    int ColumnAt(int x) const;
    int RowAt(int y) const;
    // The off-screen image, as the window shows it (client coordinates).
    const QImage& Image() const { return image_; }
    QColor BackgroundColor() const;
    // The face the records are drawn with.
    QString FontFamily() const { return font_family_; }

    // ---- field selection ----
    // The field under a client point: right of a record its last field, in
    // the record-number margin or below the last record field 0.
    FieldIndex FieldAt(int x, int y);
    void SelectField(FieldIndex f);
    void ClampSelectionStart();
    // The field of the last right-click, which the context menu acts on.
    FieldIndex MenuField() const { return menu_field_; }
    // A context-menu command on the menu field.
    bool OnFieldCommand(int id);
    // Shows the context menu and returns the chosen item (nullptr for none).
    // Replaceable, so tests can read and answer the menu.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& global)>;
    void SetMenuRunner(MenuRunner runner) { run_menu_ = std::move(runner); }

    // ---- multiple split mode ----
    SplitGeometry CurrentSplitGeometry() const;
    int SplitLineAt(int x) const;
    int SplitDropPosition(int x) const;
    // Moves the grey feedback line of a drag to x (drawn over the image).
    void DragSplitLine(int x);
    int DraggedLine() const { return dragged_line_; }
    QRect FeedbackRect() const { return feedback_; }

  signals:
    // Ctrl + wheel changed the font size; the ribbon's font box follows.
    void fontSizeChanged(int points);
    // Files dropped from the shell (full paths, at most 100, folders left out).
    void filesDropped(const QStringList& paths);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct Glyphs;
    void MeasureFont();
    bool EnsureImage();
    void FillBackground();
    int DrawRecords(QPainter& painter);
    void DrawRuler(QPainter& painter, int left);
    void DrawRecordText(Glyphs& glyphs, std::string_view record, int x0, int baseline);
    quint32 GlyphFor(char16_t c);
    void Layout();
    void SetTopRecord(std::int64_t top);
    int VerticalBox() const;
    void SyncScrollBoxes();
    void Repaint();
    bool WheelStep(int delta);
    int NumberArea() const;
    void ShowFieldMenu(const QPoint& global);
    void EndDrag();

    Document& doc_;
    ViewOptions& options_;
    ISettingsStore& settings_;

    QImage image_;
    QString font_family_;
    QFont font_;      // view font at the font size
    QRawFont raw_;    // the same, for placing glyphs at byte columns
    QRawFont label_;  // 8 points, ruler labels
    int measured_size_ = 0;
    int char_width_ = 8;
    int char_height_ = 16;
    int ascent_ = 14;
    int label_width_ = 6;
    int label_ascent_ = 10;
    std::unique_ptr<std::array<quint32, 65536>> glyph_cache_;

    int visible_rows_ = 0;
    int h_offset_ = 0;
    int h_max_ = 0;
    bool v_scaling_ = false;
    std::int64_t v_range_ = 0;
    int wheel_rest_ = 0;

    bool in_layout_ = false;
    bool syncing_ = false;  // moving the scroll boxes ourselves
    bool relayout_ = false;
    bool wait_cursor_ = false;     // long work runs in the document
    bool layout_pending_ = false;  // resized meanwhile

    FieldIndex menu_field_{-1};
    MenuRunner run_menu_;
    int dragged_line_ = -1;
    QRect feedback_;  // the drag's feedback line, empty when none
};

// The document is made before its view, so it talks to the view through this
// sink, which passes everything on once the view exists.
class CViewRouter : public IViewSink {
  public:
    CChildView* view = nullptr;
    bool CreateOffscreenImage(int columns) override {
        return view ? view->CreateOffscreenImage(columns) : true;
    }
    void UpdateViewLayout() override {
        if (view) view->UpdateViewLayout();
    }
    void RedrawView() override {
        if (view) view->RedrawView();
    }
    void ClearView() override {
        if (view) view->ClearView();
    }
    void ResetScroll() override {
        if (view) view->ResetScroll();
    }
    void SetWaitCursor(bool on) override {
        if (view) view->SetWaitCursor(on);
    }
};

}  // namespace tesmora::desktop
