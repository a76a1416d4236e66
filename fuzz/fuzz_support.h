#pragma once
// Shared by the fuzz targets: a scratch directory in memory, whole-file helpers, an engine
// environment that discards what a run shows, and a check that stops the fuzzer.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_host.h"
#include "engine/interfaces.h"

namespace kalvimo::fuzz {

// Stops the run with a message; libFuzzer saves the input that got here.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
#define FUZZ_CHECK(cond) \
    do {                 \
        if (!(cond)) ::kalvimo::fuzz::fail(#cond); \
    } while (0)

// One scratch directory per process, emptied for every input.
const std::string& scratch();
void resetScratch();
void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);  // "" when missing
bool exists(const std::string& path);

struct QuietStatus : StatusSink {
    std::vector<std::string> texts;
    void setStatus(const std::string& text) override { texts.push_back(text); }
    void setCountStatus(const char*, long) override {}
};

struct FixedLists : ListSources {
    std::vector<std::string> reports, devices;
    std::vector<std::string> workingReports() override { return reports; }
    std::vector<std::string> workingDevices() override { return devices; }
};

// Takes the input apart: a few leading bytes choose parameters, the rest is the content.
class InputCursor {
public:
    InputCursor(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    std::string_view take(size_t n) {
        const size_t k = std::min<size_t>(n, static_cast<size_t>(end_ - p_));
        std::string_view s(reinterpret_cast<const char*>(p_), k);
        p_ += k;
        return s;
    }
    std::string_view rest() { return take(static_cast<size_t>(end_ - p_)); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

}  // namespace kalvimo::fuzz
