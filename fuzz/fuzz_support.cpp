#include "fuzz/fuzz_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kalvimo::fuzz {

const std::string& scratch() {
    // Never destroyed, so that the clean-up at exit can still use it.
    static const std::string* dir = [] {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        auto* d = new std::string(std::string(base) + "/kalvimo-fuzz-" + std::to_string(::getpid()));
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*dir, ec);
        });
        return d;
    }();
    return *dir;
}

void resetScratch() {
    std::error_code ec;
    std::filesystem::remove_all(scratch(), ec);
    std::filesystem::create_directories(scratch(), ec);
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace kalvimo::fuzz
