#pragma once
// Substring search over a block of bytes, the hot loop of every scan.
#include <cstddef>
#include <string_view>

namespace kalvimo {

// First occurrence of needle (non-empty) in [data, data + size), or nullptr.
const char* findText(const char* data, size_t size, std::string_view needle);

}  // namespace kalvimo
