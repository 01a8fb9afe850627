#pragma once
// Message boxes captioned with the application name, owned by the active
// modal dialog or else the main window.
#include <QPointer>
#include <QWidget>

#include "tesmora/document/host.h"

namespace tesmora::desktop {

class QtMessageSink : public IMessageSink {
  public:
    int Show(int id, const std::string& text, MsgStyle style) override;
    // The owner when no modal dialog is active; none before the main window exists.
    void SetMainWindow(QWidget* window) { main_window_ = window; }

  private:
    QPointer<QWidget> main_window_;
};

}  // namespace tesmora::desktop
