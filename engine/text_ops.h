#pragma once
// Small text helpers shared by the extractions. Texts are Windows-1251 bytes, one byte a
// character, so columns are byte positions.
#include <optional>
#include <string>
#include <string_view>

#include "platform/find_text.h"

namespace kalvimo {

// Columns from..from+count-1, counted from 1, cut at the end of the line.
inline std::string_view columns(std::string_view line, size_t from, size_t count) {
    if (from == 0 || from > line.size()) return {};
    return line.substr(from - 1, count);
}

// The last count characters, or the whole line when it is shorter.
inline std::string_view lastChars(std::string_view line, size_t count) {
    return line.size() <= count ? line : line.substr(line.size() - count);
}

// Substring test, with the scans' block search. An empty text is contained in every
// non-empty line and in no empty line.
inline bool contains(std::string_view line, std::string_view text) {
    if (text.empty()) return !line.empty();
    return findText(line.data(), line.size(), text) != nullptr;
}

// Blanks only, looked at one by one: find_first_not_of makes a call for every byte.
inline std::string_view trimLeadingSpaces(std::string_view s) {
    size_t p = 0;
    while (p < s.size() && s[p] == ' ') ++p;
    return s.substr(p);
}

inline std::string_view trimTrailingSpaces(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

// Whole-number conversion of the printouts: optional spaces around, an optional sign right
// before the digits, decimal digits only, within -32768..32767.
std::optional<int> parseInt16(std::string_view text);

}  // namespace kalvimo
