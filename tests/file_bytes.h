#pragma once
// A file's bytes, read and written whole, for tests that compare lists byte for byte.
#include <fstream>
#include <sstream>
#include <string>

namespace kalvimo::test {

inline std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void putFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace kalvimo::test
