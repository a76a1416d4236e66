#pragma once
// Counting and locating one byte value in a block at memory speed: the line breaks of a
// large file are counted sixteen bytes at a time, not one line at a time.
#include <cstddef>

namespace kalvimo {

// How many bytes of [data, data + size) equal c.
size_t countByte(const char* data, size_t size, char c);

// The position of the k-th (k >= 1) byte equal to c in [data, data + size), or size when there
// are fewer; *counted gets how many were passed over (k - 1 when found, all of them otherwise).
size_t findNthByte(const char* data, size_t size, char c, size_t k, size_t* counted);

// The last byte equal to c in [data, data + size), null when there is none (memrchr, which
// not every C library has).
const char* findLastByte(const char* data, size_t size, char c);

}  // namespace kalvimo
