#pragma once
// Something read at an offset, as a file is read with pread.
#include <cstddef>
#include <cstdint>

namespace kalvimo {

// Reads the bytes of a file at an offset: fewer than asked at its end (or when it shrank),
// none past it. Throws IoError when the file cannot be read.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual size_t readAt(uint64_t offset, char* buffer, size_t size) const = 0;
};

}  // namespace kalvimo
