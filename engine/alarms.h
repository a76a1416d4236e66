#pragma once
// The alarm extraction: the alarm lines of every alarm report, without headers, into
// log/alarm.log, leaving out the lines that carry one of the filter words.
#include <string_view>

#include "engine/run_context.h"

namespace kalvimo {

// Whether an alarm line is left out of alarm.log: empty, or holding one of the filter words.
bool isFilteredAlarmLine(std::string_view line);

void runAlarms(RunContext& ctx);

}  // namespace kalvimo
