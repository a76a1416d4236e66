#include "line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "find_text.h"
#include "io_error.h"

namespace kalvimo {

LineReader::LineReader(size_t blockSize) : blockSize_(blockSize < 64 ? 64 : blockSize) {}

LineReader::~LineReader() { close(); }

void LineReader::open(const std::string& path) {
    close();
    int fd;
    do fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) throw IoError(IoError::Op::Open, path, errno);
    fd_ = fd;
    path_ = path;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!buf_ || cap_ != 2 * blockSize_) {
        cap_ = 2 * blockSize_;
        buf_.reset(new char[cap_]);
    }
    pos_ = end_ = 0;
    eof_ = false;
}

void LineReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pos_ = end_ = 0;
    eof_ = true;
}

bool LineReader::fill() {
    if (eof_ || fd_ < 0) return false;
    if (cancelled()) {
        eof_ = true;
        pos_ = end_ = 0;
        return false;
    }
    const size_t unread = end_ - pos_;
    if (pos_ > 0 && unread > 0) std::memmove(buf_.get(), buf_.get() + pos_, unread);
    pos_ = 0;
    end_ = unread;
    if (unread + blockSize_ > cap_) {
        // A line longer than the buffer: grow, it has no length limit.
        size_t cap = cap_ * 2;
        while (unread + blockSize_ > cap) cap *= 2;
        std::unique_ptr<char[]> bigger(new char[cap]);
        std::memcpy(bigger.get(), buf_.get(), unread);
        buf_ = std::move(bigger);
        cap_ = cap;
    } else if (cap_ > 8 * blockSize_ && unread < blockSize_) {
        // The long line is behind us: give the memory back.
        std::unique_ptr<char[]> smaller(new char[2 * blockSize_]);
        std::memcpy(smaller.get(), buf_.get(), unread);
        buf_ = std::move(smaller);
        cap_ = 2 * blockSize_;
    }
    ssize_t n;
    do n = ::read(fd_, buf_.get() + end_, blockSize_);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        const int err = errno;
        eof_ = true;
        pos_ = end_ = 0;
        throw IoError(IoError::Op::Read, path_, err);
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
}

static inline const char* findLf(const char* from, const char* to) {
    if (from == to) return nullptr;  // before open() the buffer is null: memchr must not see it
    return static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(to - from)));
}

bool LineReader::next(std::string_view& line) {
    size_t scanFrom = pos_;
    for (;;) {
        if (const char* lf = findLf(buf_.get() + scanFrom, buf_.get() + end_)) {
            const size_t e = static_cast<size_t>(lf - buf_.get());
            size_t ce = e;
            if (ce > pos_ && buf_[ce - 1] == '\r') --ce;
            line = std::string_view(buf_.get() + pos_, ce - pos_);
            pos_ = e + 1;
            return true;
        }
        if (eof_) {
            if (pos_ >= end_) return false;
            line = std::string_view(buf_.get() + pos_, end_ - pos_);
            pos_ = end_;
            return true;
        }
        scanFrom = end_ - pos_;  // relative to the line start, which fill() moves to 0
        if (!fill()) {
            if (!eof_ || cancelled()) return false;
        }
    }
}

bool LineReader::nextContaining(std::string_view needle, std::string_view& line) {
    if (needle.empty()) {
        while (next(line))
            if (!line.empty()) return true;
        return false;
    }
    if (needle.find('\n') != std::string_view::npos) {
        // A line never holds an LF: nothing can match.
        while (next(line)) {}
        return false;
    }
    const size_t n = needle.size();
    size_t from = pos_;  // where a match may start
    for (;;) {
        if (fd_ < 0 && end_ == 0) return false;
        const char* base = buf_.get();
        if (end_ > from && end_ - from >= n) {
            const char* found = findText(base + from, end_ - from, needle);
            if (found) {
                size_t h = static_cast<size_t>(found - base);
                const void* prevLf = ::memrchr(base + pos_, '\n', h - pos_);
                const size_t ls = prevLf ? static_cast<size_t>(static_cast<const char*>(prevLf) - base) + 1 : pos_;
                // Complete the line: read on until its LF or the end of the file.
                pos_ = ls;
                size_t rel = h - ls;
                size_t scanFrom = h;
                const char* lf;
                while (!(lf = findLf(buf_.get() + scanFrom, buf_.get() + end_)) && !eof_) {
                    scanFrom = end_ - pos_;
                    if (!fill() && cancelled()) return false;
                }
                base = buf_.get();
                h = pos_ + rel;
                const size_t e = lf ? static_cast<size_t>(lf - base) : end_;
                size_t ce = e;
                if (lf && ce > pos_ && base[ce - 1] == '\r') --ce;
                if (h + n <= ce) {
                    line = std::string_view(base + pos_, ce - pos_);
                    pos_ = lf ? e + 1 : end_;
                    return true;
                }
                // The match ran into the CR that the line break drops: not in this line.
                from = h + 1;
                continue;
            }
        }
        if (eof_) {
            pos_ = end_;
            return false;
        }
        // No match in what is buffered: keep only the unfinished last line.
        const void* lastLf = ::memrchr(base + pos_, '\n', end_ - pos_);
        const size_t keep = lastLf ? static_cast<size_t>(static_cast<const char*>(lastLf) - base) + 1 : pos_;
        const size_t searched = end_ >= n - 1 ? end_ - (n - 1) : 0;
        const size_t resume = std::max(from, searched);
        const size_t relFrom = resume > keep ? resume - keep : 0;
        pos_ = keep;
        if (!fill() && cancelled()) return false;
        from = pos_ + relFrom;
    }
}

}  // namespace kalvimo
