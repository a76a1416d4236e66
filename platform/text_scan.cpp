#include "platform/text_scan.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/byte_scan.h"
#include "platform/collate.h"
#include "platform/cp1251.h"
#include "platform/find_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvimo {
namespace {

struct FoldTables {
    std::array<unsigned char, 256> fold{};   // small letter of a byte
    std::array<unsigned char, 256> other{};  // the same letter in the other case, or the byte
    FoldTables() {
        for (int b = 0; b < 256; ++b) {
            const int f = unicodeToCp1251(foldCase(cp1251ToUnicode(static_cast<unsigned char>(b))));
            fold[b] = static_cast<unsigned char>(f < 0 ? b : f);
            other[b] = static_cast<unsigned char>(b);
        }
        for (int b = 0; b < 256; ++b)
            if (fold[b] != b) {
                other[b] = fold[b];
                other[fold[b]] = static_cast<unsigned char>(b);
            }
    }
};

const FoldTables& tables() {
    static const FoldTables t;
    return t;
}

}  // namespace

unsigned char foldCp1251(unsigned char byte) { return tables().fold[byte]; }

TextPattern::TextPattern(std::string bytes, bool matchCase) : text_(std::move(bytes)), exact_(true) {
    if (matchCase) return;
    const FoldTables& t = tables();
    for (char& c : text_) {
        const auto b = static_cast<unsigned char>(c);
        if (t.other[b] != b) exact_ = false;
        c = static_cast<char>(t.fold[b]);
    }
}

const char* TextPattern::findIn(const char* data, size_t size) const {
    if (text_.empty()) return nullptr;
    return exact_ ? findText(data, size, text_) : findFolded(data, size);
}

bool TextPattern::equalsFolded(const char* at) const {
    const auto& fold = tables().fold;
    for (size_t k = 0; k < text_.size(); ++k)
        if (fold[static_cast<unsigned char>(at[k])] != static_cast<unsigned char>(text_[k])) return false;
    return true;
}

const char* TextPattern::findFolded(const char* data, size_t size) const {
    const size_t k = text_.size();
    if (k > size) return nullptr;
    size_t i = 0;
#if defined(__SSE2__)
    // As the exact search: the first and the last byte at sixteen places at once, here in both
    // cases, and the whole text only where both agree.
    const auto& other = tables().other;
    const auto f = static_cast<unsigned char>(text_[0]), l = static_cast<unsigned char>(text_[k - 1]);
    const __m128i f0 = _mm_set1_epi8(static_cast<char>(f)), f1 = _mm_set1_epi8(static_cast<char>(other[f]));
    const __m128i l0 = _mm_set1_epi8(static_cast<char>(l)), l1 = _mm_set1_epi8(static_cast<char>(other[l]));
    for (; i + k - 1 + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + k - 1));
        const __m128i first = _mm_or_si128(_mm_cmpeq_epi8(a, f0), _mm_cmpeq_epi8(a, f1));
        const __m128i last = _mm_or_si128(_mm_cmpeq_epi8(b, l0), _mm_cmpeq_epi8(b, l1));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(first, last)));
        while (mask != 0) {
            const auto bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (equalsFolded(data + i + bit)) return data + i + bit;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + k <= size; ++i)
        if (equalsFolded(data + i)) return data + i;
    return nullptr;
}

bool scanLines(const ByteSource& source, const std::vector<TextPattern>& patterns, bool countOccurrences,
               size_t blockSize, const std::atomic<bool>& cancel,
               const std::function<void(const std::vector<uint64_t>&, const ScanTotals&)>& report) {
    size_t longest = 1;
    for (const TextPattern& p : patterns) longest = std::max(longest, p.size());
    // The tail of the line that a block ends in goes before the next block, so that a match
    // across the boundary is seen; it holds no line break.
    std::string buf(longest - 1 + blockSize, '\0');
    size_t keep = 0;
    uint64_t line = 0;                                     // the line the kept tail is on
    std::vector<uint64_t> nextFrom(patterns.size(), 0);  // end of each pattern's last match
    uint64_t lastReported = UINT64_MAX;
    ScanTotals totals;
    std::vector<size_t> hits;
    std::vector<uint64_t> found;
    for (uint64_t offset = 0;;) {
        if (cancel.load(std::memory_order_relaxed)) return false;
        const size_t n = source.readAt(offset, buf.data() + keep, blockSize);
        if (n == 0) break;
        const size_t size = keep + n;
        const uint64_t bufStart = offset - keep;
        const char* data = buf.data();

        hits.clear();
        for (size_t k = 0; k < patterns.size(); ++k) {
            const TextPattern& pattern = patterns[k];
            if (pattern.size() == 0) continue;
            // Matches that lie wholly in the kept tail were seen with the block before.
            size_t from = keep >= pattern.size() ? keep - pattern.size() + 1 : 0;
            if (nextFrom[k] > bufStart) from = std::max(from, static_cast<size_t>(nextFrom[k] - bufStart));
            while (from < size) {
                const char* m = pattern.findIn(data + from, size - from);
                if (!m) break;
                const auto at = static_cast<size_t>(m - data);
                hits.push_back(at);
                if (countOccurrences) {
                    from = at + pattern.size();
                } else {
                    const auto* lf = static_cast<const char*>(std::memchr(m, '\n', size - at));
                    from = lf ? static_cast<size_t>(lf - data) + 1 : size;
                }
                nextFrom[k] = bufStart + from;
            }
        }
        if (patterns.size() > 1) std::sort(hits.begin(), hits.end());

        found.clear();
        size_t counted = keep;  // line breaks are counted up to here
        for (size_t at : hits) {
            if (at > counted) {
                line += countByte(data + counted, at - counted, '\n');
                counted = at;
            }
            ++totals.occurrences;
            if (line != lastReported) {
                found.push_back(line);
                lastReported = line;
                ++totals.lines;
            }
        }
        line += countByte(data + counted, size - counted, '\n');

        const char* lf = findLastByte(data + keep, n, '\n');
        const size_t tailFrom = lf ? static_cast<size_t>(lf - data) + 1 : 0;
        const size_t carry = std::min(size - tailFrom, longest - 1);
        std::memmove(buf.data(), data + size - carry, carry);
        keep = carry;
        offset += n;
        totals.bytes = offset;
        report(found, totals);
    }
    return true;
}

std::vector<std::string> splitAlternatives(const std::string& text) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t bar = text.find('|', from);
        std::string part = text.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
        if (!part.empty()) parts.push_back(std::move(part));
        if (bar == std::string::npos) return parts;
        from = bar + 1;
    }
}

}  // namespace kalvimo
