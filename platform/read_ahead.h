#pragma once
// One read(2) at a time, done by a thread of its own: the line reader asks for the next block
// and scans the current one meanwhile, so the kernel's copy of a printout into memory runs on
// the other core.
#include <sys/types.h>

#include <cstddef>
#include <thread>

#include "platform/hand_over.h"

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
    struct Request {
        int fd;
        char* dest;
        size_t size;
    };

    HandOver<Request> asked_{1};
    HandOver<Result> done_{1};
    std::jthread thread_;  // last: it starts once the rest is set up
};

}  // namespace kalvimo
