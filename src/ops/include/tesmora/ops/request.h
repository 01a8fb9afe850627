#pragma once
// What the operations' requests share. A request is a plain struct with every
// input of one run; the dialog builds it from its controls (and the view's
// selection where that is the input), the batch command from its arguments.
// Both hand it to the operation's one validation and its one Run.
#include <string>
#include <utility>

#include "tesmora/document/document.h"

namespace tesmora {

// The control a refused request sends the focus to, named by its role.
enum class Focus {
    None,
    Word1,       // the first word box of the record deletion
    FillText,    // the fill character box of the field length edit
    Separator,   // the replacement text box of the CSV to text conversion
    BeforeList,  // the before-strings of the multiple replacement
    AfterList,   // its after-strings
};

// The verdict on a request: the message to show when it is refused, with its
// style and where the focus goes.
struct Validation {
    int message = 0;  // 0: accepted
    MsgStyle style = MsgStyle::Error;
    Focus focus = Focus::None;
    std::string prefix;  // UTF-8, shown before the message text

    bool Accepted() const { return message == 0; }
};

inline Validation Refuse(int message, Focus focus = Focus::None, MsgStyle style = MsgStyle::Error) {
    return Validation{message, style, focus, {}};
}

inline Validation RefuseWith(int message, std::string prefix, Focus focus = Focus::None) {
    return Validation{message, MsgStyle::Error, focus, std::move(prefix)};
}

// Shows the message of a refused validation through the document; true when
// the request was accepted.
inline bool ReportValidation(Document& doc, const Validation& v) {
    if (v.Accepted()) return true;
    doc.Message(v.message, v.style, v.prefix);
    return false;
}

}  // namespace tesmora
