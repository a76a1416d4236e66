#include "platform/collate.h"

#include <algorithm>
#include <numeric>

#include "platform/cp1251.h"

namespace kalvimo {

char32_t foldCase(char32_t cp) {
    if (cp >= U'A' && cp <= U'Z') return cp + 0x20;
    if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;  // А..Я
    if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;  // Ѐ..Џ, Ё among them
    if (cp == 0x0490) return 0x0491;                     // Ґ
    return cp;
}

int alphaCompare(std::u32string_view a, std::u32string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char32_t x = foldCase(a[i]), y = foldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int exact = a.compare(b);
    return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

void sortAlphabetically(std::vector<std::string>& items, TextEncoding encoding) {
    std::vector<std::u32string> keys;
    keys.reserve(items.size());
    for (const auto& s : items)
        keys.push_back(encoding == TextEncoding::Cp1251 ? decodeCp1251(s) : decodeUtf8(s));
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t x, size_t y) { return alphaCompare(keys[x], keys[y]) < 0; });
    std::vector<std::string> sorted;
    sorted.reserve(items.size());
    for (size_t i : order) sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

}  // namespace kalvimo
