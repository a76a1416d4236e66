#pragma once
// The RRN 48 extraction: one composed line per anomaly report into log/rep48.log, the
// searches for new devices and report numbers in the other reports, and the error analysis
// afterwards.
#include <array>
#include <string>
#include <string_view>

#include "engine/run_context.h"

namespace kalvimo {

// The line of rep48.log in the pieces it is written in: data line, blank, anomaly field,
// blank, date and time, without the blanks it begins with.
std::array<std::string_view, 5> anomalyLinePieces(std::string_view dataLine, std::string_view anomalyField,
                                                  std::string_view dateTime);

void runRrn48(RunContext& ctx);

}  // namespace kalvimo
