#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/collate.h"
#include "platform/file_pattern.h"
#include "platform/io_block.h"
#include "platform/io_error.h"
#include "platform/line_end.h"

namespace kalvimo {
namespace {

constexpr size_t kOutBuffer = kIoBlock;

void writeAll(const sys::File& file, const char* data, size_t size, const std::string& path) {
    if (const int err = sys::writeAll(file, data, size)) throw IoError(IoError::Op::Write, path, err);
}

}  // namespace

sys::File openFile(const std::string& path, unsigned flags, IoError::Op op) {
    sys::File file;
    if (const int err = sys::openFile(path, flags, file)) throw IoError(op, path, err);
    return file;
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && !sys::isSeparator(out.back())) out += sys::kSeparator;
    out += name;
    return out;
}

namespace {
// Where the last part of a path begins.
size_t fileNameStart(std::string_view path) {
    size_t i = path.size();
    while (i > 0 && !sys::isSeparator(path[i - 1])) --i;
    return i;
}
}  // namespace

std::string directoryOf(std::string_view path) {
    const size_t start = fileNameStart(path);
    if (start == 0) return ".";
    // The separator of a root stays: "/" and "c:\" name it, "" and "c:" do not.
    const bool root = start == 1 || (sys::kWindows && start == 3 && path[1] == ':');
    return std::string(path.substr(0, root ? start : start - 1));
}

std::string_view fileNameOf(std::string_view path) { return path.substr(fileNameStart(path)); }

bool isRegularFile(const std::string& path) {
    sys::PathInfo info;
    return sys::pathInfo(path, true, info) == 0 && info.kind == sys::Kind::Regular;
}

bool isDirectory(const std::string& path) {
    sys::PathInfo info;
    return sys::pathInfo(path, true, info) == 0 && info.kind == sys::Kind::Directory;
}

void ensureDirectory(const std::string& path) {
    const int err = sys::makeDirectory(path);
    if (err == 0) return;
    if (err == EEXIST && isDirectory(path)) return;
    throw IoError(IoError::Op::CreateDir, path, err == EEXIST ? ENOTDIR : err);
}

OutFile::~OutFile() { abandon(); }

OutFile::OutFile(OutFile&& other) noexcept
    : file_(std::move(other.file_)), path_(std::move(other.path_)), buf_(std::move(other.buf_)), tap_(other.tap_) {}

OutFile& OutFile::operator=(OutFile&& other) noexcept {
    if (this != &other) {
        abandon();
        file_ = std::move(other.file_);
        path_ = std::move(other.path_);
        buf_ = std::move(other.buf_);
        tap_ = other.tap_;
    }
    return *this;
}

void OutFile::openWith(const std::string& path, unsigned flags) {
    abandon();
    file_ = openFile(path, flags, IoError::Op::Create);
    path_ = path;
    buf_.clear();
}

// A result file is never written through a symbolic link: the link's target may be anything.
void OutFile::create(const std::string& path) { openWith(path, sys::kWrite | sys::kCreate | sys::kTruncate | sys::kNoFollow); }

void OutFile::openAppend(const std::string& path) { openWith(path, sys::kWrite | sys::kCreate | sys::kAppend | sys::kNoFollow); }

void OutFile::write(std::string_view bytes) {
    if (buf_.capacity() < kOutBuffer) buf_.reserve(kOutBuffer);
    if (buf_.size() + bytes.size() <= kOutBuffer) {
        buf_.append(bytes);
        return;
    }
    if (!tap_) {
        flush();
        if (bytes.size() >= kOutBuffer) writeAll(file_, bytes.data(), bytes.size(), path_);
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
    writeAll(file_, bytes.data(), bytes.size(), path_);
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
    if (!file_.isOpen() || buf_.empty()) return;
    // The buffer is kept for the next bytes: a fresh one for every flush costs page faults.
    try {
        writeAll(file_, buf_.data(), buf_.size(), path_);
        if (tap_) showTap();
    } catch (...) {
        buf_.clear();  // never written twice
        throw;
    }
    buf_.clear();
}

void OutFile::close() {
    if (!file_.isOpen()) return;
    try {
        flush();
    } catch (...) {
        abandon();
        throw;
    }
    if (const int err = file_.close()) throw IoError(IoError::Op::Write, path_, err);
}

void OutFile::abandon() noexcept {
    file_.close();
    buf_.clear();
}

void appendLine(const std::string& path, std::string_view line) {
    sys::File file = openFile(path, sys::kRead | sys::kWrite | sys::kCreate | sys::kAppend, IoError::Op::Create);
    sys::PathInfo info;
    const uint64_t before = sys::fileInfo(file, info) == 0 ? info.size : 0;
    try {
        std::string text;
        if (before > 0) {
            char last = '\n';
            size_t got = 0;
            if (sys::readAt(file, before - 1, &last, 1, got) == 0 && got == 1 && last != '\n') text = "\r\n";
        }
        text.append(line);
        text += "\r\n";
        writeAll(file, text.data(), text.size(), path);
    } catch (...) {
        // Part of a line would stay for good and the next append would finish it as a line of
        // its own: the file goes back to its lines before the append.
        (void)sys::truncate(file, before);
        throw;
    }
    if (const int err = file.close()) throw IoError(IoError::Op::Write, path, err);
}

std::optional<unsigned long long> fileSize(const std::string& path) {
    sys::PathInfo info;
    const int err = sys::pathInfo(path, true, info);
    if (err == 0) return info.size;
    if (err == ENOENT) return std::nullopt;
    throw IoError(IoError::Op::Open, path, err);
}

void readRange(const std::string& path, unsigned long long offset, unsigned long long size,
               const std::function<void(std::string_view)>& sink) {
    const sys::File file = openFile(path, sys::kRead, IoError::Op::Read);
    std::string block(std::min<unsigned long long>(size, kIoBlock), '\0');
    while (size > 0) {
        const size_t want = static_cast<size_t>(std::min<unsigned long long>(size, block.size()));
        size_t n = 0;
        const int err = sys::readAt(file, offset, block.data(), want, n);
        if (err != 0 || n == 0) throw IoError(IoError::Op::Read, path, err != 0 ? err : kChangedWhileRead);
        sink(std::string_view(block.data(), n));
        offset += n;
        size -= n;
    }
}

void truncateFile(const std::string& path, unsigned long long size) {
    sys::File file = openFile(path, sys::kWrite, IoError::Op::Write);
    int err = sys::truncate(file, size);
    if (const int closed = file.close(); err == 0) err = closed;
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
    sys::PathInfo old;
    if (sys::pathInfo(requested, true, old) != 0) {
        old = {};
        old.permissions = 0644;
    } else {
        if (old.kind != sys::Kind::Regular)
            throw IoError(IoError::Op::Write, requested, old.kind == sys::Kind::Directory ? EISDIR : kNotRegularFile);
        if (const int err = sys::checkWritable(requested)) throw IoError(IoError::Op::Write, requested, err);
        std::string real;
        if (sys::realPath(requested, real) == 0) path = std::move(real);
    }
    sys::File file;
    std::string tmp;
    if (const int err = sys::createUniqueFile(joinPath(directoryOf(path), "." + std::string(fileNameOf(path)) + ".tmp-"),
                                              file, tmp))
        throw IoError(IoError::Op::Create, requested, err);
    int err = sys::writeAll(file, content.data(), content.size());
    if (err == 0) err = sys::sync(file);
    // A temporary file is made for its owner alone; the new file takes the old one's permissions.
    if (err == 0) (void)sys::copyPermissions(file, old);
    if (const int closed = file.close(); err == 0) err = closed;
    if (err != 0) {
        (void)sys::removeFile(tmp);
        throw IoError(IoError::Op::Write, requested, err);
    }
    if (beforeReplaceHook()) beforeReplaceHook()(tmp);
    if (const int failed = sys::replaceFile(tmp, path)) {
        (void)sys::removeFile(tmp);
        throw IoError(IoError::Op::Write, requested, failed);
    }
}

bool OutFile::isSameFileAs(const std::string& other) const {
    sys::PathInfo mine, theirs;
    return file_.isOpen() && sys::fileInfo(file_, mine) == 0 && sys::pathInfo(other, true, theirs) == 0 &&
           mine.id == theirs.id;
}

bool isSameFile(const std::string& a, const std::string& b) {
    sys::PathInfo first, second;
    return sys::pathInfo(a, true, first) == 0 && sys::pathInfo(b, true, second) == 0 && first.id == second.id;
}

std::string readWholeFile(const std::string& path) {
    const sys::File file = openFile(path, sys::kRead, IoError::Op::Open);
    std::string out;
    char chunk[65536];
    for (;;) {
        size_t n = 0;
        if (const int err = sys::readAt(file, out.size(), chunk, sizeof chunk, n)) throw IoError(IoError::Op::Read, path, err);
        if (n == 0) break;
        out.append(chunk, n);
    }
    return out;
}

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t lf = content.find('\n', pos);
        size_t end = lf == std::string_view::npos ? content.size() : lf;
        const std::string_view line = content.substr(pos, end - pos);
        lines.emplace_back(lf == std::string_view::npos ? line : lineBeforeLf(line));
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
    if (const int err = sys::removeFile(path); err != 0 && err != ENOENT) throw IoError(IoError::Op::Delete, path, err);
}

std::vector<std::string> listFiles(const std::string& dir, std::string_view pattern, LinkPolicy links) {
    std::vector<std::string> all;
    if (const int err = sys::listDirectory(dir, all)) throw IoError(IoError::Op::List, dir, err);
    std::vector<std::string> names;
    for (std::string& name : all) {
        if (!matchesFilePattern(name, pattern)) continue;
        sys::PathInfo info;
        if (sys::pathInfo(joinPath(dir, name), links == LinkPolicy::Follow, info) == 0 &&
            (info.kind == sys::Kind::Regular || (links == LinkPolicy::Itself && info.kind == sys::Kind::Link)))
            names.push_back(std::move(name));
    }
    sortAlphabetically(names, TextEncoding::Utf8);
    return names;
}

std::optional<std::string> lastChangeText(const std::string& path) {
    sys::PathInfo info;
    if (sys::pathInfo(path, true, info) != 0) return std::nullopt;
    // Whole seconds, rounded down also before 1970.
    constexpr int64_t kNs = 1000000000;
    const int64_t seconds = info.changedNs / kNs - (info.changedNs % kNs < 0 ? 1 : 0);
    std::tm tm{};
    if (!sys::localTime(seconds, tm)) return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return std::string(text);
}

}  // namespace kalvimo
