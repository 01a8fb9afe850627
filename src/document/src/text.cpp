#include "tesmora/document/text.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TES_SSE2 1
#else
#define TES_SSE2 0
#endif

namespace tesmora {

std::size_t CharStart(std::string_view s, std::size_t pos) {
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len = CharLength(s, i);
        if (pos < i + len) return i;
        i += len;
    }
    return pos;
}

std::size_t FindText(std::string_view hay, std::string_view needle, std::size_t from) {
    if (needle.empty() || from > hay.size()) return npos;
    const auto first = static_cast<unsigned char>(needle[0]);
    // A byte below 0x40 is never a trail byte, so wherever it stands it
    // starts a character: the plain (vectorised) search is exact.
    if (first < 0x40) return FindBytes(hay, needle, from);
    std::size_t i = from;
    const std::size_t last = hay.size() >= needle.size() ? hay.size() - needle.size() : npos;
    if (last == npos) return npos;
    while (i <= last) {
        if (static_cast<unsigned char>(hay[i]) == first &&
            std::memcmp(hay.data() + i, needle.data(), needle.size()) == 0)
            return i;
        i += CharLength(hay, i);
    }
    return npos;
}

std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
    const std::size_t n = hay.size(), m = needle.size();
    if (from > n || n - from < m) return npos;
    std::size_t i = from;
#if TES_SSE2
    if (m >= 2) {
        const char* const p = hay.data();
        const __m128i head = _mm_set1_epi8(needle[0]), tail = _mm_set1_epi8(needle[m - 1]);
        for (; i + m - 1 + 16 <= n; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + m - 1));
            auto both = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, head), _mm_cmpeq_epi8(b, tail))));
            for (; both; both &= both - 1) {
                const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(both));
                if (std::memcmp(p + at + 1, needle.data() + 1, m - 2) == 0) return at;
            }
        }
    }
#endif
    return hay.find(needle, i);
}

std::size_t CountByte(std::string_view s, char c) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0, count = 0;
#if TES_SSE2
    // Byte counters (cmpeq gives -1 per match) summed every 255 blocks.
    const __m128i needle = _mm_set1_epi8(c);
    const __m128i zero = _mm_setzero_si128();
    __m128i total = zero;
    while (i + 16 <= n) {
        __m128i bytes = zero;
        for (int k = 0; k < 255 && i + 16 <= n; ++k, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            bytes = _mm_sub_epi8(bytes, _mm_cmpeq_epi8(v, needle));
        }
        total = _mm_add_epi64(total, _mm_sad_epu8(bytes, zero));
    }
    count = static_cast<std::size_t>(_mm_cvtsi128_si64(total)) +
            static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
    if (i < n && n >= 16) {
        // The last sixteen bytes, without those already counted.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, needle)));
        count += static_cast<std::size_t>(std::popcount(hits >> (16 - (n - i))));
        return count;
    }
#endif
    for (; i < n; ++i) count += p[i] == c;
    return count;
}

std::string_view GetField(std::string_view record, FieldNumber n, std::string_view sep) {
    if (n.value < 1) return {};
    std::size_t start = 0;
    for (int counter = 1;; ++counter) {
        std::size_t p = start <= record.size() ? FindText(record, sep, start) : npos;
        if (counter == n.value)
            return record.substr(start, p == npos ? record.size() - start : p - start);
        if (p == npos) return {};
        start = p + sep.size();
    }
}

bool CutsCharacter(std::string_view text, std::size_t cut) {
    if (cut == 0 || cut >= text.size()) return false;
    // A byte that cannot be a lead byte always ends a character, so characters
    // start again right after it; from there on every byte up to the cut may
    // be a lead byte, and each such byte followed by another forms a pair.
    std::size_t start = cut - 1;
    while (start > 0 && IsLeadByte(static_cast<unsigned char>(text[start - 1]))) --start;
    return (cut - 1 - start) % 2 == 0 && CharLength(text, cut - 1) == 2;
}

std::size_t SplitFields(std::string_view record, std::span<std::string_view> slots,
                        std::string_view sep) {
    if (slots.empty()) return 0;
    std::size_t start = 0, slot = 0;
    while (true) {
        std::size_t p = FindText(record, sep, start);
        if (p == npos) {
            slots[slot++] = record.substr(start);
            return slot;
        }
        slots[slot++] = record.substr(start, p - start);
        start = p + sep.size();
        if (slot == slots.size()) return slot;
    }
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t p = FindText(text, from, pos);
        if (p == npos) break;
        out.append(text.substr(pos, p - pos));
        out.append(to);
        pos = p + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string RemoveSpaces(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, "\x81\x40", ""), " ", "");
}

std::string FormatElapsed(long long seconds) {
    if (seconds < 0) seconds = 0;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", (seconds / 3600) % 24,
                  (seconds / 60) % 60, seconds % 60);
    return buf;
}

}  // namespace tesmora
