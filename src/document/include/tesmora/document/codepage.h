#pragma once
// Records are code page 932 bytes (Windows' Shift-JIS, with the NEC and IBM
// extensions: 髙, Ⅲ, ㎝ ...). They are converted only where text is drawn,
// typed or given on a command line; everything else works on the bytes.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tesmora {

// The character starting at s[pos] as one UTF-16 unit (every code page 932
// character lies in the BMP) and its length in bytes (1 or 2, split as the
// engine splits characters). Bytes without a character come back as '?' (one
// byte) or U+30FB '・' (a pair); control bytes as a space.
char16_t Cp932CharAt(std::string_view s, std::size_t pos, std::size_t* length);

// The whole text as UTF-16, line breaks and tabs kept: labels and messages.
std::u16string Cp932ToUtf16(std::string_view bytes);

// Text as code page 932; nullopt when a character has no code there. The
// usual JIS forms of its characters (¥ ~ — ¢ £ ¬ ‖ −, see JisVariant) map to
// them, the same on every platform.
std::optional<std::string> Utf16ToCp932(std::u16string_view text);
// The same for UTF-8 (command lines); malformed UTF-8 is refused too.
std::optional<std::string> Utf8ToCp932(std::string_view text);

// The code page 932 bytes of a character that code page 932 holds only in
// another form (U+00A5 ¥ is 0x5C, U+301C 〜 is 0x8160 ...); empty for others.
std::string_view JisVariant(char16_t c);

// Those variants, each with the bytes it maps to.
struct JisVariantForm {
    char16_t c;
    std::string_view bytes;
};
std::span<const JisVariantForm> JisVariants();

// The decoding table of every character: index b for a single byte, lead << 8 |
// trail for a pair; 0 where code page 932 has no character.
const char16_t* Cp932DecodeTable();

}  // namespace tesmora
