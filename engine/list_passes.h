#pragma once
// The kinds that work through a list, report numbers and devices: one pass per entry, each
// filling the result file its entry names, shown as ever (status, walk, end text, progress),
// while the input is read once for all of them. The first pass of a read shows the walk as it
// reads; the passes after it show what that walk met, in their places, without reading again.
// A pass that would read otherwise (the mode changed, the walk was cut short) reads anew, for
// itself and the passes after it.
#include <optional>
#include <string>
#include <vector>

#include "engine/scan_frame.h"

namespace kalvimo {

enum class ListKind {
    // Header, line 2, the number line holding the number followed by "  P"; the block is the
    // header, an empty line, the body up to the line with "NO = 0".
    Numbers,
    // Header, the device line holding the device text; the block is the header, the device
    // line, an empty line, the body up to the line with "LAST REPORT".
    Devices,
};

struct ListEntry {
    std::optional<Pass> pass = {};  // none: the entry names no file, and is refused in its place
    std::string refusal = {};
    std::string text = {};  // what its reports are found by: the trimmed number, the device text
};

// The passes in list order. modePerPass: each pass takes the mode selected when it begins
// (the devices); otherwise the mode its Pass holds.
void runListPasses(ScanFrame& frame, ListKind kind, const std::vector<ListEntry>& entries, bool modePerPass);

}  // namespace kalvimo
