#pragma once
// The RRN 48 extraction: one composed line per anomaly report into log/rep48.log, the
// searches for new devices and report numbers in the other reports, and the error analysis
// afterwards.
#include <string>
#include <string_view>

#include "engine/run_context.h"

namespace kalvimo {

// The line of rep48.log: data line, blank, anomaly field, blank, date and time, without the
// blanks it begins with.
std::string composeAnomalyLine(std::string_view dataLine, std::string_view anomalyField,
                               std::string_view dateTime);
// The same into a buffer that is reused from report to report.
void composeAnomalyLine(std::string& line, std::string_view dataLine, std::string_view anomalyField,
                        std::string_view dateTime);

void runRrn48(RunContext& ctx);

}  // namespace kalvimo
