#include "viewer/line_scan.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_scan.h"

namespace kalvimo {

LineScanner::LineScanner(Patterns patterns, bool countOccurrences, size_t blockSize)
    : patterns_(std::move(patterns)),
      countOccurrences_(countOccurrences),
      blockSize_(blockSize),
      nextFrom_(patterns_.count(), 0) {}

bool LineScanner::scan(const ByteSource& source, const std::stop_token& stop, const Report& report) {
    const size_t longest = std::max<size_t>(1, patterns_.longest());
    std::string buf(longest - 1 + blockSize_, '\0');
    size_t keep = carry_.size();
    std::memcpy(buf.data(), carry_.data(), keep);
    std::vector<size_t> hits;
    std::vector<uint64_t> found;
    for (;;) {
        if (stop.stop_requested()) break;
        const uint64_t offset = totals_.bytes;
        const size_t n = source.readAt(offset, buf.data() + keep, blockSize_);
        if (n == 0) break;
        const size_t size = keep + n;
        const uint64_t bufStart = offset - keep;
        const char* data = buf.data();

        hits.clear();
        for (size_t k = 0; k < patterns_.count(); ++k) {
            const size_t length = patterns_[k].size();
            if (length == 0) continue;
            // Matches that lie wholly in the kept tail were seen with the block before.
            size_t from = keep >= length ? keep - length + 1 : 0;
            if (nextFrom_[k] > bufStart) from = std::max(from, static_cast<size_t>(nextFrom_[k] - bufStart));
            for (size_t at; (at = patterns_.next(k, data, size, from)) < size;) {
                hits.push_back(at);
                if (countOccurrences_) {
                    from = at + length;
                } else {
                    const auto* lf = static_cast<const char*>(std::memchr(data + at, '\n', size - at));
                    from = lf ? static_cast<size_t>(lf - data) + 1 : size;
                }
                nextFrom_[k] = bufStart + from;
            }
        }
        if (patterns_.count() > 1) std::sort(hits.begin(), hits.end());

        found.clear();
        size_t counted = keep;  // line breaks are counted up to here
        for (size_t at : hits) {
            if (at > counted) {
                line_ += countByte(data + counted, at - counted, '\n');
                counted = at;
            }
            ++totals_.occurrences;
            if (line_ != lastReported_) {
                found.push_back(line_);
                lastReported_ = line_;
                ++totals_.lines;
            }
        }
        line_ += countByte(data + counted, size - counted, '\n');

        const auto* lf = findLastByte(data + keep, n, '\n');
        const size_t tailFrom = lf ? static_cast<size_t>(lf - data) + 1 : 0;
        const size_t carry = std::min(size - tailFrom, longest - 1);
        std::memmove(buf.data(), data + size - carry, carry);
        keep = carry;
        totals_.bytes = offset + n;
        report(found, totals_);
    }
    carry_.assign(buf.data(), keep);
    return !stop.stop_requested();
}

}  // namespace kalvimo
