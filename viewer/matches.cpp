#include "viewer/matches.h"

#include <algorithm>
#include <array>
#include <cstring>

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

Patterns::Patterns(const std::vector<std::string>& texts, bool matchCase) {
    for (const std::string& t : texts) each_.emplace_back(t, matchCase);
}

size_t Patterns::longest() const {
    size_t most = 0;
    for (const TextPattern& p : each_) most = std::max(most, p.size());
    return most;
}

size_t Patterns::next(size_t k, const char* data, size_t size, size_t from) const {
    if (from >= size) return size;
    const char* m = each_[k].findIn(data + from, size - from);
    return m ? static_cast<size_t>(m - data) : size;
}

std::vector<Match> Patterns::in(std::string_view bytes) const {
    std::vector<Match> out;
    for (size_t k = 0; k < each_.size(); ++k) {
        const size_t n = each_[k].size();
        for (size_t at = next(k, bytes.data(), bytes.size(), 0); at < bytes.size();
             at = next(k, bytes.data(), bytes.size(), at + n))
            out.push_back({at, n});
    }
    if (each_.size() > 1)
        std::stable_sort(out.begin(), out.end(), [](const Match& a, const Match& b) { return a.at < b.at; });
    return out;
}

}  // namespace kalvimo
