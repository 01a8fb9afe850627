#include "tesmora/view/codepage.h"

#include <array>
#include <memory>

#include "tesmora/document/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace tesmora::desktop {
namespace {

constexpr char16_t kNoSingle = u'?';
constexpr char16_t kNoPair = u'\u30FB';

#ifdef _WIN32
char16_t Decode(const char* bytes, int n) {
    wchar_t out[2];
    int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, n, out, 2);
    return got == 1 ? static_cast<char16_t>(out[0]) : 0;
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
#endif

// Index: the byte for a single-byte character, lead << 8 | trail for a pair.
using Table = std::array<char16_t, 65536>;

std::unique_ptr<Table> BuildTable() {
    auto table = std::make_unique<Table>();
    table->fill(0);
#ifndef _WIN32
    Iconv cd("UTF-16LE", "CP932");
    if (!cd.ok()) return table;
    auto decode = [&cd](const char* b, int n) { return Decode(cd, b, n); };
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

QString FromCp932(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t pos = 0, n = 0; pos < bytes.size(); pos += n) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        // Line breaks and tabs survive in message texts.
        if (b == '\n' || b == '\r' || b == '\t') {
            out += QChar(b);
            n = 1;
            continue;
        }
        out += QChar(Cp932CharAt(bytes, pos, &n));
    }
    return out;
}

std::optional<std::string> ToCp932(const QString& text) {
    std::string out;
#ifdef _WIN32
    if (text.isEmpty()) return out;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    BOOL lossy = FALSE;
    int need = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, &lossy);
    if (need <= 0 || lossy) return std::nullopt;
    out.resize(static_cast<std::size_t>(need));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(text.size()), out.data(),
                        need, nullptr, &lossy);
    if (lossy) return std::nullopt;
#else
    static thread_local Iconv cd("CP932", "UTF-16LE");
    if (!cd.ok()) return std::nullopt;
    const auto* in = reinterpret_cast<const char*>(text.utf16());
    const std::size_t n = static_cast<std::size_t>(text.size()) * 2;
    out.resize(n + 8);
    std::size_t got = 0;
    if (!cd.Convert(in, n, out.data(), out.size(), &got)) return std::nullopt;
    out.resize(got);
#endif
    return out;
}

}  // namespace tesmora::desktop
