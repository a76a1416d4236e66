#pragma once
// One advisory lock per data directory, on the file .kalvimo.lock inside it, so that two
// programs never write the same results and lists at once. The system lets go of it when the
// process ends, however it ends, so a killed run never leaves it stuck. The holder's process
// id stands in the file for the message of whoever finds it taken; the holder removes the file
// when it lets go (a killed one leaves it, unlocked). On Windows the file stays, unlocked: a
// file removed there while others have it open cannot be opened again until they close it.
//
// Within one process the lock is shared: a run that holds it may append to a list, and the
// window may save its settings while its own run goes on. Each holder counts; the last one to
// let go releases it.
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/system.h"

namespace kalvimo {

class IoError;

inline constexpr const char* kDataLockFile = ".kalvimo.lock";

// "Каталог данных занят: идёт обработка (PID 1234)".
std::string dataDirBusyText(sys::ProcessId holder);

class DataLock {
public:
    DataLock() = default;
    ~DataLock() { release(); }
    DataLock(DataLock&& other) noexcept : key_(other.key_), holder_(other.holder_) { other.key_ = nullptr; }
    DataLock& operator=(DataLock&& other) noexcept;
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

    bool held() const { return key_ != nullptr; }
    // The process that held the lock when it was last found taken.
    sys::ProcessId holder() const { return holder_; }
    void release() noexcept;

    // One attempt. Throws IoError when the lock file cannot be opened or created, or is no
    // regular file.
    static DataLock tryAcquire(const std::string& dataRoot);

    // Tries until the lock is free, the time is up (a negative timeout waits without end) or
    // stop becomes true. waiting is told each time a new holder is found in the way.
    static DataLock acquire(const std::string& dataRoot, std::chrono::milliseconds timeout,
                            const std::atomic<bool>* stop = nullptr,
                            const std::function<void(sys::ProcessId holder)>& waiting = {});

private:
    void* key_ = nullptr;  // the process-wide entry of the lock file
    sys::ProcessId holder_ = 0;
};

// For tests: runs in tryAcquire once the lock file is open and before it is locked, where
// the holder may let go and remove it. An empty function removes the hook.
void setLockFileOpenedHook(std::function<void(const std::string& lockFile)> hook);

// Who holds the data directory's lock now, looked at without waiting and without holding it:
// nothing when no other process does (or the lock file cannot be opened), else the holder's
// process id, 0 while it has not yet written it. Cheap enough to ask twice a second.
std::optional<sys::ProcessId> dataLockHolder(const std::string& dataRoot);

// For the writes of list and settings files: holds the data directory's lock for one write,
// waiting for a run of another program at most this long.
inline constexpr std::chrono::milliseconds kListWriteWait{2000};

// Runs write while holding the lock of the data directory that holds path; a directory that
// is still busy after kListWriteWait throws IoError with the text "<refused>: Каталог данных
// занят: ...", and write does not run.
void writeUnderDataLock(const std::string& path, const std::string& refused, const std::function<void()>& write);
// The failure of writeUnderDataLock when the directory stayed busy.
bool isDataDirBusy(const IoError& e);

}  // namespace kalvimo
