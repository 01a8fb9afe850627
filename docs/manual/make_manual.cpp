// Builds Manual.pdf from manual.md: the pictures are taken from the program
// itself, off screen, so the manual always shows the screens as they are.
//
// usage: tesmora-manual MANUAL.md SAMPLE.csv OUTPUT.pdf
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include "tesmora/app/varnel_app.h"
#include "tesmora/dialogs/char_cng.h"
#include "tesmora/dialogs/code_cng.h"
#include "tesmora/dialogs/csv_to_txt.h"
#include "tesmora/dialogs/dbl_del.h"
#include "tesmora/dialogs/field_len.h"
#include "tesmora/dialogs/line_del.h"
#include "tesmora/dialogs/line_length.h"
#include "tesmora/dialogs/property_dlg.h"
#include "tesmora/dialogs/sort_dlg.h"
#include "tesmora/dialogs/tail_add.h"
#include "tesmora/dialogs/txt_to_csv.h"
#include "tesmora/frame/about_dlg.h"
#include "tesmora/frame/commands.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/ops/operations.h"
#include "tesmora/view/child_view.h"
#include "tesmora/view/codepage.h"

using namespace tesmora;
using namespace tesmora::desktop;

namespace {

// Questions of the pictures' set-up are answered No; nothing is shown.
class Quiet : public IMessageSink {
  public:
    int Show(int, const std::string&, MsgStyle style) override {
        return style == MsgStyle::Question || style == MsgStyle::QuestionCancel ? kIdNo : kIdOk;
    }
};

QImage Grab(QWidget& w) {
    w.show();
    // Layouts settle through posted requests, a level of widgets at a time.
    for (int i = 0; i < 4; ++i) {
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QApplication::processEvents();
    }
    return w.grab().toImage();
}

bool WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(bytes.data(), static_cast<qint64>(bytes.size())) == qint64(bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: tesmora-manual MANUAL.md SAMPLE.csv OUTPUT.pdf\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tesmora-manual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());
    const QString sample = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir scratch;
    qputenv("TMPDIR", scratch.path().toLocal8Bit());
    Quiet quiet;
    AppOptions options;
    options.messages = &quiet;
    options.settings_file = scratch.filePath(QStringLiteral("settings.ini"));
    options.lock_dir = scratch.path();
    CVarnelApp app(options);
    if (!app.InitInstance({sample})) {
        std::fprintf(stderr, "tesmora-manual: the program did not start on %s\n", argv[2]);
        return 1;
    }
    CMainFrame& frame = *app.MainFrame();
    Document& doc = app.Doc();
    CChildView* view = frame.View();
    frame.resize(1240, 640);  // wide enough for the buttons' labels

    std::map<QString, QImage> pictures;
    pictures[QStringLiteral("main.png")] = Grab(frame);
    {
        // The ribbon as Alt and then C show its keys.
        auto key = [view](QEvent::Type type, int code, Qt::KeyboardModifiers mods) {
            QKeyEvent event(type, code, mods);
            QApplication::sendEvent(view, &event);
        };
        key(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        key(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier);
        QApplication::processEvents();
        const QRect top(0, 0, frame.width(), frame.Ribbon()->height() + 14);
        pictures[QStringLiteral("keytips.png")] = frame.grab(top).toImage();
        key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    }

    const QString codes = scratch.filePath(QStringLiteral("codes.csv"));
    WriteFile(codes, ToCp932(QStringLiteral("ミズノ カズキ,C00000,東京支店\r\nツチヤ アヤ,C00001,"
                                            "大阪支店\r\nシマダ ユウイチ,C00002,福岡支店\r\n"
                                            "マツダ ナオミ,C00003,札幌支店\r\n"))
                         .value_or(std::string()));
    auto dialog = [&](const char* name, const std::function<std::unique_ptr<QDialog>()>& make) {
        std::unique_ptr<QDialog> d = make();
        pictures[QString::fromUtf8(name)] = Grab(*d);
        d->close();
    };
    dialog("sort.png", [&] { return std::make_unique<CSortDlg>(doc, view, &frame); });
    dialog("dbl_del.png", [&] { return std::make_unique<CDblDel>(doc, view, &frame); });
    dialog("line_del.png", [&] { return std::make_unique<CLineDel>(doc, view, &frame); });
    dialog("field_len.png", [&] { return std::make_unique<CFieldLen>(doc, view, &frame); });
    dialog("csv_to_txt.png", [&] { return std::make_unique<CCsvToTxt>(doc, view, &frame); });
    dialog("char_cng.png", [&] { return std::make_unique<CCharCng>(doc, view, &frame); });
    dialog("tail_add.png", [&] {
        auto d = std::make_unique<CTailAdd>(doc, view, &frame);
        d->Preview()->LoadPreview(codes);
        return d;
    });
    dialog("code_cng.png", [&] {
        auto d = std::make_unique<CCodeCng>(doc, view, &frame);
        d->Preview()->LoadPreview(codes);
        return d;
    });
    dialog("property.png", [&] { return std::make_unique<CPropertyDlg>(doc, view, &frame); });
    dialog("about.png", [&] { return std::make_unique<CAboutDlg>(&frame); });
    {
        // The history panel after a month's first steps.
        RunStep(doc, SortRequest{FieldIndex{2}, false});
        RunStep(doc, DuplicateRequest{FieldIndex{2}, DuplicateMode::KeepFirst, false});
        RunStep(doc, FieldLengthRequest{FieldIndex{1}, 12, false, false, {}});
        QAction* history = frame.Action(ID_RIREKI_DSP);
        history->trigger();
        QApplication::processEvents();
        pictures[QStringLiteral("history.png")] = Grab(frame);
        history->trigger();
    }

    // The fixed-width screens: the sample without its commas, split lines placed.
    const QString fixed = scratch.filePath(QStringLiteral("fixed.txt"));
    std::string bytes;
    {
        QFile f(sample);
        if (f.open(QIODevice::ReadOnly)) bytes = f.readAll().toStdString();
        std::erase(bytes, ',');
    }
    WriteFile(fixed, bytes);
    doc.CloseDocument();
    if (doc.OpenDocument(fixed.toStdString())) {
        doc.SetSplitMode(true);
        doc.View().split_positions = {2, 11, 31};
        doc.ViewSink().UpdateViewLayout();
        pictures[QStringLiteral("split.png")] = Grab(frame);
        dialog("txt_to_csv.png", [&] { return std::make_unique<CTxtToCsv>(doc, view, &frame); });
        dialog("line_length.png", [&] { return std::make_unique<CLineLength>(doc, view, &frame); });
    }

    // The key table from the ribbon itself, so it never differs from the program.
    QString keys = QStringLiteral("| キー | 操作 |\n|---|---|\n");
    for (const auto& [sequence, name] : frame.Ribbon()->KeyTipTable())
        keys += QStringLiteral("| %1 | %2 |\n").arg(sequence, name);
    for (const auto& [sequence, name] : frame.ShortcutTable())
        keys += QStringLiteral("| %1 | %2 |\n").arg(sequence, name);
    QString markdown_keys = markdown;
    markdown_keys.replace(QStringLiteral("{{keytips}}"), keys);

    QTextDocument text;
    QFont font(QStringLiteral("IPAGothic"));
    font.setPointSizeF(10.5);
    text.setDefaultFont(font);
    text.setDefaultStyleSheet(QStringLiteral("code { font-family: IPAGothic; }"));
    text.setMarkdown(markdown_keys);
    // After the text: setting it clears the resources.
    for (const auto& [name, image] : pictures)
        text.addResource(QTextDocument::ImageResource, QUrl(name), image);

    // Laid out in screen pixels (96 to the inch): the text is drawn as text,
    // and the pictures keep every pixel however small they are drawn.
    QPdfWriter pdf(QString::fromLocal8Bit(argv[3]));
    pdf.setTitle(QStringLiteral("Tesmora 取扱説明書"));
    pdf.setCreator(QStringLiteral("Tesmora"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 16, 18, 20), QPageLayout::Millimeter);
    pdf.setResolution(96);
    const QSizeF page = pdf.pageLayout().paintRectPixels(96).size();
    text.setDocumentMargin(0);
    text.setPageSize(page);
    // Pictures at three quarters of their screen size, never wider than the page.
    for (QTextBlock b = text.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid()) continue;
            const auto found = pictures.find(image.name());
            if (found == pictures.end()) {
                std::fprintf(stderr, "tesmora-manual: no picture %s\n", qPrintable(image.name()));
                return 1;
            }
            const QImage& picture = found->second;
            const qreal w = std::min(picture.width() * 0.75, page.width());
            image.setWidth(w);
            image.setHeight(w * picture.height() / picture.width());
            QTextCursor c(&text);
            c.setPosition(fragment.position());
            c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(image);
        }
    }
    QPainter painter(&pdf);
    QFont small = font;
    small.setPointSizeF(8);
    const int pages = text.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0) pdf.newPage();
        const QRectF area(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -area.top());
        painter.setClipRect(area);
        text.drawContents(&painter, area);
        painter.restore();
        painter.setFont(small);
        painter.drawText(QRectF(0, page.height() + 8, page.width(), 20), Qt::AlignCenter,
                         QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
    }
    return painter.end() ? 0 : 1;
}
