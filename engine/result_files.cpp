#include "engine/result_files.h"

#include <algorithm>

#include "platform/files.h"

namespace kalvimo {
namespace {

// What the pieces of all the files hold together, and the least and most one file holds.
constexpr size_t kPendingLimit = 8 * kIoBlock;
constexpr size_t kSmallestPiece = kIoBlock / 64 > 64 ? kIoBlock / 64 : 64;

void appendTo(const std::string& path, std::string_view bytes) {
    OutFile out;
    out.openAppend(path);
    out.writeNow(bytes);
    out.close();
}

}  // namespace

size_t ResultFiles::create(const std::string& path) {
    OutFile out;
    out.create(path);
    out.close();
    files_.push_back({path, nullptr, 0});
    return files_.size() - 1;
}

void ResultFiles::make(size_t i, std::string_view a, std::string_view b) {
    if (piece_ == 0) piece_ = std::clamp(kPendingLimit / files_.size(), kSmallestPiece, kIoBlock);
    File& f = files_[i];
    if (!f.data) f.data.reset(new char[piece_]);
    for (const std::string_view bytes : {a, b}) {
        if (bytes.empty()) continue;  // an empty view may hold no pointer
        if (f.size + bytes.size() > piece_) flush(i);
        if (bytes.size() > piece_) {
            // A long line goes to the file as it is, never copied.
            appendTo(f.path, bytes);
            continue;
        }
        std::memcpy(f.data.get() + f.size, bytes.data(), bytes.size());
        f.size += bytes.size();
    }
}

void ResultFiles::flush(size_t i) {
    File& f = files_[i];
    if (f.size == 0) return;
    const size_t size = f.size;
    f.size = 0;  // never written twice
    appendTo(f.path, std::string_view(f.data.get(), size));
}

void ResultFiles::flushAll() {
    for (size_t i = 0; i < files_.size(); ++i) flush(i);
}

void ResultFiles::drop() noexcept {
    for (File& f : files_) f.size = 0;
}

bool ResultFiles::holds(const std::string& path) const {
    for (const File& f : files_)
        if (isSameFile(path, f.path)) return true;
    return false;
}

}  // namespace kalvimo
