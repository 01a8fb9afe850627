#pragma once
// The small interfaces through which the engine talks to the outside: the
// desktop program implements them with message boxes, a status bar,
// QSettings and the view; tests and the batch front end with their own.
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace tesmora {

enum class MsgStyle { Error, Question, QuestionCancel, Info };

// Buttons as the message box returns them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class IMessageSink {
  public:
    virtual ~IMessageSink() = default;
    // Shows text (UTF-8; prefix already joined) and returns the button pressed.
    // id is the string-table number, for sinks that answer by message.
    virtual int Show(int id, const std::string& text, MsgStyle style) = 0;
};

// Thrown out of a progress sink when the user stops the work. Everything
// the work touched is put back as it was on the way out; the document's
// commands end as after a failure, with "中止しました" in the status bar.
struct Cancelled {};

class IProgressSink {
  public:
    virtual ~IProgressSink() = default;
    virtual void SetRange(int upper) = 0;  // lower bound is always 0
    virtual void SetPos(int pos) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
};

class ISettingsStore {
  public:
    virtual ~ISettingsStore() = default;
    virtual int GetInt(const std::string& section, const std::string& key, int def) = 0;
    virtual void SetInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& def) = 0;
    virtual void SetString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// What the document asks of the view and the frame.
class IViewSink {
  public:
    virtual ~IViewSink() = default;
    // The off-screen image must hold this many columns; false when it cannot
    // (the view reports the failure itself).
    virtual bool CreateOffscreenImage(int /*columns*/) { return true; }
    virtual void UpdateViewLayout() {}
    virtual void RedrawView() {}
    // Document closed: background only, horizontal offset and scroll bars 0.
    virtual void ClearView() {}
    // After an undo: horizontal offset and both scroll bars back to 0.
    virtual void ResetScroll() {}
    virtual void SetWaitCursor(bool /*on*/) {}
    virtual void UpdateTitle() {}
    virtual void AddRecentFile(const std::string& /*path*/) {}
    virtual void SplitModeChanged() {}
};

// Settings kept in memory: tests and the batch front end.
class MemorySettings : public ISettingsStore {
  public:
    int GetInt(const std::string& section, const std::string& key, int def) override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Silent defaults: no messages (answers No), no progress.
class NullMessages : public IMessageSink {
  public:
    int Show(int, const std::string&, MsgStyle style) override {
        return style == MsgStyle::Question || style == MsgStyle::QuestionCancel ? kIdNo : kIdOk;
    }
};
class NullProgress : public IProgressSink {
  public:
    void SetRange(int) override {}
    void SetPos(int) override {}
    void SetStatusText(const std::string&) override {}
};

}  // namespace tesmora
