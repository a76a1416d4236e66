#include "platform/data_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int fd;
    dev_t dev;
    ino_t ino;
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

int openLockFile(const std::string& path) {
    try {
        return openRegularFile(path, O_RDWR | O_CREAT | O_NOFOLLOW, IoError::Op::Create);
    } catch (const IoError& e) {
        // A data directory the user may not write still takes the lock when its file exists.
        if (e.error() != EACCES && e.error() != EROFS) throw;
        try {
            return openRegularFile(path, O_RDONLY | O_NOFOLLOW, IoError::Op::Open);
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

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

pid_t readHolder(int fd) {
    char text[32];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return 0;
    text[n] = '\0';
    long pid = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pid = pid * 10 + (text[i] - '0');
    return static_cast<pid_t>(pid);
}

}  // namespace

void setLockFileOpenedHook(std::function<void(const std::string&)> hook) { lockFileOpenedHook() = std::move(hook); }

std::string dataDirBusyText(pid_t holder) {
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
            // Gone while still locked: whoever opened it meanwhile sees that and opens anew.
            ::unlink(it->path.c_str());
            ::flock(it->fd, LOCK_UN);
            ::close(it->fd);
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
        const int fd = openLockFile(path);
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            const int err = errno;
            ::close(fd);
            throw IoError(IoError::Op::Open, path, err);
        }
        std::lock_guard<std::mutex> guard(heldMutex());
        for (Held& h : heldLocks()) {
            if (h.dev == st.st_dev && h.ino == st.st_ino) {
                ::close(fd);
                ++h.count;
                lock.key_ = &h;
                return lock;
            }
        }
        if (lockFileOpenedHook()) lockFileOpenedHook()(path);
        int rc;
        do rc = ::flock(fd, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            if (err != EWOULDBLOCK) {
                ::close(fd);
                throw IoError(IoError::Op::Open, path, err);
            }
            // The holder writes its number right after taking the lock; give it a moment.
            for (int i = 0; i < 20 && (lock.holder_ = readHolder(fd)) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ::close(fd);
            return lock;
        }
        // The file a holder removed on its way out: locking it holds nothing.
        struct stat named;
        if (::stat(path.c_str(), &named) != 0 || !sameFile(named, st)) {
            ::close(fd);
            continue;
        }
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
            // Only the message of a second program lacks the number; the lock holds.
        }
        heldLocks().push_back(Held{path, fd, st.st_dev, st.st_ino, 1});
        lock.key_ = &heldLocks().back();
        return lock;
    }
}

DataLock DataLock::acquire(const std::string& dataRoot, std::chrono::milliseconds timeout,
                           const std::atomic<bool>* stop, const std::function<void(pid_t)>& waiting) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + timeout;
    pid_t told = -1;
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

std::optional<pid_t> dataLockHolder(const std::string& dataRoot) {
    int fd;
    try {
        fd = openRegularFile(joinPath(dataRoot, kDataLockFile), O_RDONLY | O_NOFOLLOW, IoError::Op::Open);
    } catch (const IoError&) {
        return std::nullopt;  // a holder that let go removed it
    }
    std::optional<pid_t> holder;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        // Under the mutex, so that a lock this process is taking meanwhile never meets the probe.
        std::lock_guard<std::mutex> guard(heldMutex());
        bool ours = false;
        for (const Held& h : heldLocks()) ours = ours || (h.dev == st.st_dev && h.ino == st.st_ino);
        // A shared lock for a moment is the only way to ask; it is let go at once.
        if (!ours && ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) holder = readHolder(fd);
    }
    ::close(fd);
    return holder;
}

bool isDataDirBusy(const IoError& e) { return e.op() == IoError::Op::Write && e.error() == EWOULDBLOCK; }

void writeUnderDataLock(const std::string& path, const std::string& refused, const std::function<void()>& write) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const DataLock lock = DataLock::acquire(dir, kListWriteWait);
    if (!lock.held()) {
        const std::string busy = dataDirBusyText(lock.holder());
        throw IoError(IoError::Op::Write, path, EWOULDBLOCK, refused.empty() ? busy : refused + ". " + busy);
    }
    write();
}

}  // namespace kalvimo
