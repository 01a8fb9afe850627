#pragma once
// Qt's side of the code page 932 conversions: QString in and out.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "tesmora/document/codepage.h"

namespace tesmora::desktop {

using tesmora::Cp932CharAt;

// The whole text as Unicode, for labels and message texts.
QString FromCp932(std::string_view bytes);

// Typed text as code page 932; nullopt when a character has no code there.
std::optional<std::string> ToCp932(const QString& text);

}  // namespace tesmora::desktop
