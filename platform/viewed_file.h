#pragma once
// A file opened for the viewer: read-only, never written, read at offsets so that a reader
// on another thread shares it, and safe when the file shrinks under it.
#include <cstdint>
#include <string>

#include "platform/byte_source.h"
#include "platform/system.h"

namespace kalvimo {

// What tells one state of a file from another: its identity, size and last change.
struct FileStamp {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path);

class ViewedFile : public ByteSource {
public:
    ViewedFile() = default;
    ~ViewedFile() override;
    ViewedFile(const ViewedFile&) = delete;
    ViewedFile& operator=(const ViewedFile&) = delete;

    // Opens path without blocking on it (a pipe or a device is refused). Returns a Russian
    // text saying why it could not, empty when it is open.
    std::string open(const std::string& path);
    bool isOpen() const { return file_.isOpen(); }
    const FileStamp& stamp() const { return stamp_; }  // when it was opened

    // Throws IoError(Read).
    size_t readAt(uint64_t offset, char* buffer, size_t size) const override;

private:
    sys::File file_;
    std::string path_;
    FileStamp stamp_;
};

}  // namespace kalvimo
