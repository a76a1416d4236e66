#pragma once
// The report blocks that the extractions by number and by device write: a header, what each
// writes of the lines after it, an empty line, the body up to its end line, two empty lines.
#include <string_view>

#include "platform/files.h"
#include "platform/line_reader.h"

namespace kalvimo {

// Copies lines to out up to and including the first one that contains endText. A file that
// ends first leaves the lines copied so far. The block is closed with two empty lines either
// way, so a cut report never runs into the next block.
void copyReportBody(LineReader& in, OutFile& out, std::string_view endText);

}  // namespace kalvimo
