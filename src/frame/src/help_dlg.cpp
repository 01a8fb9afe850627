#include "tesmora/frame/help_dlg.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QSpinBox>
#include <QToolButton>

#include "tesmora/document/document.h"
#include "tesmora/document/messages.h"

namespace tesmora::desktop {
namespace {

constexpr qreal kZoomStep = 1.25;

QToolButton* Button(const QString& text, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}

}  // namespace

CHelpDlg::CHelpDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    resize(634, 366);  // 317 x 183 dialog units

    pdf_ = new QPdfDocument(this);
    view_ = new QPdfView(this);
    view_->setDocument(pdf_);
    view_->setPageMode(QPdfView::PageMode::MultiPage);
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);

    auto* bar = new QHBoxLayout;
    QToolButton* first = Button(QStringLiteral("|◀"), QStringLiteral("最初のページ"), this);
    QToolButton* back = Button(QStringLiteral("◀"), QStringLiteral("前のページ"), this);
    page_ = new QSpinBox(this);
    page_->setMinimum(1);
    auto* count = new QLabel(this);
    QToolButton* next = Button(QStringLiteral("▶"), QStringLiteral("次のページ"), this);
    QToolButton* last = Button(QStringLiteral("▶|"), QStringLiteral("最後のページ"), this);
    QToolButton* out = Button(QStringLiteral("－"), QStringLiteral("縮小"), this);
    QToolButton* in = Button(QStringLiteral("＋"), QStringLiteral("拡大"), this);
    QToolButton* width = Button(QStringLiteral("幅に合わせる"), QString(), this);
    QToolButton* whole = Button(QStringLiteral("ページ全体"), QString(), this);
    for (QWidget* w : std::initializer_list<QWidget*>{first, back, page_, count, next, last})
        bar->addWidget(w);
    bar->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{out, in, width, whole}) bar->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(view_, 1);

    QPdfPageNavigator* nav = view_->pageNavigator();
    connect(pdf_, &QPdfDocument::pageCountChanged, this, [this, count](int pages) {
        page_->setMaximum(std::max(pages, 1));
        count->setText(QStringLiteral("/ %1").arg(pages));
    });
    connect(nav, &QPdfPageNavigator::currentPageChanged, this, [this](int page) {
        const QSignalBlocker block(page_);
        page_->setValue(page + 1);
    });
    connect(page_, &QSpinBox::valueChanged, this, [this](int page) { ShowPage(page - 1); });
    connect(first, &QToolButton::clicked, this, [this] { ShowPage(0); });
    connect(last, &QToolButton::clicked, this, [this] { ShowPage(pdf_->pageCount() - 1); });
    connect(back, &QToolButton::clicked, this, [this, nav] { ShowPage(nav->currentPage() - 1); });
    connect(next, &QToolButton::clicked, this, [this, nav] { ShowPage(nav->currentPage() + 1); });
    auto zoom = [this](qreal factor) {
        view_->setZoomMode(QPdfView::ZoomMode::Custom);
        view_->setZoomFactor(std::clamp(view_->zoomFactor() * factor, 0.25, 8.0));
    };
    connect(in, &QToolButton::clicked, this, [zoom] { zoom(kZoomStep); });
    connect(out, &QToolButton::clicked, this, [zoom] { zoom(1 / kZoomStep); });
    connect(width, &QToolButton::clicked, this,
            [this] { view_->setZoomMode(QPdfView::ZoomMode::FitToWidth); });
    connect(whole, &QToolButton::clicked, this,
            [this] { view_->setZoomMode(QPdfView::ZoomMode::FitInView); });
}

void CHelpDlg::ShowPage(int page) {
    if (pdf_->pageCount() == 0) return;
    page = std::clamp(page, 0, pdf_->pageCount() - 1);
    view_->pageNavigator()->jump(page, QPointF(), view_->pageNavigator()->currentZoom());
}

QString CHelpDlg::FindManual(const QString& title) {
    const QString name = title + QStringLiteral(".pdf");
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& path :
         {exe.filePath(name), exe.filePath(QStringLiteral("../share/tesmora/") + name)}) {
        if (QFileInfo(path).isFile()) return QDir::cleanPath(path);
    }
    return {};
}

bool CHelpDlg::Load(const QString& path) {
    return pdf_->load(path) == QPdfDocument::Error::None && pdf_->pageCount() > 0;
}

void ShowManual(Document& doc, QWidget* parent) {
    const char* text = MessageText(kMsgManualTitle);
    const QString title = QString::fromUtf8(text ? text : "Manual");
    const QString path = CHelpDlg::FindManual(title);
    CHelpDlg dialog(title, parent);
    if (path.isEmpty() || !dialog.Load(path)) {
        doc.Message(kMsgNoManual, MsgStyle::Info);
        return;
    }
    dialog.setWindowState(Qt::WindowMaximized);
    dialog.exec();
}

}  // namespace tesmora::desktop
