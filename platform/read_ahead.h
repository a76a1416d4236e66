#pragma once
// One read(2) at a time, done by a thread of its own: the line reader asks for the next block
// and scans the current one meanwhile, so the kernel's copy of a printout into memory runs on
// the other core.
#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace kalvimo {

class ReadAhead {
public:
    struct Result {
        ssize_t bytes = 0;  // what read(2) returned
        int error = 0;      // its errno when bytes < 0
    };

    ReadAhead();
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading up to size bytes of fd into dest; one read at a time.
    void start(int fd, char* dest, size_t size);
    // Waits for the read started last.
    Result wait();

private:
    void work();

    std::mutex mutex_;
    std::condition_variable asked_;
    std::condition_variable done_;
    bool posted_ = false;
    bool finished_ = false;
    bool quit_ = false;
    int fd_ = -1;
    char* dest_ = nullptr;
    size_t size_ = 0;
    Result result_;
    std::thread thread_;  // last: it starts once the rest is set up
};

}  // namespace kalvimo
