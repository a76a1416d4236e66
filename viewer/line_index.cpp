#include "viewer/line_index.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_scan.h"
#include "platform/line_end.h"

namespace kalvimo {

// ---- building ----

void LineIndexBuilder::addMark(uint64_t start) {
    last_ = {count_.breaks, start};
    found_.push_back(last_);
}

void LineIndexBuilder::feed(const char* data, size_t size) {
    const uint64_t base = count_.bytes;
    size_t i = 0;
    while (i < size) {
        const uint64_t at = base + i;
        // A break at or past this place starts a line B bytes or more after the last mark.
        const uint64_t byteLimit = last_.offset + tuning_.everyBytes - 1;
        if (at < byteLimit) {
            const size_t span = static_cast<size_t>(std::min<uint64_t>(size - i, byteLimit - at));
            const uint64_t want = tuning_.everyLines - (count_.breaks - last_.line);
            size_t counted = 0;
            const size_t q = findNthByte(data + i, span, '\n', static_cast<size_t>(want), &counted);
            if (q < span) {
                count_.breaks += want;
                count_.lastStart = at + q + 1;
                addMark(count_.lastStart);
                i += q + 1;
                continue;
            }
            if (counted > 0) {
                count_.breaks += counted;
                const char* lf = findLastByte(data + i, span, '\n');
                count_.lastStart = base + static_cast<uint64_t>(lf - data) + 1;
            }
            i += span;
            continue;
        }
        const auto* lf = static_cast<const char*>(std::memchr(data + i, '\n', size - i));
        if (!lf) break;
        ++count_.breaks;
        count_.lastStart = base + static_cast<uint64_t>(lf - data) + 1;
        addMark(count_.lastStart);
        i = static_cast<size_t>(lf - data) + 1;
    }
    count_.bytes = base + size;
}

std::vector<LineMark> LineIndexBuilder::takeMarks() {
    std::vector<LineMark> out;
    out.swap(found_);
    return out;
}

// ---- looking up ----

void LineIndex::add(const std::vector<LineMark>& marks, const LineCount& count, bool complete) {
    for (const LineMark& m : marks)
        if (m.line > marks_.back().line) marks_.push_back(m);
    count_ = count;
    complete_ = complete;
}

namespace {

constexpr size_t kChunk = 16 * 1024;

// A window on the file that rereads only when asked for bytes outside what it holds.
class Window {
public:
    explicit Window(const ByteSource& source) : source_(source) {}

    // Up to want bytes at offset; fewer only at the end of the file.
    std::string_view at(uint64_t offset, size_t want) {
        const bool inside = offset >= start_ && offset - start_ <= data_.size();
        if (!inside || (offset - start_ + want > data_.size() && !atEnd_)) {
            start_ = offset;
            const size_t ask = std::max(want, kChunk);
            data_.resize(ask);
            data_.resize(source_.readAt(offset, data_.data(), ask));
            atEnd_ = data_.size() < ask;
        }
        const size_t from = static_cast<size_t>(offset - start_);
        return std::string_view(data_).substr(from, std::min(want, data_.size() - from));
    }

private:
    const ByteSource& source_;
    uint64_t start_ = 0;
    std::string data_;
    bool atEnd_ = false;
};

}  // namespace

uint64_t LineIndex::lineStart(const ByteSource& source, uint64_t line) const {
    auto mark = std::upper_bound(marks_.begin(), marks_.end(), line,
                                 [](uint64_t l, const LineMark& m) { return l < m.line; });
    --mark;  // the first mark is line 0
    uint64_t pos = mark->offset;
    size_t skip = static_cast<size_t>(line - mark->line);
    if (skip == 0) return pos;
    Window window(source);
    for (;;) {
        const std::string_view bytes = window.at(pos, kChunk);
        if (bytes.empty()) return pos;  // the file shrank
        size_t counted = 0;
        const size_t q = findNthByte(bytes.data(), bytes.size(), '\n', skip, &counted);
        if (q < bytes.size()) return pos + q + 1;
        skip -= counted;
        pos += bytes.size();
    }
}

std::vector<ShownLine> LineIndex::readLines(const ByteSource& source, uint64_t first, size_t count,
                                            size_t maxBytes) const {
    std::vector<ShownLine> out;
    if (first >= lines() || count == 0) return out;
    Window window(source);
    uint64_t pos = lineStart(source, first);
    for (uint64_t line = first; line < lines() && out.size() < count; ++line) {
        // Room for the kept bytes, a CR and the LF.
        const std::string_view w = window.at(pos, maxBytes + 2);
        if (w.empty()) break;  // the file shrank
        ShownLine shown;
        shown.line = line;
        if (const auto* lf = static_cast<const char*>(std::memchr(w.data(), '\n', w.size()))) {
            const auto upToLf = static_cast<size_t>(lf - w.data());
            const uint64_t next = pos + upToLf + 1;
            const size_t n = lineLengthBeforeLf(w.data(), upToLf);
            shown.bytes.assign(w.data(), std::min(n, maxBytes));
            shown.cut = n > maxBytes;
            shown.length = n;
            pos = next;
        } else if (w.size() < maxBytes + 2) {
            // The last line, without a break.
            shown.bytes.assign(w.data(), std::min(w.size(), maxBytes));
            shown.cut = w.size() > maxBytes;
            shown.length = w.size();
            pos += w.size();
        } else {
            // A line longer than the width: its end comes from the index when it is known.
            shown.bytes.assign(w.data(), maxBytes);
            shown.cut = true;
            const bool broken = line < count_.breaks;  // a line break ends it
            if (line + 1 < lines() || broken || complete_) {
                const uint64_t next = line + 1 < lines() ? lineStart(source, line + 1) : count_.bytes;
                if (next <= pos + maxBytes) break;  // the file changed under the index
                if (broken) {
                    const std::string_view lastByte = window.at(next - 2, 1);  // the one before the LF
                    shown.length = next - 1 - pos - lastByte.size() + lineLengthBeforeLf(lastByte.data(), lastByte.size());
                } else {
                    shown.length = next - pos;
                }
                pos = next;
            }
        }
        out.push_back(std::move(shown));
    }
    return out;
}

}  // namespace kalvimo
