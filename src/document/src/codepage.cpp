// Decoding goes through one table of all 65,536 byte pairs, filled once from
// the platform's code page 932 converter; encoding through the same converter,
// after the JIS variants, which the platforms treat differently.
#include "tesmora/document/codepage.h"

#include <array>
#include <memory>

#include "tesmora/document/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace tesmora {
namespace {

constexpr char16_t kNoSingle = u'?';
constexpr char16_t kNoPair = u'\u30FB';

// Forms a JIS keyboard or another encoding gives for characters that code
// page 932 holds under another code point.
constexpr JisVariantForm kVariants[] = {
    {u'\u00A2', "\x81\x91"},  // ¢ as ￠
    {u'\u00A3', "\x81\x92"},  // £ as ￡
    {u'\u00A5', "\x5C"},      // ¥ as the yen sign of 0x5C
    {u'\u00AC', "\x81\xCA"},  // ¬ as ￢
    {u'\u2014', "\x81\x5C"},  // — as ―
    {u'\u2016', "\x81\x61"},  // ‖ as ∥
    {u'\u2212', "\x81\x7C"},  // − as －
    {u'\u301C', "\x81\x60"},  // 〜 as ～
    {u'\uFF5E', "\x81\x60"},  // ～
};

#ifdef _WIN32
char16_t Decode(const char* bytes, int n) {
    wchar_t out[2];
    const int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, n, out, 2);
    return got == 1 ? static_cast<char16_t>(out[0]) : 0;
}

bool Encode(std::u16string_view text, std::string& out) {
    if (text.empty()) return true;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int n = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int need =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, n, nullptr, 0, nullptr, &lossy);
    if (need <= 0 || lossy) return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(need));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, n, out.data() + at, need, nullptr, &lossy);
    return !lossy;
}
#else
// glibc's "CP932" is Microsoft's table (plain "SJIS" lacks the extensions).
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Whole input converted; false on any character without a code.
    bool Convert(const char* in, std::size_t n, char* out, std::size_t cap, std::size_t* got) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        std::size_t left = n, room = cap;
        char* dst = out;
        const bool ok = iconv(cd_, &src, &left, &dst, &room) != static_cast<std::size_t>(-1) &&
                        left == 0 && iconv(cd_, nullptr, nullptr, &dst, &room) == 0;
        *got = cap - room;
        return ok;
    }

  private:
    iconv_t cd_;
};

char16_t Decode(Iconv& cd, const char* bytes, std::size_t n) {
    char out[8];
    std::size_t got = 0;
    if (!cd.Convert(bytes, n, out, sizeof out, &got) || got != 2) return 0;
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                 (static_cast<unsigned char>(out[1]) << 8));
}

bool Encode(std::u16string_view text, std::string& out) {
    if (text.empty()) return true;
    static thread_local Iconv cd("CP932", "UTF-16LE");
    if (!cd.ok()) return false;
    std::string le;
    le.reserve(text.size() * 2);
    for (char16_t c : text) {
        le.push_back(static_cast<char>(c & 0xFF));
        le.push_back(static_cast<char>(c >> 8));
    }
    const std::size_t at = out.size();
    out.resize(at + le.size() + 8);
    std::size_t got = 0;
    const bool ok = cd.Convert(le.data(), le.size(), out.data() + at, le.size() + 8, &got);
    out.resize(at + got);
    return ok;
}
#endif

// Index: the byte for a single-byte character, lead << 8 | trail for a pair.
using Table = std::array<char16_t, 65536>;

std::unique_ptr<Table> BuildTable() {
    auto table = std::make_unique<Table>();
    table->fill(0);
#ifndef _WIN32
    Iconv cd("UTF-16LE", "CP932");
    if (!cd.ok()) return table;
    auto decode = [&cd](const char* b, int n) {
        return Decode(cd, b, static_cast<std::size_t>(n));
    };
#else
    auto decode = [](const char* b, int n) { return Decode(b, n); };
#endif
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        (*table)[b] = IsLeadByte(static_cast<unsigned char>(b)) ? char16_t{0} : decode(&c, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            (*table)[lead << 8 | trail] = decode(pair, 2);
        }
    }
    return table;
}

const Table& Cp932Table() {
    static const std::unique_ptr<Table> table = BuildTable();
    return *table;
}

}  // namespace

std::span<const JisVariantForm> JisVariants() {
    return kVariants;
}

const char16_t* Cp932DecodeTable() {
    return Cp932Table().data();
}

std::string_view JisVariant(char16_t c) {
    for (const JisVariantForm& v : kVariants)
        if (v.c == c) return v.bytes;
    return {};
}

char16_t Cp932CharAt(std::string_view s, std::size_t pos, std::size_t* length) {
    const Table& table = Cp932Table();
    const std::size_t n = CharLength(s, pos);
    *length = n;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (n == 2) {
        const char16_t c = table[b0 << 8 | static_cast<unsigned char>(s[pos + 1])];
        return c ? c : kNoPair;
    }
    if (b0 < 0x20 || b0 == 0x7F) return u' ';
    const char16_t c = table[b0];
    return c ? c : kNoSingle;
}

std::u16string Cp932ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0, n = 0; pos < bytes.size(); pos += n) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        // Line breaks and tabs survive in message texts.
        if (b == '\n' || b == '\r' || b == '\t') {
            out.push_back(static_cast<char16_t>(b));
            n = 1;
            continue;
        }
        out.push_back(Cp932CharAt(bytes, pos, &n));
    }
    return out;
}

std::optional<std::string> Utf16ToCp932(std::u16string_view text) {
    std::string out;
    std::size_t run = 0;  // start of the text not yet converted
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view v = JisVariant(text[i]);
        if (v.empty()) continue;
        if (!Encode(text.substr(run, i - run), out)) return std::nullopt;
        out.append(v);
        run = i + 1;
    }
    if (!Encode(text.substr(run), out)) return std::nullopt;
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int n = b < 0x80         ? 1
                      : (b >> 5) == 6  ? 2
                      : (b >> 4) == 14 ? 3
                      : (b >> 3) == 30 ? 4
                                       : 0;
        if (n == 0 || i + static_cast<std::size_t>(n) > text.size()) return std::nullopt;
        char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < n; ++k) {
            const auto t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((t >> 6) != 2) return std::nullopt;
            c = c << 6 | (t & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        // Code page 932 holds nothing beyond the BMP.
        if (c > 0xFFFF) return std::nullopt;
        wide.push_back(static_cast<char16_t>(c));
        i += static_cast<std::size_t>(n);
    }
    return Utf16ToCp932(wide);
}

}  // namespace tesmora
