#pragma once
// The status bar: pane 0 carries the command prompts and the time the last
// load or operation took, pane 1 is covered by the progress bar every long
// pass drives. While long work runs it also keeps the program alive: it
// handles the window's events at the progress steps, lets through only the
// cancel button and Esc, and stops the work when either is used.
#include <QElapsedTimer>
#include <QStatusBar>
#include <functional>

#include "tesmora/document/host.h"

class QLabel;
class QToolButton;
class QProgressBar;

namespace tesmora::desktop {

class MyStatusBar : public QStatusBar, public IProgressSink {
    Q_OBJECT

  public:
    explicit MyStatusBar(QWidget* parent = nullptr);

    // IProgressSink: passes run without returning to the event loop, so the
    // bar repaints itself, at most a few dozen times a second; during long
    // work it handles the events too, and throws Cancelled once the user
    // has stopped the work.
    void SetRange(int upper) override;
    void SetPos(int pos) override;

    // Long work begins and ends (nested calls count).
    void BeginWork();
    void EndWork();
    bool Working() const { return depth_ > 0; }
    // As the cancel button and Esc do.
    void RequestCancel();
    QToolButton* CancelButton() const { return cancel_; }
    // Called at each progress step of long work (tests slow the work).
    void SetWorkHook(std::function<void()> hook) { hook_ = std::move(hook); }
    void SetStatusText(const std::string& text) override;

    QProgressBar* ProgressBar() const { return progress_; }
    // The text of pane 0.
    QString StatusText() const { return currentMessage(); }
    // The pane after the progress bar: the document's encoding (empty: none).
    void SetEncoding(const QString& name);
    QString EncodingText() const;
    // A text pane 0 must show whole (a command's description): the progress
    // bar gives up width for it, down to a minimum, when the window is narrow.
    void ReserveText(const QString& text);
    // Whether text fits pane 0 as the bar stands now.
    bool TextFits(const QString& text) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Show(int pos, bool now);
    void FitProgressBar();
    QProgressBar* progress_;
    QLabel* encoding_;
    int pane_width_ = 0;  // pane 1's own width
    int text_width_ = 0;  // the widest text reserved
    int upper_ = 0;
    int pos_ = 0;
    QElapsedTimer last_paint_;
    QToolButton* cancel_;
    int depth_ = 0;
    bool cancel_requested_ = false;
    bool thrown_ = false;
    QElapsedTimer range_started_;  // for the time left
    bool time_left_shown_ = false;
    std::function<void()> hook_;
};

}  // namespace tesmora::desktop
