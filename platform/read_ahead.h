#pragma once
// Reads done by a thread of its own, in the order they were asked for: the line reader asks
// for the next blocks and scans the current one meanwhile, so the system's copy of a printout
// into memory runs on the other core. Several reads may be asked for at once, so that a moment
// in which the reading thread does not get its core costs the scan no wait.
#include <cstddef>
#include <cstdint>
#include <functional>
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

    // depth: how many reads may be asked for and not yet waited for.
    explicit ReadAhead(size_t depth = 1);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Asks for up to size bytes of file from offset to be read into dest, after the reads asked
    // for before; at most depth reads may be under way. The file and dest stay as they are
    // until wait() has returned this read's result.
    void start(const sys::File& file, uint64_t offset, char* dest, size_t size);
    // Waits for the oldest read under way.
    Result wait();

    // Called on the reading thread after each read; for tests.
    static inline std::function<void()> afterRead;

private:
    struct Request {
        const sys::File* file;
        uint64_t offset;
        char* dest;
        size_t size;
    };

    HandOver<Request> asked_;
    HandOver<Result> done_;
    std::jthread thread_;  // last: it starts once the rest is set up
};

}  // namespace kalvimo
