#pragma once
// What every operation dialog shares: Start and Cancel, the explanation
// panel, the field box or the two range boxes tied to the view's field
// selection, the view scroll buttons and the all-fields button. Each dialog
// builds its own controls into Body() and runs its operation in OnOK().
#include <QDialog>
#include <QRect>
#include <QSpinBox>
#include <QString>
#include <functional>

#include "tesmora/document/document.h"
#include "tesmora/ops/request.h"

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace tesmora::desktop {

class CChildView;

// Control ids shared by the dialogs, kept as object names ("ctl1046").
QString ControlName(int id);

// A number box with its up-down arrows. A step (arrow buttons, arrow keys,
// wheel) is offered to the hook first, with the position before the step and
// the step; the hook returns the position the box ends on. A number typed
// goes through the hook too, as a step from the position before it to the
// number, once the typing ends (Enter, focus leaving, a step, Start).
class CFieldSpin : public QSpinBox {
    Q_OBJECT

  public:
    using StepHook = std::function<int(int pos, int delta)>;
    explicit CFieldSpin(int id, QWidget* parent = nullptr);
    void SetStepHook(StepHook hook);
    void stepBy(int steps) override;
    // Takes a number still being typed.
    void TakeTyped();
    // Shows a position set by the dialog; what was being typed is dropped.
    void SetPosition(int pos);

  private:
    void ValueChanged(int value);

    StepHook hook_;
    int pos_ = 0;  // the position before a number is typed
    bool typed_ = false;
};

class COperationDlg : public QDialog {
    Q_OBJECT

  public:
    ~COperationDlg() override;

    // ---- controls, for the tests and the dialogs ----
    QPushButton* StartButton() const { return start_; }
    QPushButton* CancelButton() const { return cancel_; }
    QCheckBox* ExplainCheck() const { return explain_check_; }
    QPlainTextEdit* ExplainPanel() const { return explain_panel_; }
    bool ExplanationShown() const { return explanation_shown_; }
    // The field box (1001/1046) and, in range dialogs, the end box (1004/1057).
    CFieldSpin* FieldBox() const { return field_box_; }
    CFieldSpin* EndBox() const { return end_box_; }
    QToolButton* ScrollLeftButton() const { return left_; }
    QToolButton* ScrollRightButton() const { return right_; }
    QToolButton* AllFieldsButton() const { return all_; }

    // 1038 clicked.
    void ToggleExplanation();
    // 1019 and 1020 clicked.
    void ScrollViewLeft();
    void ScrollViewRight();
    // The all-fields button.
    void SelectAllFields();

  protected:
    COperationDlg(Document& doc, CChildView* view, const QString& title, QWidget* parent);

    // IDOK: stores the settings, checks, runs; true closes the dialog.
    virtual bool OnOK() = 0;
    // The pieces of the explanation panel, joined.
    virtual QString Explanation() const = 0;

    void accept() override;

    // Where a dialog puts its own controls (above nothing; Start, Cancel and
    // the explanation check box stand on the right).
    QBoxLayout* Body() const { return body_; }
    // Call once the controls are in place: fixes the dialog's size.
    void FinishLayout();

    // A row: label, field box, green marker and the view scroll buttons.
    // Opens it as a single-field box (opening steps 1 to 3).
    QBoxLayout* AddFieldRow(const QString& label, int stored_key_field);
    // A row: start box with green marker, end box with magenta marker, the
    // all-fields button and the view scroll buttons; opening steps 1 to 4.
    // The end box and the all-fields button carry the dialog's own ids.
    QBoxLayout* AddRangeRow(const QString& label, int stored_first, int stored_last,
                            int end_id = 1057, int all_id = 1023);

    // A label with the 12 x 12 marker (134 green, 135 magenta).
    QLabel* Marker(bool start) const;
    // A number box with arrows and no tie to the selection (lengths).
    CFieldSpin* NumberBox(int id, int low, int high, int value);
    // Line edits that take only text code page 932 can hold.
    void LimitToCodePage(QLineEdit* edit) const;

    int MostFields() const;
    void Redraw();
    // Shows a message of the string table with this dialog as owner.
    void Message(int id, MsgStyle style = MsgStyle::Error);
    // A refused request: its message shown and the focus put where it says.
    // True when the request was accepted.
    bool Validate(const Validation& v);
    // The control of a focus target (none by default).
    virtual QWidget* FocusControl(Focus) const { return nullptr; }

    Document& doc_;
    CChildView* view_;

  private:
    QToolButton* IconButton(int id, const QIcon& icon);
    void AddScrollButtons(QBoxLayout* row);
    int FieldStep(int pos, int delta);
    int StartStep(int pos, int delta);
    int EndStep(int pos, int delta);

    QWidget* page_ = nullptr;
    QBoxLayout* body_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* explain_check_ = nullptr;
    QPlainTextEdit* explain_panel_ = nullptr;
    CFieldSpin* field_box_ = nullptr;
    CFieldSpin* end_box_ = nullptr;
    QToolButton* left_ = nullptr;
    QToolButton* right_ = nullptr;
    QToolButton* all_ = nullptr;
    bool explanation_shown_ = false;
    QRect saved_rect_;
};

}  // namespace tesmora::desktop
