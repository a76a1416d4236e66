#include "platform/read_ahead.h"

#include <unistd.h>

#include <cerrno>

namespace kalvimo {

ReadAhead::ReadAhead() : thread_([this] { work(); }) {}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    asked_.notify_one();
    thread_.join();
}

void ReadAhead::start(int fd, char* dest, size_t size) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fd_ = fd;
        dest_ = dest;
        size_ = size;
        posted_ = true;
        finished_ = false;
    }
    asked_.notify_one();
}

ReadAhead::Result ReadAhead::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return finished_; });
    finished_ = false;
    return result_;
}

void ReadAhead::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        asked_.wait(lock, [this] { return posted_ || quit_; });
        if (quit_) return;
        posted_ = false;
        const int fd = fd_;
        char* const dest = dest_;
        const size_t size = size_;
        lock.unlock();
        ssize_t n;
        do n = ::read(fd, dest, size);
        while (n < 0 && errno == EINTR);
        const int error = n < 0 ? errno : 0;
        lock.lock();
        result_ = {n, error};
        finished_ = true;
        done_.notify_one();
    }
}

}  // namespace kalvimo
