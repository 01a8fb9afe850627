#pragma once
// Every command of the main window: its number, its ribbon label and the rule
// that enables it. Tooltips come from the string table entry of the same
// number ("description\ntitle"); the operations'
// numbers are those of the operations table.
#include <QString>
#include <span>

#include "tesmora/ops/operations.h"

namespace tesmora {
class Document;
}

namespace tesmora::desktop {

inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;  // to 57625
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_DSP = 32772;
inline constexpr int ID_COMBO1 = 32778;
inline constexpr int ID_BUNKATU_MODE = 33790;
inline constexpr int ID_DSP_RNO = 33792;
inline constexpr int ID_DSP_KETA = 33793;
inline constexpr int ID_PROPERTY = 33795;
inline constexpr int ID_RIREKI_DSP = 33850;     // show the history
inline constexpr int ID_RECIPE_JIKKOU = 33851;  // run a recipe

// When a command can be used.
enum class EnableRule {
    E0,  // always
    E1,  // a document is open
    E2,  // a comma-separated document is open (most fields is not 1)
    E3,  // a fixed-width document is open (most fields is 1)
    EO,  // no document is open
    EU,  // the last operation can be undone
};

bool IsEnabled(EnableRule rule, Document& doc);

struct CommandInfo {
    int id;
    EnableRule rule;
    const char* label;  // UTF-8; in a large button a space breaks the line
    // The key that runs it once the key tips of its panel show (Alt, then
    // the panel's key); nullptr when it has none.
    const char* keytip = nullptr;
};

// nullptr for an unknown id.
const CommandInfo* FindCommand(int id);
// Every command of the table, in its order.
std::span<const CommandInfo> Commands();
// The command's key tip; empty when it has none.
QString KeyTipOf(int id);

// The two parts of a command's string-table prompt.
struct CommandPrompt {
    QString description;  // before the line break: the status bar text
    QString title;        // after it: the tooltip's title
};
CommandPrompt PromptOf(int id);

}  // namespace tesmora::desktop
