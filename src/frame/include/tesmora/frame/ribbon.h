#pragma once
// A ribbon of our own making: the quick access toolbar, the tab row with the
// application button and the buttons at its right, and one tab of panels.
// Every control is bound to a QAction, so it follows the action's enabled
// and checked state, label and tooltip.
#include <QCheckBox>
#include <QFrame>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QToolButton>

class QAction;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QGridLayout;
class QKeyEvent;

namespace tesmora::desktop {

// A key that runs a control while the ribbon shows its key tips.
struct KeyTip {
    QPointer<QWidget> control;
    QString key;
};

// A check box that shows a checkable action and triggers it when clicked.
class ActionCheckBox : public QCheckBox {
    Q_OBJECT

  public:
    ActionCheckBox(QAction* action, QWidget* parent = nullptr);
    QAction* Action() const { return action_; }

  private:
    void Sync();
    QAction* action_;
};

// One panel of the tab: columns of controls with the caption below.
class RibbonPanel : public QFrame {
    Q_OBJECT

  public:
    RibbonPanel(const QString& title, QWidget* parent = nullptr);

    QString Title() const { return title_; }
    // A large button: image above, label below; a space in the label breaks it
    // into two lines.
    QToolButton* AddLargeButton(QAction* action, const QString& label);
    // A column of small controls stacked from the top (up to three).
    QVBoxLayout* AddColumn();
    void AddSeparator();
    bool IsEmpty() const { return controls_ == 0; }
    // Compact: the large buttons show their images only (the label stays
    // in the tooltip), for a window too narrow for the labels.
    void SetCompact(bool on);
    void NoteControl() { ++controls_; }

    // The panel's own key (shown with the tab's keys) and the keys of its
    // controls (shown once the panel's key or the tab's key is typed).
    void SetKeyTip(const QString& key) { key_ = key; }
    QString KeyTipKey() const { return key_; }
    void SetControlKeyTip(QWidget* control, const QString& key);
    const QList<KeyTip>& ControlKeyTips() const { return tips_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString title_;
    QHBoxLayout* content_;
    QLabel* caption_;
    int controls_ = 0;
    QString key_;
    QList<KeyTip> tips_;
    QList<QToolButton*> large_;
};

// The application button's menu: the file commands at the left, the recent
// files at the right, the About and Exit buttons at the bottom.
class CApplicationMenu : public QFrame {
    Q_OBJECT

  public:
    explicit CApplicationMenu(QWidget* parent = nullptr);

    void AddCommand(QAction* action);
    void AddBottomCommand(QAction* action);
    // Menu texts of the entries ("&1 name"); an empty text hides its entry.
    void SetRecentFiles(const QStringList& texts);
    QString RecentTitle() const;
    QList<QAbstractButton*> RecentButtons() const { return recent_; }
    void Popup(const QPoint& at);

  signals:
    void recentFileChosen(int index);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QToolButton* MakeButton(QAction* action, int icon_size);
    QVBoxLayout* commands_;
    QHBoxLayout* bottom_;
    QVBoxLayout* recent_box_;
    QLabel* recent_title_;
    QList<QAbstractButton*> buttons_;
    QList<QAbstractButton*> recent_;
};

class CRibbonBar : public QFrame {
    Q_OBJECT

  public:
    explicit CRibbonBar(QWidget* parent = nullptr);

    QToolButton* ApplicationButton() const { return app_button_; }
    CApplicationMenu* ApplicationMenu() const { return app_menu_; }
    QString TabTitle() const;
    void AddQuickAccess(QAction* action);
    // Small image buttons at the right end of the tab row; index is the place
    // among them (-1: after the others).
    QToolButton* AddTabRowButton(QAction* action, int index = -1);
    RibbonPanel* AddPanel(const QString& title, const QString& key = {});
    QList<RibbonPanel*> Panels() const { return panels_; }
    // Shows the panels that hold controls; call after adding controls.
    void RefreshPanels();
    // Whether the large buttons show images only, the panels being too wide
    // for the window with their labels.
    bool IsCompact() const { return compact_; }
    // The width the panels need with their labels.
    int LabelledWidth() const { return full_width_; }
    // Double click on the tab or Ctrl+F1: only the tab row stays.
    void SetMinimized(bool on);
    bool IsMinimized() const { return minimized_; }

    // Key tips. Alt pressed and released alone (or F10) shows the first
    // level: the application button, the quick access buttons, the tab, the
    // panels and the tab row buttons. The key of a panel shows the keys of
    // its controls, the tab's key those of all panels. Typing a key runs its
    // control, Esc goes back one level, Alt, a click or leaving the window
    // hides them. Alt held with a first-level key runs it at once.
    void SetKeyTip(QWidget* control, const QString& key);
    int KeyTipLevel() const { return level_; }
    // The keys shown now, in the order of the controls.
    QStringList ShownKeyTips() const;
    // Every key sequence with the name of what it reaches, e.g. {"Alt, C, S", "ソート"}.
    QList<QPair<QString, QString>> KeyTipTable() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void FitPanels();
    QList<KeyTip> CurrentKeyTips() const;
    bool Reachable(const KeyTip& tip) const;
    void ShowKeyTips(int level, RibbonPanel* scope = nullptr);
    void HideKeyTips();
    bool KeyTipKey(QKeyEvent* event);
    void RunKeyTip(const KeyTip& tip);

    QHBoxLayout* quick_;
    QHBoxLayout* tab_row_right_;
    QToolButton* app_button_;
    CApplicationMenu* app_menu_;
    QLabel* tab_;
    QWidget* panel_area_;
    QHBoxLayout* panel_layout_;
    QList<RibbonPanel*> panels_;
    bool minimized_ = false;
    bool compact_ = false;
    int full_width_ = 0;  // the panels' width with their labels
    QList<KeyTip> top_tips_;
    int level_ = 0;                 // 0: no key tips shown
    RibbonPanel* scope_ = nullptr;  // level 2: the panel, or nullptr for all
    bool alt_alone_ = false;
    bool restore_minimized_ = false;
    QList<QLabel*> tip_labels_;
};

}  // namespace tesmora::desktop
