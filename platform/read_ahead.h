#pragma once
// One read at a time, done by a thread of its own: the line reader asks for the next block
// and scans the current one meanwhile, so the system's copy of a printout into memory runs on
// the other core.
#include <cstddef>
#include <cstdint>
#include <thread>

#include "platform/hand_over.h"
#include "platform/system.h"

namespace kalvimo {

class ReadAhead {
public:
    struct Result {
        long long bytes = 0;  // what was read; -1 when the read failed
        int error = 0;        // its failure when bytes < 0
    };

    ReadAhead();
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading up to size bytes of file from offset into dest; one read at a time. The
    // file stays open until wait() has returned.
    void start(const sys::File& file, uint64_t offset, char* dest, size_t size);
    // Waits for the read started last.
    Result wait();

private:
    struct Request {
        const sys::File* file;
        uint64_t offset;
        char* dest;
        size_t size;
    };

    HandOver<Request> asked_{1};
    HandOver<Result> done_{1};
    std::jthread thread_;  // last: it starts once the rest is set up
};

}  // namespace kalvimo
