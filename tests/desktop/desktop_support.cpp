#include "desktop_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>

#include "tesmora/view/codepage.h"

namespace tesmora::desktop::testing {

int ScriptedMessages::Show(int id, const std::string& text, MsgStyle style) {
    shown.append(id);
    texts.append(QString::fromStdString(text));
    auto it = answers_.find(id);
    if (it != answers_.end() && !it->second.empty()) {
        const int answer = it->second.front();
        it->second.pop_front();
        return answer;
    }
    if (style == MsgStyle::Question) return kIdNo;
    if (style == MsgStyle::QuestionCancel) return kIdCancel;
    return kIdOk;
}

Scratch::Scratch() {
    QDir(dir_.path()).mkpath(QStringLiteral("tmp"));
    qputenv("TMPDIR", TempFolder().toLocal8Bit());
}

QString Scratch::Write(const QString& name, const std::string& bytes) const {
    const QString path = Path(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

QStringList Scratch::TempFiles() const {
    return QDir(TempFolder()).entryList({QStringLiteral("Tes*.TMP")}, QDir::Files);
}

std::string ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

std::string Sjis(const char* utf8) {
    auto bytes = ToCp932(QString::fromUtf8(utf8));
    if (!bytes) qFatal("not in code page 932: %s", utf8);
    return *bytes;
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

bool Contains(const QImage& image, const QRect& rect, QColor c, int tolerance) {
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Near(image.pixelColor(x, y), c, tolerance)) return true;
    return false;
}

bool HasInk(const QImage& image, const QRect& rect, QColor background) {
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (!Near(image.pixelColor(x, y), background, 40)) return true;
    return false;
}

void Mouse(CChildView& view, QEvent::Type type, Qt::MouseButton button, QPoint at,
           Qt::MouseButtons held) {
    QWidget* target = view.viewport();
    const QPointF local(at);
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void Click(CChildView& view, Qt::MouseButton button, QPoint at) {
    Mouse(view, QEvent::MouseButtonPress, button, at, button);
    Mouse(view, QEvent::MouseButtonRelease, button, at);
}

void DoubleClick(CChildView& view, QPoint at) {
    Click(view, Qt::LeftButton, at);
    Mouse(view, QEvent::MouseButtonDblClick, Qt::LeftButton, at, Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, Qt::LeftButton, at);
}

void Drag(CChildView& view, QPoint from, QPoint to) {
    Mouse(view, QEvent::MouseButtonPress, Qt::LeftButton, from, Qt::LeftButton);
    const QPoint mid = (from + to) / 2;
    Mouse(view, QEvent::MouseMove, Qt::NoButton, mid, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, Qt::NoButton, to, Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, Qt::LeftButton, to);
}

ViewHarness::ViewHarness() : router_(std::make_unique<CViewRouter>()) {
    doc = std::make_unique<Document>(messages, progress, settings, *router_);
    view = std::make_unique<CChildView>(*doc, options, settings);
    router_->view = view.get();
    view->resize(640, 480);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) qWarning("view not exposed");
}

ViewHarness::~ViewHarness() {
    router_->view = nullptr;
    view.reset();
    doc.reset();
}

void ViewHarness::SetClientSize(int w, int h) {
    // The scroll bars come and go with the layout; settle on the client size.
    for (int i = 0; i < 4; ++i) {
        const QSize now = view->viewport()->size();
        if (now == QSize(w, h)) break;
        view->resize(view->width() + w - now.width(), view->height() + h - now.height());
        QCoreApplication::processEvents();
    }
    if (view->viewport()->size() != QSize(w, h))
        qWarning("client size %dx%d, wanted %dx%d", view->viewport()->width(),
                 view->viewport()->height(), w, h);
}

bool ViewHarness::Open(const QString& path) {
    return doc->OpenDocument(path.toStdString());
}

void ViewSuite::init() {
    scratch_ = std::make_unique<Scratch>();
    h_ = std::make_unique<ViewHarness>();
    SetUpTest();
}

void ViewSuite::cleanup() {
    h_.reset();
    scratch_.reset();
}

AppOptions ScratchAppOptions(const Scratch& scratch, IMessageSink& messages) {
    AppOptions options;
    options.messages = &messages;
    options.settings_file = scratch.Path(QStringLiteral("settings.ini"));
    options.lock_dir = scratch.Path(QString());
    return options;
}

}  // namespace tesmora::desktop::testing
