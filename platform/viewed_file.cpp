#include "platform/viewed_file.h"

#include <cerrno>

#include "platform/cp1251.h"
#include "platform/io_error.h"

namespace kalvimo {
namespace {

FileStamp stampFrom(const sys::PathInfo& info) {
    FileStamp s;
    s.exists = true;
    s.device = info.id.device;
    s.inode = info.id.index;
    s.size = info.size;
    s.changedNs = info.changedNs;
    return s;
}

}  // namespace

FileStamp stampOf(const std::string& path) {
    sys::PathInfo info;
    if (sys::pathInfo(path, true, info) != 0) return {};
    return stampFrom(info);
}

ViewedFile::~ViewedFile() = default;

std::string ViewedFile::open(const std::string& path) {
    file_.close();
    path_ = path;
    stamp_ = {};
    sys::PathInfo info;
    if (sys::pathInfo(path, true, info) == 0) {
        if (info.kind == sys::Kind::Directory) return fileNameForDisplay(path) + " — это каталог, а не файл";
        if (info.kind != sys::Kind::Regular) return IoError(IoError::Op::Open, path, kNotRegularFile).message();
    }
    sys::File file;
    if (const int err = sys::openFile(path, sys::kRead, file)) {
        if (err == ENOENT) return "Нет файла " + fileNameForDisplay(path);
        // It may have been replaced by something else between the two looks.
        if (err == EISDIR || err == kNotRegularFile) return IoError(IoError::Op::Open, path, kNotRegularFile).message();
        return IoError(IoError::Op::Open, path, err).message();
    }
    if (sys::fileInfo(file, info) != 0) return IoError(IoError::Op::Open, path, kNotRegularFile).message();
    file_ = std::move(file);
    stamp_ = stampFrom(info);
    return {};
}

size_t ViewedFile::readAt(uint64_t offset, char* buffer, size_t size) const {
    size_t done = 0;
    while (done < size) {
        size_t n = 0;
        if (const int err = sys::readAt(file_, offset + done, buffer + done, size - done, n))
            throw IoError(IoError::Op::Read, path_, err);
        if (n == 0) break;
        done += n;
    }
    return done;
}

}  // namespace kalvimo
