#pragma once
// Byte masks 64 bytes at a time, for the passes that look at every byte of a
// file: the index pass and the record reader.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TES_SSE2 1
#else
#define TES_SSE2 0
#endif

namespace tesmora::masks {

#if TES_SSE2
// Bit i set where p[i] == the byte c holds in every lane, for the 64 bytes at p.
inline std::uint64_t Mask64(const char* p, __m128i c) {
    std::uint64_t m = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        m |= static_cast<std::uint64_t>(
                 static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))))
             << (16 * k);
    }
    return m;
}
#endif

}  // namespace tesmora::masks
