#include "tesmora/frame/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "tesmora/document/messages.h"
#include "tesmora/frame/about_dlg.h"
#include "tesmora/frame/help_dlg.h"
#include "tesmora/frame/history_panel.h"
#include "tesmora/frame/recent_files.h"
#include "tesmora/frame/ribbon.h"
#include "tesmora/frame/status_bar.h"
#include "tesmora/ops/recipe.h"
#include "tesmora/view/child_view.h"

namespace tesmora::desktop {
namespace {

QString FileFilter() {
#ifdef _WIN32
    return QStringLiteral("all files(*.*)");
#else
    // "*.*" would hide the many files here that have no extension.
    return QStringLiteral("all files(*)");
#endif
}

// The encodings the file dialogs offer as filters over every file: opening
// detects unless one is chosen, saving writes the one chosen.
QString EncodingFilter(Encoding e) {
    QString all = FileFilter();
    all.insert(all.indexOf(u'('),
               QStringLiteral(" - ") + QString::fromUtf8(EncodingName(e)) + u' ');
    return all;
}

constexpr Encoding kEncodings[] = {Encoding::ShiftJis, Encoding::Utf8, Encoding::Utf8Bom};

QString AppTitle() {
    const char* title = MessageText(128);
    return QString::fromUtf8(title ? title : kAppName);
}

// A command's tooltip: its title with its keys, then its description.
QString ToolTipOf(int id, const QList<QKeySequence>& keys) {
    const CommandPrompt prompt = PromptOf(id);
    if (prompt.title.isEmpty()) return {};
    QString title = QStringLiteral("<b>%1</b>").arg(prompt.title.toHtmlEscaped());
    QStringList names;
    for (const QKeySequence& k : keys) names.append(k.toString(QKeySequence::NativeText));
    if (!names.isEmpty())
        title += QStringLiteral(" (%1)").arg(names.join(QStringLiteral(", ")).toHtmlEscaped());
    return title + QStringLiteral("<br>") + prompt.description.toHtmlEscaped();
}

// The platform's keys for a standard action, or its usual ones where the
// platform has none (Windows binds no key to Save As).
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey key, const QKeySequence& usual) {
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty()) keys.append(usual);
    return keys;
}

}  // namespace

CMainFrame::CMainFrame(Document& doc, ISettingsStore& settings, ViewOptions& options,
                       RecentFileList& recent, QWidget* parent)
    : QMainWindow(parent),
      doc_(doc),
      settings_(settings),
      options_(options),
      recent_(recent),
      view_(new CChildView(doc, options, settings, this)),
      ribbon_(new CRibbonBar(this)),
      status_(new MyStatusBar(this)),
      idle_(new QTimer(this)) {
    setWindowIcon(QIcon(QStringLiteral(":/icons/tesmora.svg")));
    setCentralWidget(view_);
    setMenuWidget(ribbon_);
    setStatusBar(status_);
    idle_->setSingleShot(true);
    idle_->setInterval(0);
    connect(idle_, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);

    BuildRibbon();
    connect(view_, &CChildView::fontSizeChanged, this, &CMainFrame::ShowFontSize);
    connect(view_, &CChildView::filesDropped, this, [this](const QStringList& paths) {
        OnFilesDropped(paths);
        UpdateCommandUI();
    });
    connect(ribbon_->ApplicationMenu(), &CApplicationMenu::recentFileChosen, this,
            [this](int index) {
                OnRecentFile(index);
                UpdateCommandUI();
            });

    ShowFontSize(options_.font_size);
    UpdateTitle();
    UpdateCommandUI();
    view_->setFocus();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(int id, std::function<void()> handler, const QString& icon) {
    const CommandInfo* info = FindCommand(id);
    auto* action = new QAction(this);
    action->setData(id);
    if (info) action->setText(QString::fromUtf8(info->label));
    action->setStatusTip(PromptOf(id).description);
    status_->ReserveText(action->statusTip());
    const QString tip = ToolTipOf(id, {});
    if (!tip.isEmpty()) action->setToolTip(tip);
    if (!icon.isEmpty()) action->setIcon(QIcon(icon));
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] {
        handler();
        UpdateCommandUI();
    });
    addAction(action);  // its keys work anywhere in the window
    actions_[id] = action;
    return action;
}

void CMainFrame::SetKeys(QAction* action, const QList<QKeySequence>& keys) {
    action->setShortcuts(keys);
    const QString tip = ToolTipOf(action->data().toInt(), keys);
    if (!tip.isEmpty()) action->setToolTip(tip);
}

QList<QPair<QString, QString>> CMainFrame::ShortcutTable() const {
    QList<QPair<QString, QString>> table;
    for (const auto& [id, action] : actions_) {
        const QString name = PromptOf(id).title;
        if (action->shortcuts().isEmpty() || name.isEmpty()) continue;
        QStringList keys;
        for (const QKeySequence& k : action->shortcuts())
            keys.append(k.toString(QKeySequence::NativeText));
        table.append({keys.join(QStringLiteral("、")), name});
    }
    return table;
}

void CMainFrame::BuildRibbon() {
    QAction* open = AddCommand(
        ID_FILE_OPEN, [this] { OnFileOpen(); }, ":/icons/open.svg");
    QAction* save = AddCommand(
        ID_FILE_SAVE, [this] { OnFileSave(); }, ":/icons/save.svg");
    QAction* save_as = AddCommand(
        ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); }, ":/icons/save_as.svg");
    QAction* close_file = AddCommand(
        ID_FILE_CLOSE, [this] { OnFileClose(); }, ":/icons/close.svg");
    QAction* about = AddCommand(
        ID_APP_ABOUT, [this] { OnAbout(); }, ":/icons/about.svg");
    QAction* exit = AddCommand(
        ID_APP_EXIT, [this] { close(); }, ":/icons/exit.svg");
    QAction* undo = AddCommand(
        ID_EDIT_UNDO, [this] { OnEditUndo(); }, ":/icons/undo.svg");
    SetKeys(undo, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    // The keys every desktop program has.
    SetKeys(open, StandardKeys(QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O)));
    SetKeys(save, StandardKeys(QKeySequence::Save, QKeySequence(Qt::CTRL | Qt::Key_S)));
    SetKeys(save_as,
            StandardKeys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    QAction* ruler = AddCommand(ID_DSP_KETA, [this] { OnDspKeta(); });
    QAction* numbers = AddCommand(ID_DSP_RNO, [this] { OnDspRno(); });
    QAction* split = AddCommand(ID_BUNKATU_MODE, [this] { OnBunkatuMode(); });
    for (QAction* a : {ruler, numbers, split}) a->setCheckable(true);
    QAction* help = AddCommand(
        ID_HELP_DSP, [this] { OnHelp(); }, ":/icons/help.svg");
    SetKeys(help, StandardKeys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));
    AddCommand(ID_FIRST_PAGE, [this] {
        view_->FirstPage();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home));
    AddCommand(ID_LAST_PAGE, [this] {
        view_->LastPage();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_End));

    auto* minimize = new QAction(this);
    minimize->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
    connect(minimize, &QAction::triggered, this,
            [this] { ribbon_->SetMinimized(!ribbon_->IsMinimized()); });
    addAction(minimize);

    CApplicationMenu* menu = ribbon_->ApplicationMenu();
    for (QAction* a : {open, save, save_as, close_file}) menu->AddCommand(a);
    menu->AddBottomCommand(about);
    menu->AddBottomCommand(exit);

    for (QAction* a : {open, save, save_as, close_file, undo}) ribbon_->AddQuickAccess(a);
    // The document properties button (ID_PROPERTY) joins the manual here,
    // through AddTabRowCommand.
    ribbon_->SetKeyTip(ribbon_->AddTabRowButton(help), KeyTipOf(ID_HELP_DSP));

    view_panel_ = ribbon_->AddPanel(QStringLiteral("表示"), QStringLiteral("B"));
    view_panel_->SetControlKeyTip(view_panel_->AddLargeButton(undo, QStringLiteral("元に戻す")),
                                  KeyTipOf(ID_EDIT_UNDO));
    QVBoxLayout* font_column = view_panel_->AddColumn();
    auto* font_row = new QHBoxLayout;
    auto* font_label = new QLabel(QStringLiteral("フォント"), view_panel_);
    font_box_ = new QComboBox(view_panel_);
    for (int size = kMinFontSize; size <= kMaxFontSize; ++size)
        font_box_->addItem(QString::number(size));
    font_box_->setMaxVisibleItems(kMaxFontSize - kMinFontSize + 1);
    font_box_->setFocusPolicy(Qt::ClickFocus);
    font_box_->setAccessibleName(QString::fromUtf8(FindCommand(ID_COMBO1)->label));
    const CommandPrompt font_prompt = PromptOf(ID_COMBO1);
    font_box_->setToolTip(
        QStringLiteral("<b>%1</b><br>%2")
            .arg(font_prompt.title.toHtmlEscaped(), font_prompt.description.toHtmlEscaped()));
    font_box_->setStatusTip(font_prompt.description);
    status_->ReserveText(font_prompt.description);
    font_label->setBuddy(font_box_);
    connect(font_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        OnFontSize(index);
        UpdateCommandUI();
    });
    // Back to the records once a size is chosen.
    connect(font_box_, &QComboBox::activated, view_, [this] { view_->setFocus(); });
    font_row->addWidget(font_label);
    font_row->addWidget(font_box_);
    font_column->addLayout(font_row);
    view_panel_->NoteControl();
    view_panel_->SetControlKeyTip(font_box_, KeyTipOf(ID_COMBO1));
    view_panel_->AddSeparator();
    QVBoxLayout* checks = view_panel_->AddColumn();
    for (QAction* a : {ruler, numbers, split}) {
        auto* box = new ActionCheckBox(a, view_panel_);
        checks->addWidget(box);
        view_panel_->NoteControl();
        view_panel_->SetControlKeyTip(box, KeyTipOf(a->data().toInt()));
    }

    // The operations join this panel one AddOperation each, in the order
    // CSV⇒TXT, TXT⇒CSV, separator, sort, duplicates, condition, record length,
    // field length, append, lookup replacement, multiple replacement.
    text_panel_ = ribbon_->AddPanel(QStringLiteral("テキスト処理"), QStringLiteral("C"));

    // The recipes: the history of what was done, and running a saved one.
    history_ = new CHistoryPanel(doc_, this);
    addDockWidget(Qt::RightDockWidgetArea, history_);
    history_->hide();
    QAction* history = AddCommand(
        ID_RIREKI_DSP, [this] { OnRirekiDsp(); }, ":/icons/history.svg");
    history->setCheckable(true);
    connect(history_, &QDockWidget::visibilityChanged, this, [this] { UpdateCommandUI(); });
    QAction* run_recipe = AddCommand(
        ID_RECIPE_JIKKOU, [this] { OnRecipeJikkou(); }, ":/icons/recipe_run.svg");
    recipe_panel_ = ribbon_->AddPanel(QStringLiteral("レシピ"), QStringLiteral("N"));
    for (QAction* a : {history, run_recipe})
        recipe_panel_->SetControlKeyTip(
            recipe_panel_->AddLargeButton(a,
                                          QString::fromUtf8(FindCommand(a->data().toInt())->label)),
            KeyTipOf(a->data().toInt()));
    ribbon_->RefreshPanels();
    RefreshRecentFiles();
}

QAction* CMainFrame::AddOperation(int id, std::function<void()> run, const QString& icon) {
    QAction* action = AddCommand(id, std::move(run), icon);
    const CommandInfo* info = FindCommand(id);
    text_panel_->SetControlKeyTip(
        text_panel_->AddLargeButton(action, QString::fromUtf8(info ? info->label : "")),
        KeyTipOf(id));
    ribbon_->RefreshPanels();
    UpdateCommandUI();
    return action;
}

void CMainFrame::AddOperationSeparator() {
    text_panel_->AddSeparator();
}

QAction* CMainFrame::AddTabRowCommand(int id, std::function<void()> run, const QString& icon) {
    QAction* action = AddCommand(id, std::move(run), icon);
    ribbon_->SetKeyTip(ribbon_->AddTabRowButton(action, 0), KeyTipOf(id));
    UpdateCommandUI();
    return action;
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandUI() {
    // Nothing may enter the document while long work runs in it.
    const bool working = status_->Working();
    for (const auto& [id, action] : actions_) {
        if (const CommandInfo* info = FindCommand(id))
            action->setEnabled(!working && IsEnabled(info->rule, doc_));
    }
    if (QAction* a = Action(ID_DSP_KETA)) a->setChecked(options_.show_ruler);
    if (QAction* a = Action(ID_DSP_RNO)) a->setChecked(options_.show_record_numbers);
    if (QAction* a = Action(ID_BUNKATU_MODE)) a->setChecked(doc_.View().split_mode);
    if (font_box_) font_box_->setEnabled(!working && IsEnabled(FindCommand(ID_COMBO1)->rule, doc_));
    if (QAction* a = Action(ID_RIREKI_DSP)) a->setChecked(history_ && history_->isVisible());
    if (history_) history_->Refresh();
    // Commits and saves change the flag without a word to the frame.
    setWindowModified(doc_.IsOpen() && doc_.Modified());
    RefreshRecentFiles();
}

void CMainFrame::RequestCommandUpdate() {
    idle_->start();
}

// ---- what the document asks ----

void CMainFrame::UpdateTitle() {
    const std::string& name = doc_.CurrentFileName();
    // The title changes whenever the file or its encoding may have.
    status_->SetEncoding(doc_.IsOpen() ? QString::fromUtf8(EncodingName(doc_.FileEncoding()))
                                       : QString());
    if (name.empty()) {
        setWindowTitle(AppTitle());
        return;
    }
    const QString file = QFileInfo(QString::fromStdString(name)).fileName();
    // "[*]" shows the unsaved changes; Qt escapes a "[*]" in the name itself.
    if (!file.isEmpty())
        setWindowTitle(QString(file).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")) +
                       QStringLiteral("[*]"));
    setWindowModified(doc_.IsOpen() && doc_.Modified());
}

void CMainFrame::AddRecentFile(const std::string& path) {
    recent_.Add(QString::fromStdString(path));
    RefreshRecentFiles();
}

void CMainFrame::SplitModeChanged() {
    if (QAction* a = Action(ID_BUNKATU_MODE)) a->setChecked(doc_.View().split_mode);
    RequestCommandUpdate();
}

void CMainFrame::RefreshRecentFiles() {
    QStringList texts;
    for (int i = 0; i < recent_.Size(); ++i) texts.append(recent_.MenuText(i));
    ribbon_->ApplicationMenu()->SetRecentFiles(texts);
}

void CMainFrame::ShowFontSize(int points) {
    if (!font_box_) return;
    const QSignalBlocker block(font_box_);
    font_box_->setCurrentIndex(std::clamp(points - kMinFontSize, 0, kMaxFontSize - kMinFontSize));
}

// ---- commands ----

FileChoice CMainFrame::ChooseFile(FileDialogKind kind) {
    if (choose_file_) return choose_file_(kind);
    if (kind == FileDialogKind::Recipe)
        return FileChoice(
            QFileDialog::getOpenFileName(this, QStringLiteral("実行するレシピを指定"), QString(),
                                         QStringLiteral("レシピ (*.txt);;すべてのファイル (*)")));
    QStringList filters;
    if (kind == FileDialogKind::Open) {
        // A short file may read as either: the user can say which it is.
        filters << FileFilter() << EncodingFilter(Encoding::ShiftJis)
                << EncodingFilter(Encoding::Utf8);
        QString selected = filters[0];
        const QString path =
            QFileDialog::getOpenFileName(this, QStringLiteral("オープンするファイルを指定"),
                                         QString(), filters.join(";;"), &selected);
        const int chosen = static_cast<int>(filters.indexOf(selected));
        if (chosen <= 0) return FileChoice(path);
        return FileChoice(path, kEncodings[chosen - 1]);
    }
    for (Encoding e : kEncodings) filters << EncodingFilter(e);
    QString selected = EncodingFilter(doc_.FileEncoding());
    // The overwrite question is the document's (30009), not the dialog's.
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("保存するファイルを指定"), QString(), filters.join(";;"), &selected,
        QFileDialog::DontConfirmOverwrite);
    const int chosen = static_cast<int>(filters.indexOf(selected));
    return FileChoice(path, chosen >= 0 ? std::optional(kEncodings[chosen]) : std::nullopt);
}

void CMainFrame::OnFileOpen() {
    if (doc_.IsOpen()) return;
    const FileChoice choice = ChooseFile(FileDialogKind::Open);
    if (choice.path.isEmpty()) return;
    LoadOptions options;
    options.encoding = choice.encoding;
    doc_.OpenDocument(choice.path.toStdString(), options);
}

void CMainFrame::OnRirekiDsp() {
    history_->setVisible(!history_->isVisible());
    UpdateCommandUI();
}

void CMainFrame::OnRecipeJikkou() {
    if (!doc_.IsOpen()) return;
    const FileChoice choice = ChooseFile(FileDialogKind::Recipe);
    if (!choice.path.isEmpty()) RunRecipeFile(choice.path);
}

bool CMainFrame::RunRecipeFile(const QString& path) {
    const bool done = RunRecipe(doc_, path.toStdString());
    UpdateCommandUI();
    return done;
}

void CMainFrame::OnFileSave() {
    doc_.Save();
}

void CMainFrame::OnFileSaveAs() {
    if (!doc_.IsOpen()) return;
    const FileChoice choice = ChooseFile(FileDialogKind::SaveAs);
    if (choice.path.isEmpty()) return;
    doc_.SaveAs(choice.path.toStdString(), choice.encoding);
}

void CMainFrame::OnFileClose() {
    if (doc_.IsOpen()) doc_.CloseDocument();
}

void CMainFrame::OnRecentFile(int index) {
    if (doc_.IsOpen() && !doc_.CloseDocument()) return;
    const QString path = recent_.Path(index);
    if (path.isEmpty()) return;
    if (!QFileInfo::exists(path)) {
        if (doc_.Message(kMsgRecentFileMissing, MsgStyle::Question, path.toStdString() + "\n") ==
            kIdYes) {
            recent_.Remove(index);
            RefreshRecentFiles();
        }
        return;
    }
    doc_.OpenDocument(path.toStdString());
}

void CMainFrame::OnEditUndo() {
    doc_.Undo();
}

void CMainFrame::OnDspKeta() {
    options_.show_ruler = !options_.show_ruler;
    last::StoreRuler(settings_, options_.show_ruler);
    view_->UpdateViewLayout();
}

void CMainFrame::OnDspRno() {
    options_.show_record_numbers = !options_.show_record_numbers;
    last::StoreRecordNumbers(settings_, options_.show_record_numbers);
    view_->UpdateViewLayout();
}

void CMainFrame::OnBunkatuMode() {
    ViewState& view = doc_.View();
    if (view.split_mode && !view.split_positions.empty()) {
        if (doc_.Message(kMsgReplaceSplitPositions, MsgStyle::Question) != kIdYes) return;
        view.split_positions.clear();
    }
    doc_.SetSplitMode(!view.split_mode);
    view_->UpdateViewLayout();
}

void CMainFrame::OnFontSize(int index) {
    if (index < 0) return;
    view_->SetFontSize(index + kMinFontSize);
}

void CMainFrame::OnFilesDropped(const QStringList& paths) {
    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths) files.push_back(p.toStdString());
    if (!files.empty()) doc_.OpenFiles(std::move(files), true);
}

void CMainFrame::OnHelp() {
    ShowManual(doc_, this);
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

// ---- closing ----

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A failed save at the question keeps the window and the document.
    if (doc_.IsOpen() && doc_.Modified() && !doc_.CloseDocument()) {
        event->ignore();
        UpdateCommandUI();
        return;
    }
    StoreWindowState();
    event->accept();
    emit closed();
}

void CMainFrame::StoreWindowState() {
    const bool zoomed = isMaximized();
    const QRect r = zoomed ? normalGeometry() : frameGeometry();
    last::StoreWindowState(settings_, zoomed, r.left(), r.top(), r.width(), r.height());
}

}  // namespace tesmora::desktop
