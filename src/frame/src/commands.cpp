#include "tesmora/frame/commands.h"

#include <iterator>

#include "tesmora/document/document.h"
#include "tesmora/document/messages.h"
#include "tesmora/view/child_view.h"

namespace tesmora::desktop {
namespace {

// The key tips B, T and D are fixed; the others are free of clashes within
// the tab, so the tab's key (all panels) and a panel's key reach the same control.
constexpr CommandInfo kCommands[] = {
    {ID_FILE_OPEN, EnableRule::EO, "開く(&O)..."},
    {ID_FILE_SAVE, EnableRule::E1, "上書き保存(&S)"},
    {ID_FILE_SAVE_AS, EnableRule::E1, "名前を付けて保存(&A)..."},
    {ID_FILE_CLOSE, EnableRule::E1, "閉じる(&C)"},
    {ID_APP_ABOUT, EnableRule::E0, "バージョン情報(&A)"},
    {ID_APP_EXIT, EnableRule::E0, "終了(&X)"},
    {ID_EDIT_UNDO, EnableRule::EU, "元に戻す", "Z"},
    {ID_COMBO1, EnableRule::E1, "フォント", "D"},
    {ID_DSP_KETA, EnableRule::E1, "桁目盛りの表示", "B"},
    {ID_DSP_RNO, EnableRule::E1, "レコード№の表示", "T"},
    {ID_BUNKATU_MODE, EnableRule::E3, "複数分割モード", "M"},
    {ID_CSV_TO_TXT, EnableRule::E2, "ＣＳＶ ⇒ＴＸＴ", "X"},
    {ID_TXT_TO_CSV, EnableRule::E3, "ＴＸＴ ⇒ＣＳＶ", "V"},
    {ID_SORT_SHORI, EnableRule::E2, "ソート", "S"},
    {ID_JUUFUKU_SHORI, EnableRule::E2, "重複レコード の処理", "J"},
    {ID_JOUKEN_SHORI, EnableRule::E1, "条件不合致 レコード削除", "E"},
    {ID_LINE_SHORI, EnableRule::E3, "レコード長 編集", "R"},
    {ID_FIELD_LEN_SHORI, EnableRule::E2, "フィールド長 編集", "L"},
    {ID_FIELD_JOIN_SHORI, EnableRule::E2, "末尾に レコード追加", "A"},
    {ID_CODE_SHORI, EnableRule::E2, "他ファイル 参照置換", "O"},
    {ID_MULTI_SHORI, EnableRule::E1, "複数文字列 置換", "W"},
    {ID_RIREKI_DSP, EnableRule::E0, "履歴", "H"},
    {ID_RECIPE_JIKKOU, EnableRule::E1, "レシピ実行…", "G"},
    {ID_PROPERTY, EnableRule::E1, "プロパティ", "P"},
    {ID_HELP_DSP, EnableRule::E0, "ヘルプ", "Y"},
    {ID_FIRST_PAGE, EnableRule::E1, ""},
    {ID_LAST_PAGE, EnableRule::E1, ""},
};

}  // namespace

bool IsEnabled(EnableRule rule, Document& doc) {
    switch (rule) {
        case EnableRule::E0:
            return true;
        case EnableRule::E1:
            return doc.IsOpen();
        case EnableRule::E2:
            return doc.IsOpen() && !doc.IsFixedWidth();
        case EnableRule::E3:
            return doc.IsFixedWidth();
        case EnableRule::EO:
            return !doc.IsOpen();
        case EnableRule::EU:
            return doc.CanUndo();
    }
    return false;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

std::span<const CommandInfo> Commands() {
    return kCommands;
}

QString KeyTipOf(int id) {
    const CommandInfo* info = FindCommand(id);
    return QString::fromUtf8(info && info->keytip ? info->keytip : "");
}

CommandPrompt PromptOf(int id) {
    const char* text = MessageText(id);
    if (!text) return {};
    const QString prompt = QString::fromUtf8(text);
    const qsizetype br = prompt.indexOf(u'\n');
    if (br < 0) return {prompt, QString()};
    return {prompt.left(br), prompt.mid(br + 1)};
}

}  // namespace tesmora::desktop
