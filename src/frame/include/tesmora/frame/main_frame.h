#pragma once
// The main window: the ribbon, the record view as its client area and the
// status bar. It turns commands into calls of the document and the view,
// enables them from the document state, asks about unsaved changes when it
// closes and stores the window state. It holds no document state of its own.
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "tesmora/document/document.h"
#include "tesmora/frame/commands.h"
#include "tesmora/view/view_options.h"

class QAction;
class QComboBox;
class QTimer;

namespace tesmora::desktop {

class CChildView;
class CRibbonBar;
class MyStatusBar;
class RecentFileList;
class RibbonPanel;
class CHistoryPanel;

enum class FileDialogKind { Open, SaveAs, Recipe };

// What a file dialog gave: the path (empty: cancelled) and the encoding its
// filter chose (none: detect when opening, the document's when saving).
struct FileChoice {
    FileChoice(QString p = {}, std::optional<Encoding> e = std::nullopt)
        : path(std::move(p)), encoding(e) {}
    QString path;
    std::optional<Encoding> encoding;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    CMainFrame(Document& doc, ISettingsStore& settings, ViewOptions& options,
               RecentFileList& recent, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CChildView* View() const { return view_; }
    MyStatusBar* StatusBar() const { return status_; }
    CRibbonBar* Ribbon() const { return ribbon_; }
    QComboBox* FontBox() const { return font_box_; }
    // The action of a command id; nullptr when the window has none.
    QAction* Action(int id) const;
    // Every command reached by a key, e.g. {"Ctrl+O", "開く"}.
    QList<QPair<QString, QString>> ShortcutTable() const;

    // Enabled and checked states from the document state. Runs after every
    // command and whenever the document tells the windows about a change.
    void UpdateCommandUI();
    void RequestCommandUpdate();

    // What the document asks of the frame.
    void UpdateTitle();
    void AddRecentFile(const std::string& path);
    void SplitModeChanged();

    // Shows the font size in the ribbon's font box (clamped to its items).
    void ShowFontSize(int points);

    // The system's file dialogs, replaceable (tests answer them directly).
    using FileChooser = std::function<FileChoice(FileDialogKind)>;
    void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

    // An operation of the "テキスト処理" panel: a large button labelled from the
    // command table, enabled by its rule, e.g.
    //   AddOperation(ID_SORT_SHORI, [this] { CSortDlg(doc_, *view_, this).exec(); },
    //                QStringLiteral(":/icons/sort.svg"));
    QAction* AddOperation(int id, std::function<void()> run, const QString& icon);
    // A separator after the operations added so far.
    void AddOperationSeparator();

    // The history panel (shown and hidden by ID_RIREKI_DSP).
    CHistoryPanel* HistoryPanel() const { return history_; }
    // Runs the recipe file on the document (the "レシピ実行…" command after
    // its file dialog).
    bool RunRecipeFile(const QString& path);

    // A small image button at the right of the tab row, left of the manual
    // button, labelled and enabled from the command table.
    QAction* AddTabRowCommand(int id, std::function<void()> run, const QString& icon);

    // ---- command handlers ----
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileClose();
    void OnRecentFile(int index);
    void OnEditUndo();
    void OnDspKeta();
    void OnDspRno();
    void OnBunkatuMode();
    void OnFontSize(int index);
    void OnFilesDropped(const QStringList& paths);
    void OnHelp();
    void OnAbout();
    void OnRirekiDsp();
    void OnRecipeJikkou();

  signals:
    // The window closed (after its question was answered).
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // One command: its action with label, tooltip, access key and enable rule
    // from the command table, bound to handler and added to the window.
    QAction* AddCommand(int id, std::function<void()> handler, const QString& icon = {});
    // The command's keys, named in its tooltip too.
    void SetKeys(QAction* action, const QList<QKeySequence>& keys);
    void BuildRibbon();
    void RefreshRecentFiles();
    void StoreWindowState();
    FileChoice ChooseFile(FileDialogKind kind);

    Document& doc_;
    ISettingsStore& settings_;
    ViewOptions& options_;
    RecentFileList& recent_;
    CChildView* view_;
    CRibbonBar* ribbon_;
    MyStatusBar* status_;
    QComboBox* font_box_ = nullptr;
    RibbonPanel* view_panel_ = nullptr;
    RibbonPanel* text_panel_ = nullptr;
    RibbonPanel* recipe_panel_ = nullptr;
    CHistoryPanel* history_ = nullptr;
    std::map<int, QAction*> actions_;
    QTimer* idle_;
    FileChooser choose_file_;
};

}  // namespace tesmora::desktop
