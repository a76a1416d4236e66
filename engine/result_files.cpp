#include "engine/result_files.h"

#include "platform/files.h"
#include "platform/io_block.h"

namespace kalvimo {
namespace {

// What all the files together may hold in memory before it is written.
constexpr size_t kPendingLimit = 8 * kIoBlock;

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
    files_.push_back({path, {}});
    return files_.size() - 1;
}

void ResultFiles::write(size_t i, std::string_view bytes) {
    File& f = files_[i];
    if (bytes.size() >= kIoBlock) {
        // A long line goes to the file as it is, never copied.
        flush(i);
        appendTo(f.path, bytes);
        return;
    }
    f.pending.append(bytes);
    pendingBytes_ += bytes.size();
    if (pendingBytes_ > kPendingLimit) flushAll();
}

void ResultFiles::flush(size_t i) {
    File& f = files_[i];
    if (f.pending.empty()) return;
    pendingBytes_ -= f.pending.size();
    try {
        appendTo(f.path, f.pending);
    } catch (...) {
        f.pending.clear();  // never written twice
        throw;
    }
    f.pending.clear();
}

void ResultFiles::flushAll() {
    size_t kept = 0;
    for (size_t i = 0; i < files_.size(); ++i) {
        flush(i);
        kept += files_[i].pending.capacity();
    }
    // The buffers keep their memory for the next pieces, as long as all of them together stay
    // within twice the limit.
    if (kept > 2 * kPendingLimit)
        for (File& f : files_) std::string().swap(f.pending);
}

void ResultFiles::drop() noexcept {
    for (File& f : files_) f.pending.clear();
    pendingBytes_ = 0;
}

bool ResultFiles::holds(const std::string& path) const {
    for (const File& f : files_)
        if (isSameFile(path, f.path)) return true;
    return false;
}

}  // namespace kalvimo
