#include "tesmora/app/varnel_app.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
#include "tesmora/document/messages.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/frame/main_frame.h"
#include "tesmora/frame/message_box.h"
#include "tesmora/frame/qt_settings.h"
#include "tesmora/frame/recent_files.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/ops/operations.h"
#include "tesmora/view/child_view.h"
#include "tesmora/view/on_screen.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tesmora::desktop {

// Passes what the document asks on to the windows once they exist; every
// change of the document also brings the command states up to date.
class CVarnelApp::Host : public CViewRouter, public IProgressSink {
  public:
    CMainFrame* frame = nullptr;
    MyStatusBar* status = nullptr;

    void UpdateViewLayout() override {
        CViewRouter::UpdateViewLayout();
        Changed();
    }
    void RedrawView() override {
        CViewRouter::RedrawView();
        Changed();
    }
    void ClearView() override {
        CViewRouter::ClearView();
        Changed();
    }
    void UpdateTitle() override {
        if (frame) frame->UpdateTitle();
        Changed();
    }
    // The engine's long work: the status bar keeps the window alive and
    // offers to stop it; the view shows the wait cursor.
    void SetWaitCursor(bool on) override {
        if (status) on ? status->BeginWork() : status->EndWork();
        const bool working = status ? status->Working() : on;
        CViewRouter::SetWaitCursor(working);
        // The commands come back at once, not when the window next idles.
        if (frame) frame->UpdateCommandUI();
    }
    void AddRecentFile(const std::string& path) override {
        if (frame) frame->AddRecentFile(path);
    }
    void SplitModeChanged() override {
        if (frame) frame->SplitModeChanged();
    }

    void SetRange(int upper) override {
        if (status) status->SetRange(upper);
    }
    void SetPos(int pos) override {
        if (status) status->SetPos(pos);
    }
    void SetStatusText(const std::string& text) override {
        if (status) status->SetStatusText(text);
    }

  private:
    void Changed() {
        if (frame) frame->RequestCommandUpdate();
    }
};

CVarnelApp::CVarnelApp(AppOptions options)
    : options_(std::move(options)),
      settings_(options_.settings_file.isEmpty()
                    ? std::make_unique<QtSettingsStore>()
                    : std::make_unique<QtSettingsStore>(options_.settings_file)),
      boxes_(std::make_unique<QtMessageSink>()),
      messages_(options_.messages ? options_.messages : boxes_.get()),
      host_(std::make_unique<Host>()),
      recent_(std::make_unique<RecentFileList>(*settings_)),
      doc_(std::make_unique<Document>(*messages_, *host_, *settings_, *host_)) {}

CVarnelApp::~CVarnelApp() {
    host_->view = nullptr;
    host_->frame = nullptr;
    host_->status = nullptr;
    frame_.reset();
    // The document's destructor closes its files and deletes its temporary files.
    doc_.reset();
    settings_->Sync();
}

ISettingsStore& CVarnelApp::Settings() {
    return *settings_;
}

QString CVarnelApp::LockFilePath(const QString& dir) {
    const QString folder = dir.isEmpty() ? QDir::tempPath() : dir;
#ifdef _WIN32
    const QString name = QString::fromUtf8(kAppName) + QStringLiteral(".lock");
#else
    // The temporary folder may be shared by all users; each runs their own.
    const QString name = QString::fromUtf8(kAppName) +
                         QStringLiteral("-%1.lock").arg(static_cast<qulonglong>(getuid()));
#endif
    return QDir(folder).filePath(name);
}

QSize FirstWindowSize(QSize area, int ribbon_width, int title) {
    // Three quarters of the screen, but wide enough for the ribbon's labels;
    // room for the title bar, which the window system adds once shown, so
    // that a small screen does not lose the status bar below its edge.
    const int width = std::max({800, area.width() * 3 / 4, ribbon_width});
    const int height = std::max(600, area.height() * 3 / 4);
    return {std::min(area.width(), width), std::min(area.height() - title, height)};
}

// Each operation command runs its dialog modally; the dialog does the rest.
namespace {
template <typename Dialog>
void RunDialog(Document& doc, CMainFrame& frame) {
    Dialog dialog(doc, frame.View(), &frame);
    dialog.exec();
}

using DialogRun = void (*)(Document&, CMainFrame&);

// The dialog of each operation with a ribbon button, by its engine name: the
// desktop's column of the operations table.
DialogRun DialogOf(std::string_view name) {
    static const std::pair<std::string_view, DialogRun> kDialogs[] = {
        {"csv_to_txt", RunDialog<CCsvToTxt>},   {"txt_to_csv", RunDialog<CTxtToCsv>},
        {"sort", RunDialog<CSortDlg>},          {"duplicates", RunDialog<CDblDel>},
        {"line_delete", RunDialog<CLineDel>},   {"record_length", RunDialog<CLineLength>},
        {"field_length", RunDialog<CFieldLen>}, {"tail_add", RunDialog<CTailAdd>},
        {"lookup", RunDialog<CCodeCng>},        {"replace", RunDialog<CCharCng>},
    };
    for (const auto& [n, run] : kDialogs)
        if (n == name) return run;
    return nullptr;
}
}  // namespace

void CVarnelApp::AddOperations() {
    CMainFrame& f = *frame_;
    Document& d = *doc_;
    for (const Operation& op : Operations()) {
        if (op.command_id == 0) continue;  // the view's field edits have no button
        const DialogRun run = DialogOf(op.name);
        // The record operations start with the sort, after the conversions.
        if (op.command_id == ID_SORT_SHORI) f.AddOperationSeparator();
        std::function<void()> command = [run, &d, &f] { run(d, f); };
        if (op.command_id == ID_TXT_TO_CSV) {
            // The split lines are the input: without the mode, offer it first.
            command = [run, &d, &f] {
                if (d.View().split_mode) {
                    run(d, f);
                } else if (d.Message(kMsgNeedSplitMode, MsgStyle::Question) == kIdYes) {
                    d.SetSplitMode(true);
                    d.ViewSink().UpdateViewLayout();
                }
            };
        }
        f.AddOperation(op.command_id, command,
                       QStringLiteral(":/icons/%1.svg").arg(QLatin1String(op.icon)));
    }
    f.AddTabRowCommand(
        ID_PROPERTY, [&d, &f] { RunDialog<CPropertyDlg>(d, f); },
        QStringLiteral(":/icons/property.svg"));
}

bool CVarnelApp::OfferRecovery() {
    for (const DocumentRecord& r : FindAbandonedDocuments(QDir::tempPath().toStdString())) {
        const QString when =
            QDateTime::fromSecsSinceEpoch(r.time).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        const std::string prefix = (r.file.empty() ? r.working : r.file) + "\n" +
                                   when.toStdString() + "  " + std::to_string(r.records) +
                                   " レコード\n";
        if (ShowMessage(*messages_, kMsgOfferRecovery, prefix, MsgStyle::Question) != kIdYes) {
            DiscardAbandoned(r);
            continue;
        }
        const bool recovered = doc_->RecoverDocument(r);
        // Its working file was copied: what the dead run left can go.
        if (recovered) DiscardAbandoned(r);
        return recovered;
    }
    return false;
}

bool CVarnelApp::InitInstance(const QStringList& files) {
    // One instance at a time. The lock is held until this object ends; a lock
    // left by a process that no longer runs is taken over.
    lock_ = std::make_unique<QLockFile>(LockFilePath(options_.lock_dir));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        ShowMessage(*messages_, kMsgAlreadyRunning, {}, MsgStyle::Error);
        return false;
    }
    // What a run that crashed left in the temporary folder, and only that.
    RemoveAbandonedTemps(QDir::tempPath().toStdString());

    view_options_ = last::LoadViewOptions(*settings_);

    frame_ = std::make_unique<CMainFrame>(*doc_, *settings_, view_options_, *recent_);
    host_->view = frame_->View();
    host_->frame = frame_.get();
    host_->status = frame_->StatusBar();
    boxes_->SetMainWindow(frame_.get());
    AddOperations();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int title = 2 * frame_->style()->pixelMetric(QStyle::PM_TitleBarHeight);
        frame_->resize(FirstWindowSize(screen->availableGeometry().size(),
                                       frame_->Ribbon()->LabelledWidth(), title));
    }
    frame_->show();
    KeepOnScreen(frame_.get());
    if (last::LoadZoomed(*settings_)) frame_->showMaximized();
    frame_->ShowFontSize(view_options_.font_size);

    frame_->View()->setAcceptDrops(true);

    doc_->SetRecording(true);
    // Unsaved work of a run that died comes back first; it is never lost
    // unasked, and one document is open at a time.
    if (OfferRecovery()) return true;

    if (!files.isEmpty()) {
        std::vector<std::string> paths;
        paths.reserve(static_cast<std::size_t>(files.size()));
        for (const QString& f : files) {
            // A name that is no file would otherwise be passed over in silence.
            if (!QFileInfo(f).isFile()) {
                ShowMessage(*messages_, kMsgOpenFailed, f.toStdString() + "\n", MsgStyle::Error);
                continue;
            }
            paths.push_back(f.toStdString());
        }
        if (!paths.empty()) doc_->OpenFiles(std::move(paths), true);
    }
    frame_->UpdateCommandUI();
    return true;
}

}  // namespace tesmora::desktop
