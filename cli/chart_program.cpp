// kalvimo-chart: the chart command of kalvimo-batch, in a program of its own so that only it
// loads the window toolkit; kalvimo-batch hands "chart" over to it with the same arguments.
#include <string>
#include <vector>

#include "batch_options.h"
#include "chart_command.h"
#include "process_setup.h"
#include "stop_signals.h"

using namespace kalvimo;

int main(int argc, char** argv) {
    const std::atomic<bool>* stop = stopOnSignals();
    reopenClosedStandardDescriptors();
    ignoreFileSizeLimitSignal();
    std::string error;
    const auto parsed = parseBatchOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed || parsed->command != BatchCommand::Chart) return 2;  // kalvimo-batch checked them
    return exitStatusAfterSignal(runChartCommand(*parsed, argv[0], stop));
}
