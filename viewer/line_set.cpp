#include "viewer/line_set.h"

#include <algorithm>

namespace kalvimo {

void LineSet::append(uint64_t line) {
    if (size_ % kGroup == 0) {
        groups_.push_back({line, bytes_.size()});
    } else {
        uint64_t d = line - last_;
        while (d >= 0x80) {
            bytes_.push_back(static_cast<uint8_t>(d | 0x80));
            d >>= 7;
        }
        bytes_.push_back(static_cast<uint8_t>(d));
    }
    last_ = line;
    ++size_;
}

uint64_t LineSet::at(uint64_t i) const {
    const Group& g = groups_[i / kGroup];
    uint64_t line = g.first;
    const uint8_t* p = bytes_.data() + g.bytesAt;
    for (uint64_t k = i % kGroup; k > 0; --k) {
        uint64_t d = 0;
        for (int shift = 0;; shift += 7) {
            const uint8_t b = *p++;
            d |= static_cast<uint64_t>(b & 0x7F) << shift;
            if (b < 0x80) break;
        }
        line += d;
    }
    return line;
}

uint64_t LineSet::lowerBound(uint64_t line) const {
    // The last group starting at or before line holds the answer, or it is the next group's first.
    auto g = std::upper_bound(groups_.begin(), groups_.end(), line,
                              [](uint64_t l, const Group& x) { return l < x.first; });
    if (g == groups_.begin()) return 0;
    uint64_t i = static_cast<uint64_t>(g - groups_.begin() - 1) * kGroup;
    const uint64_t end = std::min(size_, i + kGroup);
    while (i < end && at(i) < line) ++i;
    return i;
}

}  // namespace kalvimo
