#pragma once
// Records are code page 932 bytes (Windows' Shift-JIS, with the NEC and IBM
// extensions: 髙, Ⅲ, ㎝ ...). They are converted only where text is drawn or
// typed; everything else works on the bytes.
#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tesmora::desktop {

// The character starting at s[pos] as one UTF-16 unit (every code page 932
// character lies in the BMP) and its length in bytes (1 or 2, split as the
// engine splits characters). Bytes without a character come back as '?' (one
// byte) or U+30FB '・' (a pair); control bytes as a space.
char16_t Cp932CharAt(std::string_view s, std::size_t pos, std::size_t* length);

// The whole text as Unicode, for labels and message texts.
QString FromCp932(std::string_view bytes);

// Typed text as code page 932; nullopt when a character has no code there.
std::optional<std::string> ToCp932(const QString& text);

}  // namespace tesmora::desktop
