#pragma once
// A disk that fills up, for tests: while the object lives, this process may not grow any file
// past the given size (RLIMIT_FSIZE), so a write beyond it fails with EFBIG. Child processes
// started meanwhile inherit the limit. SIGXFSZ, which would end the process, is ignored. Windows
// has no such limit: there the program's own writes keep it (sys::limitFileSizeForTests), and
// children do not inherit it.
#ifdef _WIN32
#include "platform/system.h"
#else
#include <sys/resource.h>

#include <csignal>
#endif

namespace kalvimo::test {

#ifdef _WIN32
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes) { sys::limitFileSizeForTests(bytes); }
    ~FileSizeLimit() { sys::limitFileSizeForTests(sys::kNoFileSizeLimit); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};
#else
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};
#endif

}  // namespace kalvimo::test
