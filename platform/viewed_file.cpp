#include "platform/viewed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/cp1251.h"
#include "platform/io_error.h"

namespace kalvimo {
namespace {

FileStamp stampFrom(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    s.size = static_cast<uint64_t>(st.st_size);
    s.changedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

}  // namespace

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return stampFrom(st);
}

ViewedFile::~ViewedFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ViewedFile::open(const std::string& path) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_ = path;
    stamp_ = {};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return fileNameForDisplay(path) + " — это каталог, а не файл";
        if (!S_ISREG(st.st_mode)) return fileNameForDisplay(path) + " — не обычный файл";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return "Нет файла " + fileNameForDisplay(path);
        return IoError(IoError::Op::Open, path, errno).message();
    }
    // It may have been replaced by something else between the two looks.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fileNameForDisplay(path) + " — не обычный файл";
    }
    fd_ = fd;
    stamp_ = stampFrom(st);
    return {};
}

size_t ViewedFile::readAt(uint64_t offset, char* buffer, size_t size) const {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(IoError::Op::Read, path_, errno);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace kalvimo
