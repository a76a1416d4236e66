#include "platform/data_lock.h"

#include <cerrno>
#include <list>
#include <mutex>
#include <thread>

#include "platform/files.h"
#include "platform/io_error.h"

namespace kalvimo {
namespace {

// A lock file this process holds. A second open of the same file would be a second lock
// that waits for the first one, so every holder in the process shares this entry.
struct Held {
    std::string path;
    sys::File file;
    sys::FileId id;
    int count;
};

std::mutex& heldMutex() {
    static std::mutex m;
    return m;
}

std::list<Held>& heldLocks() {
    static std::list<Held> held;
    return held;
}

// On Windows nobody may delete the lock file while it is open: a name that went at once (as
// Windows 10 deletes since 2019) would let a second program make a new file and hold that.
constexpr unsigned kLockFileOpen = sys::kRead | sys::kNoFollow | sys::kKeepName;

sys::File openLockFile(const std::string& path) {
    try {
        // EBUSY: the holder is removing it on its way out (Windows), for a moment.
        for (int i = 0;; ++i) {
            sys::File file;
            const int err = sys::openFile(path, kLockFileOpen | sys::kWrite | sys::kCreate, file);
            if (err == 0) return file;
            if (err != EBUSY || i == 20) throw IoError(IoError::Op::Create, path, err);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } catch (const IoError& e) {
        // A data directory the user may not write still takes the lock when its file exists.
        if (e.error() != EACCES && e.error() != EROFS) throw;
        try {
            return openFile(path, kLockFileOpen, IoError::Op::Open);
        } catch (const IoError& again) {
            if (again.error() == ENOENT) throw e;
            throw;
        }
    }
}

std::function<void(const std::string&)>& lockFileOpenedHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

sys::ProcessId readHolder(const sys::File& file) {
    char text[32];
    size_t n = 0;
    if (sys::readAt(file, 0, text, sizeof text - 1, n) != 0) return 0;
    sys::ProcessId pid = 0;
    for (size_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pid = pid * 10 + (text[i] - '0');
    return pid;
}

}  // namespace

void setLockFileOpenedHook(std::function<void(const std::string&)> hook) { lockFileOpenedHook() = std::move(hook); }

std::string dataDirBusyText(sys::ProcessId holder) {
    std::string text = "Каталог данных занят: идёт обработка";
    if (holder > 0) text += " (PID " + std::to_string(holder) + ")";
    return text;
}

DataLock& DataLock::operator=(DataLock&& other) noexcept {
    if (this != &other) {
        release();
        key_ = other.key_;
        holder_ = other.holder_;
        other.key_ = nullptr;
    }
    return *this;
}

void DataLock::release() noexcept {
    if (!key_) return;
    std::lock_guard<std::mutex> guard(heldMutex());
    auto& held = heldLocks();
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (&*it != key_) continue;
        if (--it->count == 0) {
            if (sys::kWindows) {
                // The name stays while anyone has the file open: it goes once nobody has.
                (void)sys::unlock(it->file);
                it->file.close();
                (void)sys::removeUnlessOpen(it->path);
            } else {
                // Gone while still locked: whoever opened it meanwhile sees that and opens anew.
                (void)sys::removeFile(it->path);
                (void)sys::unlock(it->file);
            }
            held.erase(it);
        }
        break;
    }
    key_ = nullptr;
}

DataLock DataLock::tryAcquire(const std::string& dataRoot) {
    const std::string path = joinPath(dataRoot, kDataLockFile);
    DataLock lock;
    for (;;) {
        sys::File file = openLockFile(path);
        sys::PathInfo opened;
        if (const int err = sys::fileInfo(file, opened)) throw IoError(IoError::Op::Open, path, err);
        std::lock_guard<std::mutex> guard(heldMutex());
        for (Held& h : heldLocks()) {
            if (h.id == opened.id) {
                ++h.count;
                lock.key_ = &h;
                return lock;
            }
        }
        if (lockFileOpenedHook()) lockFileOpenedHook()(path);
        if (const int err = sys::tryLock(file, true)) {
            if (err != EWOULDBLOCK) throw IoError(IoError::Op::Open, path, err);
            // The holder writes its number right after taking the lock; give it a moment.
            for (int i = 0; i < 20 && (lock.holder_ = readHolder(file)) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return lock;
        }
        // The file a holder removed on its way out: locking it holds nothing.
        sys::PathInfo named;
        if (sys::pathInfo(path, true, named) != 0 || named.id != opened.id) continue;
        const std::string pid = std::to_string(sys::processId()) + "\n";
        if (sys::truncate(file, 0) == 0 && sys::writeAll(file, pid.data(), pid.size()) != 0) {
            // Only the message of a second program lacks the number; the lock holds.
        }
        heldLocks().push_back(Held{path, std::move(file), opened.id, 1});
        lock.key_ = &heldLocks().back();
        return lock;
    }
}

DataLock DataLock::acquire(const std::string& dataRoot, std::chrono::milliseconds timeout,
                           const std::atomic<bool>* stop, const std::function<void(sys::ProcessId)>& waiting) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + timeout;
    sys::ProcessId told = -1;
    for (;;) {
        DataLock lock = tryAcquire(dataRoot);
        if (lock.held()) return lock;
        if (waiting && lock.holder() != told) waiting(lock.holder());
        told = lock.holder();
        if (stop && stop->load()) return lock;
        const auto now = Clock::now();
        if (timeout.count() >= 0 && now >= until) return lock;
        auto step = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(20));
        if (timeout.count() >= 0) step = std::min<Clock::duration>(step, until - now);
        std::this_thread::sleep_for(step);
    }
}

std::optional<sys::ProcessId> dataLockHolder(const std::string& dataRoot) {
    sys::File file;
    if (sys::openFile(joinPath(dataRoot, kDataLockFile), kLockFileOpen, file) != 0)
        return std::nullopt;  // a holder that let go removed it
    std::optional<sys::ProcessId> holder;
    sys::PathInfo info;
    if (sys::fileInfo(file, info) == 0) {
        // Under the mutex, so that a lock this process is taking meanwhile never meets the probe.
        std::lock_guard<std::mutex> guard(heldMutex());
        bool ours = false;
        for (const Held& h : heldLocks()) ours = ours || h.id == info.id;
        // A shared lock for a moment is the only way to ask; it is let go at once (Windows lets
        // go of a lock on a closed file only some time later).
        if (!ours) {
            const int err = sys::tryLock(file, false);
            if (err == EWOULDBLOCK) holder = readHolder(file);
            else if (err == 0) (void)sys::unlock(file);
        }
    }
    return holder;
}

bool isDataDirBusy(const IoError& e) { return e.op() == IoError::Op::Write && e.error() == EWOULDBLOCK; }

void writeUnderDataLock(const std::string& path, const std::string& refused, const std::function<void()>& write) {
    const DataLock lock = DataLock::acquire(directoryOf(path), kListWriteWait);
    if (!lock.held()) {
        const std::string busy = dataDirBusyText(lock.holder());
        throw IoError(IoError::Op::Write, path, EWOULDBLOCK, refused.empty() ? busy : refused + ". " + busy);
    }
    write();
}

}  // namespace kalvimo
