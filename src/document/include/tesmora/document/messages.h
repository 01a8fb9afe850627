#pragma once
// The string table and the one way the engine talks to the user.
#include <string_view>

#include "tesmora/document/host.h"
#include "tesmora/document/message_ids.h"

namespace tesmora {

// Text of a string-table entry (UTF-8), or nullptr when there is none.
const char* MessageText(int id);

// Shows prefix + text of message id through sink and returns the button
// pressed; 0 (nothing shown) when the table has no such message.
int ShowMessage(IMessageSink& sink, int id, std::string_view prefix, MsgStyle style);

// Application name: caption of every message box and prefix of temporary files.
inline constexpr const char* kAppName = "Tesmora";

}  // namespace tesmora
