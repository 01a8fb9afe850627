#pragma once
// Helpers for the desktop tests: a scratch folder that is also the temporary
// folder, files from bytes, a message sink answered from a script, and a
// record view over a document of its own.
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "tesmora/app/varnel_app.h"
#include "tesmora/document/document.h"
#include "tesmora/view/child_view.h"

namespace tesmora::desktop::testing {

// The answers to the document's questions; unscripted questions are
// answered No (Yes/No) or Cancel (Yes/No/Cancel).
class ScriptedMessages : public IMessageSink {
  public:
    QList<int> shown;
    QStringList texts;
    int Show(int id, const std::string& text, MsgStyle style) override;
    void Answer(int id, int button) { answers_[id].push_back(button); }
    bool Saw(int id) const { return shown.contains(id); }
    int Count(int id) const { return static_cast<int>(shown.count(id)); }
    void Clear() {
        shown.clear();
        texts.clear();
        answers_.clear();
    }

  private:
    std::map<int, std::deque<int>> answers_;
};

// A folder for the test's files; the engine's temporary files go to its
// "tmp" subfolder (TMPDIR), so the tests can see them come and go.
class Scratch {
  public:
    Scratch();
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString TempFolder() const { return dir_.filePath(QStringLiteral("tmp")); }
    // Writes bytes (code page 932) to name and returns the full path.
    QString Write(const QString& name, const std::string& bytes) const;
    // The engine's temporary files now present.
    QStringList TempFiles() const;

  private:
    QTemporaryDir dir_;
};

// The program's options for a test: its questions to messages, its settings
// and its instance lock in the scratch folder.
AppOptions ScratchAppOptions(const Scratch& scratch, IMessageSink& messages);

// A file's bytes; empty when it cannot be read.
std::string ReadFile(const QString& path);

// UTF-8 text as code page 932 bytes.
std::string Sjis(const char* utf8);

// count records made by make(i), each ended by CR LF.
template <typename Make>
std::string Records(int count, Make make) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += make(i);
        bytes += "\r\n";
    }
    return bytes;
}

bool Near(QColor a, QColor b, int tolerance = 0);
// Whether any pixel of rect has colour c (within tolerance).
bool Contains(const QImage& image, const QRect& rect, QColor c, int tolerance = 0);
// Whether any pixel of rect differs from background.
bool HasInk(const QImage& image, const QRect& rect, QColor background);

// Mouse events on the view's client area, as the window system delivers them:
// a double-click is press, release, double-click, release.
void Mouse(CChildView& view, QEvent::Type type, Qt::MouseButton button, QPoint at,
           Qt::MouseButtons held = Qt::NoButton);
void Click(CChildView& view, Qt::MouseButton button, QPoint at);
void DoubleClick(CChildView& view, QPoint at);
// Press on from, move through to, release there.
void Drag(CChildView& view, QPoint from, QPoint to);

// A record view over its own document, with memory settings.
class ViewHarness {
  public:
    ViewHarness();
    ~ViewHarness();
    // Resizes the view so that its client area is w x h pixels.
    void SetClientSize(int w, int h);
    bool Open(const QString& path);

    ScriptedMessages messages;
    NullProgress progress;
    MemorySettings settings;
    ViewOptions options;
    std::unique_ptr<Document> doc;
    std::unique_ptr<CChildView> view;

  private:
    std::unique_ptr<CViewRouter> router_;
};

// The base of the suites that drive a record view: every test function gets
// a fresh scratch folder and view harness (Qt Test finds init and cleanup
// here); SetUpTest adds what a suite needs on top.
class ViewSuite : public QObject {
    Q_OBJECT

  protected:
    std::unique_ptr<Scratch> scratch_;
    std::unique_ptr<ViewHarness> h_;
    virtual void SetUpTest() {}

  private slots:
    void init();
    void cleanup();
};

}  // namespace tesmora::desktop::testing
