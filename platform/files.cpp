#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <ctime>

#include "platform/collate.h"
#include "platform/file_pattern.h"
#include "platform/io_block.h"
#include "platform/io_error.h"

namespace kalvimo {
namespace {

constexpr size_t kOutBuffer = kIoBlock;

void writeAll(int fd, const char* data, size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(IoError::Op::Write, path, errno);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace

int openRegularFile(const std::string& path, int flags, IoError::Op op) {
    int fd;
    do fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int err = errno;
        struct stat st;
        // ENXIO: a FIFO without a reader or a device without its driver; ELOOP under
        // O_NOFOLLOW: the name is a symbolic link.
        if (err == ENXIO || (err == ELOOP && (flags & O_NOFOLLOW) && ::lstat(path.c_str(), &st) == 0 &&
                             S_ISLNK(st.st_mode)))
            err = kNotRegularFile;
        throw IoError(op, path, err);
    }
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : !S_ISREG(st.st_mode) ? kNotRegularFile : 0;
    if (err == 0) {
        const int status = ::fcntl(fd, F_GETFL);
        if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) err = errno;
    }
    if (err != 0) {
        ::close(fd);
        throw IoError(op, path, err);
    }
    return fd;
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && out.back() != '/') out += '/';
    out += name;
    return out;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ensureDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) return;
    const int err = errno;
    if (err == EEXIST && isDirectory(path)) return;
    throw IoError(IoError::Op::CreateDir, path, err == EEXIST ? ENOTDIR : err);
}

OutFile::~OutFile() { abandon(); }

OutFile::OutFile(OutFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), buf_(std::move(other.buf_)), tap_(other.tap_) {
    other.fd_ = -1;
}

OutFile& OutFile::operator=(OutFile&& other) noexcept {
    if (this != &other) {
        abandon();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        buf_ = std::move(other.buf_);
        tap_ = other.tap_;
        other.fd_ = -1;
    }
    return *this;
}

void OutFile::openWith(const std::string& path, int flags) {
    abandon();
    fd_ = openRegularFile(path, flags, IoError::Op::Create);
    path_ = path;
    buf_.clear();
}

// A result file is never written through a symbolic link: the link's target may be anything.
void OutFile::create(const std::string& path) { openWith(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW); }

void OutFile::openAppend(const std::string& path) { openWith(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW); }

void OutFile::write(std::string_view bytes) {
    if (buf_.capacity() < kOutBuffer) buf_.reserve(kOutBuffer);
    if (buf_.size() + bytes.size() <= kOutBuffer) {
        buf_.append(bytes);
        return;
    }
    if (!tap_) {
        flush();
        if (bytes.size() >= kOutBuffer) writeAll(fd_, bytes.data(), bytes.size(), path_);
        else buf_.append(bytes);
        return;
    }
    // A tap is shown the buffer itself, never a copy: a line of any length passes through it
    // a buffer at a time, and the memory stays that of one buffer.
    while (!bytes.empty()) {
        const size_t n = std::min(kOutBuffer - buf_.size(), bytes.size());
        buf_.append(bytes.substr(0, n));
        bytes.remove_prefix(n);
        if (buf_.size() == kOutBuffer) flush();
        if (buf_.capacity() < kOutBuffer) buf_.reserve(kOutBuffer);
    }
}

void OutFile::writeNow(std::string_view bytes) {
    if (tap_) {
        write(bytes);
        flush();
        return;
    }
    flush();
    writeAll(fd_, bytes.data(), bytes.size(), path_);
}

// The buffer goes to the tap; a tap that cannot take it is told so.
void OutFile::showTap() {
    try {
        tap_->take(buf_);
    } catch (...) {
        tap_->missed();
        throw;
    }
}

void OutFile::flush() {
    if (fd_ < 0 || buf_.empty()) return;
    // The buffer is kept for the next bytes: a fresh one for every flush costs page faults.
    try {
        writeAll(fd_, buf_.data(), buf_.size(), path_);
        if (tap_) showTap();
    } catch (...) {
        buf_.clear();  // never written twice
        throw;
    }
    buf_.clear();
}

void OutFile::close() {
    if (fd_ < 0) return;
    try {
        flush();
    } catch (...) {
        abandon();
        throw;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw IoError(IoError::Op::Write, path_, errno);
}

void OutFile::abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buf_.clear();
}

void appendLine(const std::string& path, std::string_view line) {
    const int fd = openRegularFile(path, O_RDWR | O_CREAT | O_APPEND, IoError::Op::Create);
    struct stat st;
    const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : 0;
    try {
        std::string text;
        if (before > 0) {
            char last = '\n';
            if (::pread(fd, &last, 1, before - 1) == 1 && last != '\n') text = "\r\n";
        }
        text.append(line);
        text += "\r\n";
        writeAll(fd, text.data(), text.size(), path);
    } catch (...) {
        // Part of a line would stay for good and the next append would finish it as a line of
        // its own: the file goes back to its lines before the append.
        (void)::ftruncate(fd, before);
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0 && errno != EINTR) throw IoError(IoError::Op::Write, path, errno);
}

std::optional<unsigned long long> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return static_cast<unsigned long long>(st.st_size);
    if (errno == ENOENT) return std::nullopt;
    throw IoError(IoError::Op::Open, path, errno);
}

void readRange(const std::string& path, unsigned long long offset, unsigned long long size,
               const std::function<void(std::string_view)>& sink) {
    const int fd = openRegularFile(path, O_RDONLY, IoError::Op::Read);
    std::string block(std::min<unsigned long long>(size, kIoBlock), '\0');
    try {
        while (size > 0) {
            const size_t want = static_cast<size_t>(std::min<unsigned long long>(size, block.size()));
            const ssize_t n = ::pread(fd, block.data(), want, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw IoError(IoError::Op::Read, path, n < 0 ? errno : kChangedWhileRead);
            sink(std::string_view(block.data(), static_cast<size_t>(n)));
            offset += static_cast<unsigned long long>(n);
            size -= static_cast<unsigned long long>(n);
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

void truncateFile(const std::string& path, unsigned long long size) {
    const int fd = openRegularFile(path, O_WRONLY, IoError::Op::Write);
    int err = 0;
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
    }
    if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
    if (err != 0) throw IoError(IoError::Op::Write, path, err);
}

namespace {
std::function<void(const std::string&)>& beforeReplaceHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}
}  // namespace

void setBeforeReplaceHook(std::function<void(const std::string&)> hook) { beforeReplaceHook() = std::move(hook); }

void writeFileAtomically(const std::string& requested, std::string_view content) {
    // A list kept elsewhere behind a symbolic link is rewritten where it lives, and a file
    // the user made read-only stays as it is.
    std::string path = requested;
    mode_t mode = 0644;
    struct stat st;
    if (::stat(requested.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) throw IoError(IoError::Op::Write, requested, S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile);
        if (::access(requested.c_str(), W_OK) != 0) throw IoError(IoError::Op::Write, requested, errno);
        mode = st.st_mode & 07777;
        if (char* real = ::realpath(requested.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
    }
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string tmp = joinPath(dir, "." + base + ".tmp-XXXXXX");
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) throw IoError(IoError::Op::Create, requested, errno);
    int err = 0;
    try {
        writeAll(fd, content.data(), content.size(), requested);
    } catch (const IoError& e) {
        err = e.error();
    }
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    // mkstemp creates 0600; the new file takes the old one's permissions.
    if (err == 0) ::fchmod(fd, mode);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        throw IoError(IoError::Op::Write, requested, err);
    }
    if (beforeReplaceHook()) beforeReplaceHook()(tmp);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        throw IoError(IoError::Op::Write, requested, err);
    }
}

bool OutFile::isSameFileAs(const std::string& other) const {
    struct stat mine, theirs;
    if (fd_ < 0 || ::fstat(fd_, &mine) != 0 || ::stat(other.c_str(), &theirs) != 0) return false;
    return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string readWholeFile(const std::string& path) {
    const int fd = openRegularFile(path, O_RDONLY, IoError::Op::Open);
    std::string out;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw IoError(IoError::Op::Read, path, err);
        }
        if (n == 0) break;
        out.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t lf = content.find('\n', pos);
        size_t end = lf == std::string_view::npos ? content.size() : lf;
        size_t ce = end;
        if (lf != std::string_view::npos && ce > pos && content[ce - 1] == '\r') --ce;
        lines.emplace_back(content.substr(pos, ce - pos));
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    return lines;
}

std::vector<std::string> readListLines(const std::string& path) {
    try {
        return splitLines(readWholeFile(path));
    } catch (const IoError& e) {
        if (e.error() == ENOENT) return {};
        throw;
    }
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw IoError(IoError::Op::Delete, path, errno);
}

std::vector<std::string> listFiles(const std::string& dir, std::string_view pattern, LinkPolicy links) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) throw IoError(IoError::Op::List, dir, errno);
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!matchesFilePattern(name, pattern)) continue;
        struct stat st;
        const std::string path = joinPath(dir, name);
        const int rc = links == LinkPolicy::Follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
        if (rc == 0 && (S_ISREG(st.st_mode) || (links == LinkPolicy::Itself && S_ISLNK(st.st_mode))))
            names.push_back(name);
    }
    ::closedir(d);
    sortAlphabetically(names, TextEncoding::Utf8);
    return names;
}

std::optional<std::string> lastChangeText(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    std::tm tm{};
    const time_t t = st.st_mtime;
    if (!::localtime_r(&t, &tm)) return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return std::string(text);
}

}  // namespace kalvimo
