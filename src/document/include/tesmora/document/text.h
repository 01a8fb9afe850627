#pragma once
// Byte-string helpers for code page 932 text. Positions and lengths are bytes;
// every search is multibyte-aware: a trail byte of a double-byte character
// never matches.
#include <bit>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tesmora/document/types.h"

namespace tesmora {

inline constexpr std::size_t npos = std::string_view::npos;

// Lead byte of a double-byte character in code page 932.
constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Length in bytes of the character starting at s[pos]: 2 for a lead byte
// followed by a valid trail byte, else 1. A stray lead byte before a comma or
// a control byte therefore never hides that byte, so a plain byte count of
// commas and this scan always agree.
inline std::size_t CharLength(std::string_view s, std::size_t pos) {
    return (pos + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[pos])) &&
            IsTrailByte(static_cast<unsigned char>(s[pos + 1])))
               ? 2
               : 1;
}

// Start of the character that covers byte pos (scanning from the start).
std::size_t CharStart(std::string_view s, std::size_t pos);

// First occurrence of needle at or after from that starts on a character
// boundary; from must itself be a character boundary. npos when absent.
std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from = 0);

// First occurrence of needle at or after from, as bytes (character boundaries
// not considered); npos when absent. Vectorised: positions are tried only
// where both the first and the last byte of needle stand.
std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from = 0);

// Number of bytes equal to c (vectorised; the hot loop of every pass).
std::size_t CountByte(std::string_view s, char c);

// Number of comma bytes + 1 (a trail byte is never 0x2C, so a byte count is exact).
inline int CountFields(std::string_view record) {
    return 1 + static_cast<int>(CountByte(record, ','));
}

// Calls f(position) for every comma byte of s, in order, while f returns true.
template <typename F>
void ForEachComma(std::string_view s, F&& f);

// Field n (1-based) of record separated by sep; empty when missing.
std::string_view GetField(std::string_view record, FieldNumber n, std::string_view sep = ",");

// Fields first..last (0-based, inclusive) of a comma-separated record as one
// stretch, the commas between them included; a record with fewer fields gives
// the stretch up to its end. Absent when the record has no field first (or
// first is negative); last before first gives field first. last = kRestOfRecord takes the rest of
// the record without looking for its commas. A trail byte is never a comma, so a plain byte search
// finds the fields.
inline constexpr FieldIndex kRestOfRecord{std::numeric_limits<int>::max()};
// Inline: it is the hot loop of several passes. Fields are short, so the
// commas are found 64 bytes at a time rather than by a search call each.
inline std::optional<std::string_view> FieldSpan(std::string_view record, FieldIndex first,
                                                 FieldIndex last);
inline std::optional<std::string_view> FieldSpan(std::string_view record, FieldIndex field) {
    return FieldSpan(record, field, field);
}

// True when a cut before byte `cut` of text falls between the two bytes of a
// double-byte character. Looks back only over the bytes that may be lead
// bytes, not from the start of the text.
bool CutsCharacter(std::string_view text, std::size_t cut);

// Stores up to slots.size() fields into slots from slot 0; slots after the
// last one stored keep their contents. Returns the number of slots stored.
std::size_t SplitFields(std::string_view record, std::span<std::string_view> slots,
                        std::string_view sep = ",");

// The text without half-width (0x20) and full-width (0x81 0x40) spaces.
std::string RemoveSpaces(std::string_view text);

// Replaces every occurrence of from by to (multibyte-aware, left to right).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// "%H:%M:%S" of a span in seconds, hours taken modulo 24.
std::string FormatElapsed(long long seconds);

namespace detail {
// Set bits of x. Without a popcount instruction in the baseline,
// std::popcount is a call.
inline std::size_t Ones(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
}

// Bit i set when p[i] is a comma, for 16 bytes (fewer at the end).
inline unsigned CommaMask16(const char* p, std::size_t n) {
#if defined(__SSE2__) || defined(_M_X64)
    if (n >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(','))));
    }
#endif
    unsigned mask = 0;
    const std::size_t m = n < 16 ? n : 16;
    for (std::size_t i = 0; i < m; ++i) mask |= static_cast<unsigned>(p[i] == ',') << i;
    return mask;
}

// The same for s[base ..] (base < s.size()): the last block of a text of 16
// bytes or more is read as the 16 bytes that end it, never past its end.
inline unsigned CommaMaskAt(std::string_view s, std::size_t base) {
    const std::size_t n = s.size() - base;
    if (n < 16 && s.size() >= 16) return CommaMask16(s.data() + s.size() - 16, 16) >> (16 - n);
    return CommaMask16(s.data() + base, n);
}

inline std::uint64_t CommaMask64(const char* p) {
    return CommaMask16(p, 16) | std::uint64_t{CommaMask16(p + 16, 16)} << 16 |
           std::uint64_t{CommaMask16(p + 32, 16)} << 32 |
           std::uint64_t{CommaMask16(p + 48, 16)} << 48;
}

// The same for up to 64 bytes of s from base.
inline std::uint64_t CommaMask64At(std::string_view s, std::size_t base) {
    const std::size_t n = s.size() - base;
    if (n >= 64) return CommaMask64(s.data() + base);
    if (s.size() >= 64) return CommaMask64(s.data() + s.size() - 64) >> (64 - n);
    std::uint64_t mask = 0;
    for (std::size_t b = 0; b < n; b += 16) mask |= std::uint64_t{CommaMaskAt(s, base + b)} << b;
    return mask;
}
}  // namespace detail

template <typename F>
void ForEachComma(std::string_view s, F&& f) {
    for (std::size_t base = 0; base < s.size(); base += 16) {
        unsigned mask = detail::CommaMaskAt(s, base);
        while (mask) {
            const int bit = std::countr_zero(mask);
            if (!f(base + static_cast<std::size_t>(bit))) return;
            mask &= mask - 1;
        }
    }
}

// The commas of a record in order, found 64 bytes at a time; records hold
// few commas, so passing them one by one costs less than counting them.
class CommaCursor {
  public:
    explicit CommaCursor(std::string_view s) : s_(s) {}
    // Where comma number n (1-based, after those found so far) is; npos when
    // the record has fewer.
    std::size_t Find(long long n) {
        for (;;) {
            for (; mask_; mask_ &= mask_ - 1)
                if (++seen_ == n) {
                    const std::size_t at =
                        base_ + static_cast<std::size_t>(std::countr_zero(mask_));
                    mask_ &= mask_ - 1;
                    return at;
                }
            base_ = next_;
            if (base_ >= s_.size()) return npos;
            mask_ = detail::CommaMask64At(s_, base_);
            next_ = base_ + 64;
        }
    }

  private:
    std::string_view s_;
    std::size_t base_ = 0, next_ = 0;  // the window mask_ holds the rest of, and the next
    std::uint64_t mask_ = 0;
    long long seen_ = 0;
};

inline std::optional<std::string_view> FieldSpan(std::string_view record, FieldIndex first,
                                                 FieldIndex last) {
    if (first.value < 0) return std::nullopt;
    if (last < first) last = first;
    // Field first starts after comma number `first`; field last ends at comma last + 1.
    CommaCursor commas(record);
    std::size_t start = 0;
    if (first.value > 0) {
        start = commas.Find(first.value);
        if (start == npos) return std::nullopt;
        ++start;
    }
    if (last == kRestOfRecord) return record.substr(start);
    const std::size_t stop = commas.Find(static_cast<long long>(last.value) + 1);
    return record.substr(start, (stop == npos ? record.size() : stop) - start);
}

}  // namespace tesmora
