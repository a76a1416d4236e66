#pragma once
// Where the lines of a viewed file start, kept compact so that a file of gigabytes needs a few
// megabytes. The index keeps a mark at the start of every Nth line and at the first line that
// starts B bytes or more past the last mark; any other line starts fewer than N lines and
// fewer than B bytes after a mark, and is found by reading on from it. Lines follow the
// program's rules: a line ends at LF, one CR before the LF is dropped, the last line needs no LF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_source.h"

namespace kalvimo {

// Line `line` (counted from 0) starts at byte `offset`.
struct LineMark {
    uint64_t line = 0;
    uint64_t offset = 0;
};

struct LineIndexTuning {
    uint64_t everyLines = 128;
    uint64_t everyBytes = 64 * 1024;
};

// How far the counting has come: line breaks seen, bytes read, and where the line after the
// last break starts.
struct LineCount {
    uint64_t breaks = 0;
    uint64_t bytes = 0;
    uint64_t lastStart = 0;
    // One line per break, and the unfinished line after the last one.
    uint64_t lines() const { return breaks + (bytes > lastStart ? 1 : 0); }
};

// Counts the lines of a file fed to it block by block, in order, and finds the marks.
class LineIndexBuilder {
public:
    explicit LineIndexBuilder(LineIndexTuning tuning = {}) : tuning_(tuning) {}
    void feed(const char* data, size_t size);
    const LineCount& count() const { return count_; }
    // The marks found since the last call, in order.
    std::vector<LineMark> takeMarks();

private:
    void addMark(uint64_t start);
    LineIndexTuning tuning_;
    LineCount count_;
    LineMark last_;
    std::vector<LineMark> found_;
};

// One line as the viewer shows it: its bytes without the line break, cut to a width.
struct ShownLine {
    uint64_t line = 0;
    std::string bytes;
    bool cut = false;
    uint64_t length = 0;  // of the whole line; 0 for a cut line whose end is not indexed yet
};

class LineIndex {
public:
    // Takes what a builder found since the last call.
    void add(const std::vector<LineMark>& marks, const LineCount& count, bool complete);
    void clear() { *this = LineIndex(); }

    uint64_t lines() const { return count_.lines(); }
    const LineCount& count() const { return count_; }
    bool complete() const { return complete_; }
    size_t memoryBytes() const { return marks_.capacity() * sizeof(LineMark); }

    // Where line starts (line < lines()), read on from its mark.
    uint64_t lineStart(const ByteSource& source, uint64_t line) const;
    // Up to count lines from first on, each cut to maxBytes (> 0).
    std::vector<ShownLine> readLines(const ByteSource& source, uint64_t first, size_t count, size_t maxBytes) const;

private:
    std::vector<LineMark> marks_{LineMark{}};
    LineCount count_;
    bool complete_ = false;
};

}  // namespace kalvimo
