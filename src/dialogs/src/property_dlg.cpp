#include "tesmora/dialogs/property_dlg.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimerEvent>
#include <string>

#include "tesmora/dialogs/operation_dlg.h"
#include "tesmora/dialogs/report_list.h"
#include "tesmora/ops/properties.h"

namespace tesmora::desktop {
namespace {

constexpr int kRows = 7;
constexpr int kColumns = 4;
constexpr int kFirstColumnWidth = 40;
// Long enough for the dialog and its first five rows to show first.
constexpr int kScanDelayMs = 10;

const Qt::Alignment kAlignment[kColumns] = {
    Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignLeft | Qt::AlignVCenter,
    Qt::AlignRight | Qt::AlignVCenter, Qt::AlignHCenter | Qt::AlignVCenter};

// The pass runs without returning to the event loop.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

CPropertyDlg::CPropertyDlg(Document& doc, CChildView* /*view*/, QWidget* parent)
    : QDialog(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("プロパティ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);

    layout->addWidget(new QLabel(QStringLiteral("1 保存場所："), this));
    path_ = new QLineEdit(this);
    path_->setObjectName(ControlName(1001));
    // Shows where the file is saved; there is nothing to edit.
    path_->setReadOnly(true);
    path_->setText(QString::fromStdString(doc_.CurrentFileName()));
    path_->setCursorPosition(0);
    layout->addWidget(path_);
    auto* encoding = new QLabel(
        QStringLiteral("文字コード：") + QString::fromUtf8(EncodingName(doc_.FileEncoding())),
        this);
    encoding->setObjectName(QStringLiteral("encoding"));
    layout->addWidget(encoding);

    layout->addSpacing(4);
    layout->addWidget(new QLabel(QStringLiteral("2 レコードとフィールド："), this));
    list_ = new QTableWidget(kRows, kColumns, this);
    list_->setObjectName(ControlName(1069));
    list_->setShowGrid(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSortingEnabled(false);
    list_->setWordWrap(false);
    list_->setTabKeyNavigation(false);
    list_->verticalHeader()->hide();
    QHeaderView* header = list_->horizontalHeader();
    header->setSectionsClickable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    const QString headings[kColumns] = {QStringLiteral("№"), QStringLiteral("項目"),
                                        QStringLiteral("内容"), QStringLiteral("単位")};
    for (int c = 0; c < kColumns; ++c) {
        auto* heading = new QTableWidgetItem(headings[c]);
        heading->setTextAlignment(kAlignment[c]);
        list_->setHorizontalHeaderItem(c, heading);
        header->resizeSection(c, kFirstColumnWidth);
    }

    // Rows 1 to 5 from the loader's statistics; 6 and 7 wait for the pass.
    const Statistics& s = doc_.Stats();
    const QString fields = QStringLiteral("フィールド");
    const QString bytes = QStringLiteral("バイト");
    SetRow(0, QStringLiteral("レコード数"), QString::number(s.records), QStringLiteral("レコード"));
    SetRow(1, QStringLiteral("最多フィールド数"), QString::number(s.most_fields), fields);
    SetRow(2, QStringLiteral("最少フィールド数"), QString::number(s.fewest_fields), fields);
    SetRow(3, QStringLiteral("最長レコード長"), QString::number(s.longest_line), bytes);
    SetRow(4, QStringLiteral("最短レコード長"), QString::number(s.shortest_line), bytes);
    AutoSizeColumns(list_, kColumns);
    list_->setFixedHeight(header->sizeHint().height() + list_->verticalHeader()->length() +
                          2 * list_->frameWidth());
    list_->setMinimumWidth(360);
    layout->addWidget(list_);

    layout->addWidget(new QLabel(
        QStringLiteral("※ 「最短フィールド長」とは、第1フィールドから第nフィールドまでの最大長"
                       "を調査した中でもっとも\n　短い「列(項目)」という意味です。\n"
                       "　　ファイル中の全項目の中で一番短いものという意味ではありません。"),
        this));

    auto* bottom = new QHBoxLayout;
    search_ = new QPushButton(QStringLiteral("最多・最少フィールドのレコード調査(&A)"), this);
    search_->setObjectName(ControlName(1019));
    // Enter closes the dialog, even from this button.
    search_->setAutoDefault(false);
    bottom->addWidget(search_);
    bottom->addWidget(new QLabel(QStringLiteral("※ 全レコードのフィールド数が同じ場合は、\n"
                                                "　調査不要です。（ボタンは使用不可）"),
                                 this));
    bottom->addStretch(1);
    close_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    close_->setObjectName(ControlName(2));
    close_->setDefault(true);
    bottom->addWidget(close_, 0, Qt::AlignBottom);
    layout->addLayout(bottom);

    // Equal counts leave nothing to find; neither does a file without records.
    search_->setEnabled(s.most_fields != s.fewest_fields && s.records > 0);

    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(search_, &QPushButton::clicked, this, &CPropertyDlg::FindFieldCountRecords);
    close_->setFocus();

    timer_id_ = startTimer(kScanDelayMs);
}

CPropertyDlg::~CPropertyDlg() = default;

void CPropertyDlg::SetRow(int row, const QString& item, const QString& value, const QString& unit) {
    const QString texts[kColumns] = {QString::number(row + 1), item, value, unit};
    for (int c = 0; c < kColumns; ++c) {
        auto* cell = new QTableWidgetItem(texts[c]);
        cell->setTextAlignment(kAlignment[c]);
        list_->setItem(row, c, cell);
    }
}

void CPropertyDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_id_) {
        QDialog::timerEvent(event);
        return;
    }
    ScanFieldLengths();
}

void CPropertyDlg::ScanFieldLengths() {
    if (timer_id_ != 0) {
        killTimer(timer_id_);
        timer_id_ = 0;
    }
    if (scanned_) return;
    scanned_ = true;
    if (doc_.IsOpen()) {
        const WaitCursor wait;
        doc_.ComputeFieldWidths();
    }
    const FieldLengthExtremes lengths = ComputeFieldLengthExtremes(doc_);
    const QString bytes = QStringLiteral("バイト");
    SetRow(5, QStringLiteral("最長フィールド長"), QString::number(lengths.longest), bytes);
    SetRow(6, QStringLiteral("最短フィールド長"), QString::number(lengths.shortest), bytes);
    // The unit column keeps its width.
    AutoSizeColumns(list_, kColumns - 1);
}

void CPropertyDlg::FindFieldCountRecords() {
    if (!doc_.IsOpen()) return;
    FieldCountRecords found;
    {
        const WaitCursor wait;
        found = tesmora::FindFieldCountRecords(doc_);
    }
    // No record, nothing to name (the button is disabled for such a file).
    if (found.most.value < 0 || found.fewest.value < 0) return;
    const std::string prefix = "最多フィールド - 第" + std::to_string(found.most.value + 1) +
                               "レコード\n最少フィールド - 第" +
                               std::to_string(found.fewest.value + 1) + "レコード\n\n";
    doc_.Message(kMsgFieldCountNote, MsgStyle::Info, prefix);
}

}  // namespace tesmora::desktop
