#pragma once
// The size of the blocks read from printouts and written to result files. Large blocks make a
// scan of hundreds of megabytes fast, and the fewer blocks, the fewer hand-overs between the
// scan and the thread that reads ahead; 1 MiB is the fastest on the machines at hand. The
// fuzzing build sets a small one, so that its short inputs cross block boundaries and stay
// clear of the sanitizer's slow path for big buffers.
#include <cstddef>

#ifndef KALVIMO_IO_BLOCK
#define KALVIMO_IO_BLOCK (1024 * 1024)
#endif

namespace kalvimo {
inline constexpr size_t kIoBlock = KALVIMO_IO_BLOCK;
}
