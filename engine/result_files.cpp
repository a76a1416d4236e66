#include "engine/result_files.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/files.h"
#include "platform/hand_over.h"

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

// Appends the pieces handed to it, in the order they came. The first failure is kept and
// given to the next call; nothing handed over after it is written, so a file ends where the
// failing append left it, as when the scan appended itself.
class ResultFiles::Appender {
public:
    using Piece = std::unique_ptr<char[]>;
    Appender() : thread_([this] { work(); }) {}
    ~Appender() {
        jobs_.close();  // what was handed over is still appended
        thread_.join();
    }

    // Hands a piece over, waiting while the thread is kDepth pieces behind; returns an emptied
    // piece of the same size, or null. Throws the failure of a piece handed over before.
    Piece append(const std::string& path, Piece data, size_t size) {
        rethrowFailure();
        Job job{path, std::move(data), size};  // may throw: nothing is counted yet
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++pending_;
        }
        jobs_.put(job);
        std::optional<Piece> spare = emptied_.tryTake();
        return spare ? std::move(*spare) : nullptr;
    }
    // Waits until every piece handed over is appended.
    void settle() noexcept {
        std::unique_lock<std::mutex> lock(mutex_);
        settled_.wait(lock, [this] { return pending_ == 0; });
    }
    void rethrowFailure() {
        std::exception_ptr failure;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failure = failure_;
        }
        if (failure) std::rethrow_exception(failure);
    }

private:
    static constexpr size_t kDepth = 4;
    struct Job {
        std::string path;
        Piece data;
        size_t size;
    };
    void work() {
        while (std::optional<Job> job = jobs_.take()) {
            bool failed;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                failed = failure_ != nullptr;
            }
            std::exception_ptr failure;
            if (!failed) {
                try {
                    appendTo(job->path, std::string_view(job->data.get(), job->size));
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            emptied_.tryPut(job->data);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (failure && !failure_) failure_ = failure;
                --pending_;
            }
            settled_.notify_all();
        }
    }

    HandOver<Job> jobs_{kDepth};
    HandOver<Piece> emptied_{kDepth};
    std::mutex mutex_;
    std::condition_variable settled_;
    size_t pending_ = 0;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once the rest is set up
};

ResultFiles::ResultFiles() = default;

ResultFiles::~ResultFiles() = default;

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
    for (const std::string_view bytes : {a, b}) {
        if (bytes.empty()) continue;  // an empty view may hold no pointer
        if (f.size + bytes.size() > piece_) flush(i);
        if (bytes.size() > piece_) {
            // A long line goes to the file as it is, never copied, after what came before it.
            waitForAppends();
            appendTo(f.path, bytes);
            continue;
        }
        if (!f.data) f.data.reset(new char[piece_]);  // the first, or the last went to be appended
        std::memcpy(f.data.get() + f.size, bytes.data(), bytes.size());
        f.size += bytes.size();
    }
}

void ResultFiles::flush(size_t i) {
    File& f = files_[i];
    if (f.size == 0) return;
    const size_t size = f.size;
    f.size = 0;  // never written twice
    if (!appender_) appender_ = std::make_unique<Appender>();
    f.data = appender_->append(f.path, std::move(f.data), size);
}

void ResultFiles::waitForAppends() {
    if (!appender_) return;
    appender_->settle();
    appender_->rethrowFailure();
}

void ResultFiles::close(size_t i) {
    flush(i);
    waitForAppends();
}

void ResultFiles::closeAll() {
    for (size_t i = 0; i < files_.size(); ++i) flush(i);
    waitForAppends();
}

void ResultFiles::drop() noexcept {
    for (File& f : files_) f.size = 0;
    if (appender_) appender_->settle();
}

bool ResultFiles::holds(const std::string& path) const {
    for (const File& f : files_)
        if (isSameFile(path, f.path)) return true;
    return false;
}

}  // namespace kalvimo
