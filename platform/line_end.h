#pragma once
#include <cstddef>
#include <string_view>

namespace kalvimo {

// The one rule of line ends for printouts, lists and result files: a line ends at LF, and a CR
// just before that LF belongs to the break (CR LF from the exchange, LF from elsewhere). A CR
// anywhere else, and the bytes of a last line without LF, are the line's own.

// The length of a line's bytes, given the `size` bytes from its start up to (not including) its LF.
constexpr std::size_t lineLengthBeforeLf(const char* start, std::size_t size) {
    return size > 0 && start[size - 1] == '\r' ? size - 1 : size;
}

// The line, given its bytes up to (not including) its LF.
constexpr std::string_view lineBeforeLf(std::string_view upToLf) {
    return upToLf.substr(0, lineLengthBeforeLf(upToLf.data(), upToLf.size()));
}

}  // namespace kalvimo
