#pragma once
// The history panel: the document's steps as batch commands with the record
// count after each, and "レシピとして保存…" to write them as a recipe.
#include <QDockWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace tesmora {
class Document;
}

namespace tesmora::desktop {

class CHistoryPanel : public QDockWidget {
    Q_OBJECT

  public:
    CHistoryPanel(Document& doc, QWidget* parent = nullptr);

    // Shows the history as it is now (cheap when it has not changed).
    void Refresh();
    // Writes the recipe to path; false, with its message shown, when it cannot.
    bool SaveTo(const QString& path);

    // The file dialog, replaceable (tests answer it directly).
    using PathChooser = std::function<QString()>;
    void SetPathChooser(PathChooser chooser) { choose_path_ = std::move(chooser); }

    QListWidget* Steps() const { return steps_; }
    QLabel* Note() const { return note_; }
    QPushButton* SaveButton() const { return save_; }

  private:
    void OnSave();

    Document& doc_;
    QLabel* note_;
    QListWidget* steps_;
    QPushButton* save_;
    PathChooser choose_path_;
    // What the list shows: the step count and the last step's commit.
    std::size_t shown_steps_ = static_cast<std::size_t>(-1);
    std::int64_t shown_commit_ = -1;
    bool shown_restarted_ = false;
};

}  // namespace tesmora::desktop
