#pragma once
// kalvimo-batch chart: handed over to the program kalvimo-chart with the same arguments, so
// that kalvimo-batch itself never loads the window toolkit. kalvimo-chart stands beside
// kalvimo-batch in the build tree, and in the library-executables folder once installed.

namespace kalvimo {

// Replaces this process by kalvimo-chart; returns (with the message written) only when it
// cannot be started: exit status 1.
int runChartProgram(char** argv);

}  // namespace kalvimo
