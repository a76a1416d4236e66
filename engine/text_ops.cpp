#include "engine/text_ops.h"

namespace kalvimo {

std::optional<int> parseInt16(std::string_view text) {
    std::string_view s = trimTrailingSpaces(trimLeadingSpaces(text));
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 100000) value = 100000;  // out of range either way; no overflow
    }
    if (negative) value = -value;
    if (value < -32768 || value > 32767) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace kalvimo
