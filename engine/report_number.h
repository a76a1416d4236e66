#pragma once
// Extraction by report number: the RRN 121 run and the working-list run, one result file
// log/rep<number>.log per number.
#include "engine/run_context.h"

namespace kalvimo {

// Which numbers a run extracts: 121 alone, or every entry of the working list in its order.
enum class ReportNumbers { Rrn121, WorkingList };

void runReportNumbers(RunContext& ctx, ReportNumbers which);

}  // namespace kalvimo
