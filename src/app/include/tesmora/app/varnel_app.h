#pragma once
// The application object: owns the document, the view options, the settings
// and the main window, refuses a second instance, opens the files named on
// the command line, and at its end removes every temporary file the document
// still records.
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

#include "tesmora/document/document.h"
#include "tesmora/view/view_options.h"

class QLockFile;

namespace tesmora::desktop {

class CMainFrame;
class QtMessageSink;
class QtSettingsStore;
class RecentFileList;

struct AppOptions {
    // Where questions go; message boxes when null.
    IMessageSink* messages = nullptr;
    // An ini file for the settings; QSettings("Quorvik", "Tesmora") when empty.
    QString settings_file;
    // Folder of the single-instance lock; the temporary folder when empty.
    QString lock_dir;
};

// The main window's first size on a screen whose free area is area: the
// ribbon needs ribbon_width for its labels, the title bar title.
QSize FirstWindowSize(QSize area, int ribbon_width, int title);

class CVarnelApp : public QObject {
    Q_OBJECT

  public:
    explicit CVarnelApp(AppOptions options = {});
    // Closes the main window and the document's files and deletes the
    // temporary files (never the user's).
    ~CVarnelApp() override;

    // The start-up. False when the program must end at once: another
    // instance runs (message 30042). files: the command line's arguments.
    // Offers back what a run that died left unsaved; true when a document
    // was recovered.
    bool OfferRecovery();
    bool InitInstance(const QStringList& files);

    Document& Doc() { return *doc_; }
    ISettingsStore& Settings();
    IMessageSink& Messages() { return *messages_; }
    ViewOptions& Options() { return view_options_; }
    RecentFileList& Recent() { return *recent_; }
    CMainFrame* MainFrame() const { return frame_.get(); }

    // The lock file that stands for the running instance.
    static QString LockFilePath(const QString& dir = {});

  private:
    class Host;
    // The operation buttons of the "テキスト処理" panel and the properties button.
    void AddOperations();
    AppOptions options_;
    std::unique_ptr<QtSettingsStore> settings_;
    std::unique_ptr<QtMessageSink> boxes_;
    IMessageSink* messages_;
    std::unique_ptr<Host> host_;
    ViewOptions view_options_;
    std::unique_ptr<RecentFileList> recent_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<Document> doc_;
    std::unique_ptr<CMainFrame> frame_;  // destroyed first: it uses all of the above
};

}  // namespace tesmora::desktop
