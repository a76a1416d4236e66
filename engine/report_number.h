#pragma once
// Extraction by report number: the RRN 121 run and the working-list run, one result file
// log/rep<number>.log per number.
#include "engine/run_context.h"

namespace kalvimo {

// RRN 121: the reports 121 into rep121.log.
void runRrn121(RunContext& ctx);
// Every entry of the working list reports.ini, in its order, each into its own file.
void runWorkingReports(RunContext& ctx);

}  // namespace kalvimo
