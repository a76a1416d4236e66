#include "platform/find_text.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace kalvimo {
namespace {

// Whether n bytes agree; the lengths of station names and search words take no call.
inline bool sameBytes(const char* a, const char* b, size_t n) {
    if (n >= 8 && n <= 16) {
        std::uint64_t a0, a1, b0, b1;
        std::memcpy(&a0, a, 8);
        std::memcpy(&a1, a + n - 8, 8);
        std::memcpy(&b0, b, 8);
        std::memcpy(&b1, b + n - 8, 8);
        return ((a0 ^ b0) | (a1 ^ b1)) == 0;
    }
    if (n >= 4 && n < 8) {
        std::uint32_t a0, a1, b0, b1;
        std::memcpy(&a0, a, 4);
        std::memcpy(&a1, a + n - 4, 4);
        std::memcpy(&b0, b, 4);
        std::memcpy(&b1, b + n - 4, 4);
        return ((a0 ^ b0) | (a1 ^ b1)) == 0;
    }
    return std::memcmp(a, b, n) == 0;
}

// The last places, where a vector would reach past the end: one at a time.
[[maybe_unused]] const char* findTail(const char* data, size_t from, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    const char first = needle[0], last = needle[k - 1];
    for (size_t i = from; i + k <= size; ++i)
        if (data[i] == first && data[i + k - 1] == last && sameBytes(data + i + 1, needle.data() + 1, k - 2))
            return data + i;
    return nullptr;
}

#if defined(__SSE2__)
// Compares the first and the last byte of the needle at sixteen places at once and checks the
// rest only where both agree; far fewer candidates than a first-byte filter. The last vector
// is placed to end with the text, overlapping the one before: the places already looked at
// are masked off, so short texts (the lines of a report) need no byte-by-byte tail.
const char* findTextSse2(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    if (size < k - 1 + 16) return findTail(data, 0, size, needle);
    const size_t last = size - (k - 1) - 16;
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i lastByte = _mm_set1_epi8(needle[k - 1]);
    unsigned seen = 0;  // places of this vector looked at already
    for (size_t i = 0;;) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + k - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
        mask &= ~seen;
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (sameBytes(data + i + bit + 1, needle.data() + 1, k - 2)) return data + i + bit;
            mask &= mask - 1;
        }
        if (i == last) return nullptr;
        i += 16;
        if (i > last) {
            seen = (1u << (i - last)) - 1;
            i = last;
        }
    }
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same at thirty-two places, where the processor has AVX2 (asked once, at run time).
__attribute__((target("avx2"))) const char* findTextAvx2(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    if (size < k - 1 + 32) return findTextSse2(data, size, needle);
    const size_t last = size - (k - 1) - 32;
    const __m256i first = _mm256_set1_epi8(needle[0]);
    const __m256i lastByte = _mm256_set1_epi8(needle[k - 1]);
    std::uint64_t seen = 0;
    for (size_t i = 0;;) {
        // The block was just copied in by the thread that reads ahead; the processor's own
        // prefetch starts anew at every page, and the search would wait for each.
        _mm_prefetch(data + i + 2048, _MM_HINT_T0);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + k - 1));
        unsigned mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, lastByte))));
        mask &= static_cast<unsigned>(~seen);
        while (mask != 0) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (sameBytes(data + i + bit + 1, needle.data() + 1, k - 2)) return data + i + bit;
            mask &= mask - 1;
        }
        if (i == last) return nullptr;
        i += 32;
        if (i > last) {
            seen = (std::uint64_t{1} << (i - last)) - 1;
            i = last;
        }
    }
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

const char* findText(const char* data, size_t size, std::string_view needle) {
    const size_t k = needle.size();
    if (k == 0 || k > size) return nullptr;
    if (k == 1) return static_cast<const char*>(std::memchr(data, needle[0], size));
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
