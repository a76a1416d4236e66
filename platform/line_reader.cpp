#include "platform/line_reader.h"

#include <cerrno>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/byte_scan.h"
#include "platform/find_text.h"
#include "platform/io_error.h"
#include "platform/line_end.h"
#include "platform/read_ahead.h"

namespace kalvimo {

// Reads land on a page boundary: the kernel's copy from the page cache into a destination just
// past a page boundary costs several times more on some machines. Small blocks (the fuzzing
// build) still move the unread part, so that path is exercised too.
LineReader::LineReader(size_t blockSize) : LineReader(blockSize, blockSize >= 64 * 1024) {}

LineReader::LineReader(size_t blockSize, bool readAhead)
    : blockSize_(blockSize < 64 ? 64 : blockSize), align_(blockSize_ >= 4096 ? 4096 : 16) {
    if (readAhead) ahead_ = std::make_unique<ReadAhead>(kReadsAhead);
}

namespace {
constexpr std::align_val_t kPage{4096};
}

char* LineReader::allocate(size_t cap) noexcept {
    return static_cast<char*>(::operator new[](cap, kPage, std::nothrow));
}

void LineReader::Free::operator()(char* p) const noexcept { ::operator delete[](p, kPage); }

LineReader::~LineReader() { close(); }

void LineReader::open(const std::string& path) {
    close();
    // A FIFO or a device put where a printout was listed: never waited on, never read.
    if (const int err = sys::openFile(path, sys::kRead | sys::kDirectoryToo | sys::kSequential, file_))
        throw IoError(IoError::Op::Open, path, err);
    path_ = path;
    if (!buf_ || cap_ != 2 * blockSize_) {
        buf_.reset(allocate(2 * blockSize_));
        if (!buf_) throw std::bad_alloc();
        cap_ = 2 * blockSize_;
    }
    pos_ = end_ = 0;
    base_ = 0;
    next_ = 0;
    eof_ = false;
    if (ahead_) {
        for (auto& spare : spares_) {
            if (!spare) spare.reset(allocate(2 * blockSize_));
            if (!spare) throw std::bad_alloc();
        }
        askedTo_ = 0;
        readAhead();
    }
}

void LineReader::readAhead() {
    for (; reading_ < kReadsAhead; ++reading_) {
        ahead_->start(file_, askedTo_, spares_[(first_ + reading_) % kReadsAhead].get() + blockSize_, blockSize_);
        askedTo_ += blockSize_;
    }
}

void LineReader::dropReadsAhead() {
    for (; reading_ > 0; --reading_) {
        ahead_->wait();
        first_ = (first_ + 1) % kReadsAhead;
    }
}

void LineReader::close() {
    // The file and the buffers stay until the reads ahead are done with them.
    if (ahead_) dropReadsAhead();
    file_.close();
    pos_ = end_ = 0;
    eof_ = true;
    std::string().swap(rejoined_);
}

void LineReader::moveTo(size_t cap, size_t unreadAt) {
    // A line that has to be kept whole and does not fit in memory costs its file, not the run.
    std::unique_ptr<char[], Free> other(allocate(cap));
    if (!other) {
        eof_ = true;
        pos_ = end_ = 0;
        throw IoError(IoError::Op::Read, path_, ENOMEM);
    }
    std::memcpy(other.get() + unreadAt, buf_.get() + pos_, end_ - pos_);
    buf_ = std::move(other);
    cap_ = cap;
}

size_t LineReader::makeRoom() {
    const size_t unread = end_ - pos_;
    const size_t at = (unread + align_ - 1) / align_ * align_;  // where the read lands
    const size_t unreadAt = at - unread;
    if (at + blockSize_ > cap_) {
        // A line longer than the buffer: grow, it has no length limit.
        size_t cap = cap_ * 2;
        while (at + blockSize_ > cap) cap *= 2;
        moveTo(cap, unreadAt);
    } else if (cap_ > 8 * blockSize_ && at < blockSize_) {
        // The long line is behind us: give the memory back.
        moveTo(2 * blockSize_, unreadAt);
    } else if (unread > 0 && unreadAt != pos_) {
        std::memmove(buf_.get() + unreadAt, buf_.get() + pos_, unread);
    }
    base_ += static_cast<int64_t>(pos_) - static_cast<int64_t>(unreadAt);
    pos_ = unreadAt;
    end_ = at;
    return at;
}

bool LineReader::fill() {
    if (eof_ || !file_.isOpen()) return false;
    if (cancelled()) {
        eof_ = true;
        pos_ = end_ = 0;
        return false;
    }
    if (ahead_) return fillFromReadAhead();
    const size_t at = makeRoom();
    size_t n = 0;
    if (const int err = sys::readAt(file_, next_, buf_.get() + at, blockSize_, n)) {
        eof_ = true;
        pos_ = end_ = 0;
        throw IoError(IoError::Op::Read, path_, err);
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    next_ += n;
    end_ += n;
    if (observer_) observer_->bytesRead(n);
    return true;
}

bool LineReader::fillFromReadAhead() {
    if (reading_ == 0) readAhead();  // never a wait for a read not asked for
    const ReadAhead::Result r = ahead_->wait();
    std::unique_ptr<char[], Free>& spare = spares_[first_];
    first_ = (first_ + 1) % kReadsAhead;
    --reading_;
    if (r.bytes < 0) {
        dropReadsAhead();
        eof_ = true;
        pos_ = end_ = 0;
        throw IoError(IoError::Op::Read, path_, r.error);
    }
    const size_t n = static_cast<size_t>(r.bytes);
    if (n < blockSize_) {
        // A short block is the end of the file as it was then; the reads asked for past it may
        // have found bytes written since, with a gap before them: asked for again from its end.
        dropReadsAhead();
        askedTo_ = next_ + n;
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    next_ += n;
    const size_t unread = end_ - pos_;
    if (unread <= blockSize_ && cap_ == 2 * blockSize_) {
        // The unread part goes right before the new block, and the buffers change places.
        const size_t unreadAt = blockSize_ - unread;
        if (unread > 0) std::memcpy(spare.get() + unreadAt, buf_.get() + pos_, unread);
        base_ += static_cast<int64_t>(pos_) - static_cast<int64_t>(unreadAt);
        buf_.swap(spare);
        pos_ = unreadAt;
        end_ = blockSize_ + n;
    } else {
        // A long line: the block is copied after it, as a read would have put it.
        const size_t at = makeRoom();
        std::memcpy(buf_.get() + at, spare.get() + blockSize_, n);
        end_ += n;
    }
    readAhead();
    if (observer_) observer_->bytesRead(n);
    return true;
}

void LineReader::skipToEnd() {
    do pos_ = end_;
    while (fill());
    pos_ = end_;
}

std::string_view LineReader::rejoin(int64_t start, size_t lineEnd) {
    const int64_t keptAt = base_ + static_cast<int64_t>(pos_);
    const size_t head = static_cast<size_t>(keptAt - start);
    const size_t kept = lineEnd - pos_;
    try {
        rejoined_.resize(head + kept);
    } catch (const std::bad_alloc&) {
        std::string().swap(rejoined_);
        throw IoError(IoError::Op::Read, path_, ENOMEM);
    }
    size_t done = 0;
    while (done < head) {
        size_t n = 0;
        const int err = sys::readAt(file_, static_cast<uint64_t>(start) + done, rejoined_.data() + done, head - done, n);
        if (err != 0 || n == 0) throw IoError(IoError::Op::Read, path_, err != 0 ? err : kChangedWhileRead);
        done += n;
    }
    std::memcpy(rejoined_.data() + head, buf_.get() + pos_, kept);
    return rejoined_;
}

// Lines are short: their ends are looked for here sixteen bytes at a time, which saves the
// call of memchr for most of them; memchr takes over past 128 bytes. The bytes a few lines on
// are asked for meanwhile, as the block search does.
static inline const char* findLf(const char* from, const char* to) {
    if (from == to) return nullptr;  // before open() the buffer is null: memchr must not see it
#if defined(__SSE2__)
    _mm_prefetch(from + 2048, _MM_HINT_T0);
    const __m128i lf = _mm_set1_epi8('\n');
    for (int i = 0; i < 8 && to - from >= 16; ++i, from += 16) {
        const unsigned m = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), lf)));
        if (m != 0) return from + __builtin_ctz(m);
    }
    if (from == to) return nullptr;
#endif
    return static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(to - from)));
}

// The last LF before to, looked for in the same way backwards.
static inline const char* findLastLf(const char* from, const char* to) {
    if (from >= to) return nullptr;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (int i = 0; i < 4 && to - from >= 16; ++i, to -= 16) {
        const unsigned m = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(to - 16)), lf)));
        if (m != 0) return to - 16 + (31 - __builtin_clz(m));
    }
    if (from == to) return nullptr;
#endif
    return findLastByte(from, static_cast<size_t>(to - from), '\n');
}

bool LineReader::next(std::string_view& line) {
    if (!rejoined_.empty()) std::string().swap(rejoined_);
    size_t searched = 0;  // bytes of the line known to hold no LF
    for (;;) {
        if (const char* lf = findLf(buf_.get() + pos_ + searched, buf_.get() + end_)) {
            const size_t e = static_cast<size_t>(lf - buf_.get());
            line = std::string_view(buf_.get() + pos_, lineLengthBeforeLf(buf_.get() + pos_, e - pos_));
            pos_ = e + 1;
            return true;
        }
        if (eof_) {
            if (pos_ >= end_) return false;
            line = std::string_view(buf_.get() + pos_, end_ - pos_);
            pos_ = end_;
            return true;
        }
        searched = end_ - pos_;  // the line start moves with fill()
        if (!fill()) {
            if (!eof_ || cancelled()) return false;
        }
    }
}

bool LineReader::nextContaining(std::string_view needle, std::string_view& line) {
    if (!rejoined_.empty()) std::string().swap(rejoined_);
    if (needle.empty()) {
        while (next(line))
            if (!line.empty()) return true;
        return false;
    }
    // Looked at byte by byte: the needle is short, and this runs for every header.
    bool lf = false;
    for (const char c : needle) lf |= c == '\n';
    if (lf) {
        skipToEnd();  // a line never holds an LF: nothing can match
        return false;
    }
    const size_t n = needle.size();
    Search s{pos_, pos_};
    for (;;) {
        if (!file_.isOpen() && end_ == 0) return false;
        const char* base = buf_.get();
        if (end_ > s.from && end_ - s.from >= n) {
            if (const char* found = findText(base + s.from, end_ - s.from, needle)) {
                size_t h = static_cast<size_t>(found - base);
                // The line of the match begins after the last LF before it.
                const char* prevLf = h > s.lfFrom ? findLastLf(base + s.lfFrom, base + h) : nullptr;
                if (prevLf) {
                    pos_ = static_cast<size_t>(prevLf - base) + 1;
                    s.cut = false;
                }
                const size_t rel = h - pos_;  // the line start moves with fill()
                const char* lineLf;
                if (!completeLine(rel, lineLf)) return false;
                base = buf_.get();
                h = pos_ + rel;
                const size_t e = lineLf ? static_cast<size_t>(lineLf - base) : end_;
                const size_t ce = lineLf ? pos_ + lineLengthBeforeLf(base + pos_, e - pos_) : e;
                if (h + n <= ce) {
                    line = s.cut ? rejoin(s.cutStart, ce) : std::string_view(base + pos_, ce - pos_);
                    pos_ = lineLf ? e + 1 : end_;
                    return true;
                }
                // The match ran into the CR that the line break drops: not in this line.
                s.from = h + 1;
                s.lfFrom = e;
                continue;
            }
        }
        if (eof_) {
            pos_ = end_;
            return false;
        }
        if (!readOnWithout(n, s)) return false;
    }
}

bool LineReader::completeLine(size_t searched, const char*& lf) {
    while (!(lf = findLf(buf_.get() + pos_ + searched, buf_.get() + end_)) && !eof_) {
        searched = end_ - pos_;
        if (!fill() && cancelled()) return false;
    }
    return true;
}

bool LineReader::readOnWithout(size_t n, Search& s) {
    const char* base = buf_.get();
    size_t keep = pos_;
    if (end_ > s.lfFrom) {
        if (const char* lastLf = findLastByte(base + s.lfFrom, end_ - s.lfFrom, '\n')) {
            keep = static_cast<size_t>(lastLf - base) + 1;
            s.cut = false;
        }
    }
    const size_t searched = end_ >= n - 1 ? end_ - (n - 1) : 0;
    const size_t resume = std::max(s.from, searched);
    if (resume > keep && end_ - keep > keepLimit()) {
        if (!s.cut) s.cutStart = base_ + static_cast<int64_t>(keep);
        s.cut = true;
        keep = resume;
    }
    const size_t relFrom = resume > keep ? resume - keep : 0;
    const size_t relLf = end_ - keep;
    pos_ = keep;
    if (!fill() && cancelled()) return false;
    s.from = pos_ + relFrom;
    s.lfFrom = pos_ + relLf;
    return true;
}

}  // namespace kalvimo
