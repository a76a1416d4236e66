#include "platform/byte_scan.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvimo {

size_t countByte(const char* data, size_t size, char c) {
    size_t total = 0;
    size_t i = 0;
#if defined(__SSE2__)
    // Every byte lane adds one per hit; a round adds at most four, so 63 rounds stay below 256
    // and the lanes are summed before they can wrap.
    const __m128i needle = _mm_set1_epi8(c);
    const __m128i zero = _mm_setzero_si128();
    while (i + 64 <= size) {
        __m128i acc = zero;
        const size_t rounds = std::min<size_t>((size - i) / 64, 63);
        for (size_t r = 0; r < rounds; ++r, i += 64) {
            const auto* p = reinterpret_cast<const __m128i*>(data + i);
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(p), needle));
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(p + 1), needle));
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(p + 2), needle));
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(p + 3), needle));
        }
        const __m128i sums = _mm_sad_epu8(acc, zero);
        total += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; i < size; ++i) total += data[i] == c;
    return total;
}

size_t findNthByte(const char* data, size_t size, char c, size_t k, size_t* counted) {
    // Whole pieces are counted at memory speed while the k-th lies further on; only the piece
    // holding it is walked with memchr.
    constexpr size_t kPiece = 1024;
    size_t seen = 0, i = 0;
    if (k == 0) size = 0;
    while (i < size) {
        const size_t n = std::min(kPiece, size - i);
        const size_t here = countByte(data + i, n, c);
        if (seen + here < k) {
            seen += here;
            i += n;
            continue;
        }
        const char* p = data + i;
        const char* end = p + n;
        for (;;) {
            p = static_cast<const char*>(std::memchr(p, c, static_cast<size_t>(end - p)));
            if (++seen == k) {
                *counted = k - 1;
                return static_cast<size_t>(p - data);
            }
            ++p;
        }
    }
    *counted = seen;
    return size;
}

const char* findLastByte(const char* data, size_t size, char c) {
    if (size == 0) return nullptr;
#if defined(__GLIBC__)
    return static_cast<const char*>(::memrchr(data, c, size));
#else
    for (const char* p = data + size; p != data;)
        if (*--p == c) return p;
    return nullptr;
#endif
}

}  // namespace kalvimo
