#pragma once
// The viewer's search over the bytes of a file: reports the lines that hold a match as it
// reads the file block by block. It keeps its place, so that a file that grows is read on from
// where it ended, with the same results as a reading of the whole file at once.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/byte_source.h"
#include "viewer/matches.h"

namespace kalvimo {

struct ScanTotals {
    uint64_t bytes = 0;        // read so far
    uint64_t occurrences = 0;  // matches, counted without overlap; only when asked for
    uint64_t lines = 0;        // lines holding a match
};

class LineScanner {
public:
    // Counts every occurrence when countOccurrences, else goes on at the next line after a match.
    LineScanner(Patterns patterns, bool countOccurrences, size_t blockSize);

    // Reads source from where the last reading ended to its end and calls report after every
    // block with the numbers of the lines (from 0, ascending, each once over all readings) that
    // hold any of the patterns and were found in that block. Returns false when stopped, which
    // is tested once a block. Throws IoError.
    using Report = std::function<void(const std::vector<uint64_t>& lines, const ScanTotals& totals)>;
    bool scan(const ByteSource& source, const std::stop_token& stop, const Report& report);

    const ScanTotals& totals() const { return totals_; }

private:
    Patterns patterns_;
    bool countOccurrences_;
    size_t blockSize_;
    // The tail of the line that the last block ended in, read again before the next block so
    // that a match across the boundary is seen; it holds no line break.
    std::string carry_;
    uint64_t line_ = 0;               // the line the carried tail is on
    std::vector<uint64_t> nextFrom_;  // end of each pattern's last match
    uint64_t lastReported_ = UINT64_MAX;
    ScanTotals totals_;
};

}  // namespace kalvimo
