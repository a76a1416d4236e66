// kalvimo-chart: the chart command of kalvimo-batch, in a program of its own so that only it
// loads the window toolkit; kalvimo-batch hands "chart" over to it with the same arguments.
#include <string>
#include <vector>

#include "cli/batch_options.h"
#include "cli/chart_command.h"
#include "cli/stop_signals.h"
#include "platform/process_setup.h"
#include "platform/system.h"

using namespace kalvimo;

int main(int argc, char** argv) {
    const std::atomic<bool>* stop = stopOnSignals();
    reopenClosedStandardDescriptors();
    ignoreFileSizeLimitSignal();
    writeOutputAsUtf8();
    std::string error;
    const auto parsed = parseBatchOptions(sys::programArguments(argc, argv), error);
    if (!parsed || !parsed->chart) return 2;  // kalvimo-batch checked them
    return exitStatusAfterSignal(runChartCommand(*parsed, argv[0], stop));
}
