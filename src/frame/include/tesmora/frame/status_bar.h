#pragma once
// The status bar: pane 0 carries the command prompts and the time the last
// load or operation took, pane 1 is covered by the progress bar every long
// pass drives.
#include <QElapsedTimer>
#include <QStatusBar>

#include "tesmora/document/host.h"

class QLabel;
class QProgressBar;

namespace tesmora::desktop {

class MyStatusBar : public QStatusBar, public IProgressSink {
    Q_OBJECT

  public:
    explicit MyStatusBar(QWidget* parent = nullptr);

    // IProgressSink: passes run without returning to the event loop, so the
    // bar repaints itself, at most a few dozen times a second.
    void SetRange(int upper) override;
    void SetPos(int pos) override;
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
};

}  // namespace tesmora::desktop
