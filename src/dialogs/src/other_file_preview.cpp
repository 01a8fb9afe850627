#include "tesmora/dialogs/other_file_preview.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "tesmora/dialogs/report_list.h"
#include "tesmora/document/text.h"
#include "tesmora/ops/other_file.h"
#include "tesmora/view/codepage.h"

namespace tesmora::desktop {
namespace {

constexpr int kColumnWidth = 40;
// Enough for the preview rows of any file (records are at most 5,000 bytes).
constexpr std::int64_t kPreviewBytes = std::int64_t{1} << 20;

// Draws the cells of the chosen column in their own colours.
class HighlightDelegate : public QStyledItemDelegate {
  public:
    HighlightDelegate(const COtherFilePreview& preview, QObject* parent)
        : QStyledItemDelegate(parent), preview_(preview) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.column() != preview_.Highlighted()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight)
                                                : QColor(COtherFilePreview::kCellColour));
        painter->setPen(selected ? pal.color(QPalette::HighlightedText)
                                 : pal.color(QPalette::WindowText));
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(index.column() == 0 ? 4 : 6, 0, 0, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    }

  private:
    const COtherFilePreview& preview_;
};

}  // namespace

COtherFilePreview::COtherFilePreview(Document& doc, int rows, int button_id, QWidget* parent)
    : QObject(parent), doc_(doc), rows_(rows) {
    browse_ = new QPushButton(QStringLiteral("参照(&K)"), parent);
    browse_->setObjectName(QStringLiteral("ctl%1").arg(button_id));
    browse_->setAutoDefault(false);
    list_ = new QTableWidget(parent);
    list_->setObjectName(QStringLiteral("ctl1069"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    // Rows as tight as a report list's, so that every previewed record shows.
    const int row = list_->fontMetrics().height() + 6;
    list_->verticalHeader()->setMinimumSectionSize(row);
    list_->verticalHeader()->setDefaultSectionSize(row);
    list_->setItemDelegate(new HighlightDelegate(*this, list_));
    list_->setFixedHeight(row * (rows + 1) + list_->horizontalScrollBar()->sizeHint().height() + 8);
    choose_ = [parent] {
        return QFileDialog::getOpenFileName(
            parent, QStringLiteral("他のファイルを指定"), QString(),
            QStringLiteral("ｺﾝﾏ区切りﾌｧｲﾙ(*.csv);;全てのﾌｧｲﾙ (*.*)"));
    };
    connect(browse_, &QPushButton::clicked, this, &COtherFilePreview::Browse);
    auto clicked = [this](int column) {
        if (column < 0) return;
        SetHighlighted(column);
        emit ColumnClicked(column);
    };
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, clicked);
    connect(list_, &QTableWidget::cellClicked, this,
            [clicked](int, int column) { clicked(column); });
}

void COtherFilePreview::Browse() {
    const QString path = choose_();
    if (!path.isEmpty()) LoadPreview(path);
}

bool COtherFilePreview::LoadPreview(const QString& path) {
    const std::string name = path.toStdString();
    File file;
    // Only the first records are shown: a UTF-8 file is converted that far.
    if (!OpenOtherFile(doc_, name, file, kPreviewBytes)) return false;
    const int columns = CountColumns(file);
    if (columns == 0) {
        doc_.Message(kMsgOpenFailed);
        return false;
    }
    const std::vector<std::string> records = ReadRecords(file, rows_);
    file.Close();

    columns_ = columns;
    list_->setShowGrid(true);
    list_->setColumnCount(columns);
    QStringList headings;
    for (int c = 0; c < columns; ++c) headings << QString::number(c);
    list_->setHorizontalHeaderLabels(headings);
    for (int c = 0; c < columns; ++c) list_->horizontalHeader()->resizeSection(c, kColumnWidth);
    list_->setRowCount(static_cast<int>(records.size()));
    for (int r = 0; r < static_cast<int>(records.size()); ++r) {
        for (int c = 0; c < columns; ++c) {
            const auto field = FieldSpan(records[static_cast<std::size_t>(r)], FieldIndex{c});
            list_->setItem(r, c, new QTableWidgetItem(FromCp932(field.value_or(""))));
        }
    }
    AutoSizeColumns(list_, columns);
    browse_->setEnabled(false);
    path_ = name;
    emit Loaded(columns);
    return true;
}

void COtherFilePreview::SetHighlighted(int column) {
    highlighted_ = column;
    list_->viewport()->update();
}

}  // namespace tesmora::desktop
