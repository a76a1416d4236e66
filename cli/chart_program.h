#pragma once
// kalvimo-batch chart: handed over to the program kalvimo-chart with the same arguments, so
// that kalvimo-batch itself never loads the window toolkit. kalvimo-chart stands beside
// kalvimo-batch in the build tree, and in the library-executables folder once installed.
#include <string>
#include <vector>

namespace kalvimo {

// Runs kalvimo-chart with args in place of this program (on Windows: waits for it) and returns
// its exit status; 1, with the message written, when it cannot be started.
int runChartProgram(const std::vector<std::string>& args);

}  // namespace kalvimo
