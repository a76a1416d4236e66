#include "platform/find_text.h"

#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace kalvimo {
namespace {

// A short text, or the last bytes of a block: memmem's preparation would cost more than the
// search.
const char* findShort(const char* data, size_t size, std::string_view needle) {
    const size_t at = std::string_view(data, size).find(needle);
    return at == std::string_view::npos ? nullptr : data + at;
}

#if defined(__SSE2__)
// Compares the first and the last byte of the needle at sixteen places at once and checks the
// rest only where both agree; far fewer candidates than a first-byte filter.
const char* findTextSse2(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[k - 1]);
    size_t i = 0;
    for (; i + k - 1 + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + k - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(data + i + bit + 1, needle.data() + 1, k - 2) == 0) return data + i + bit;
            mask &= mask - 1;
        }
    }
    return i >= size ? nullptr : findShort(data + i, size - i, needle);
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same at thirty-two places, where the processor has AVX2 (asked once, at run time).
__attribute__((target("avx2"))) const char* findTextAvx2(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    const __m256i first = _mm256_set1_epi8(needle[0]);
    const __m256i last = _mm256_set1_epi8(needle[k - 1]);
    size_t i = 0;
    for (; i + k - 1 + 32 <= size; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + k - 1));
        unsigned mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(data + i + bit + 1, needle.data() + 1, k - 2) == 0) return data + i + bit;
            mask &= mask - 1;
        }
    }
    return i >= size ? nullptr : findShort(data + i, size - i, needle);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

const char* findText(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    if (k == 0 || k > size) return nullptr;
    if (k == 1) return static_cast<const char*>(std::memchr(data, needle[0], size));
    if (size < 64) return findShort(data, size, needle);
#if defined(__x86_64__) && defined(__GNUC__)
    if (kHasAvx2) return findTextAvx2(data, size, needle);
#endif
#if defined(__SSE2__)
    return findTextSse2(data, size, needle);
#else
    return static_cast<const char*>(::memmem(data, size, needle.data(), k));
#endif
}

}  // namespace kalvimo
