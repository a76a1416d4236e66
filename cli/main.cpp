// kalvimo-batch: the extractions of the desktop program, run from a terminal on the same data
// directory.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch_environment.h"
#include "cli/batch_options.h"
#include "cli/batch_run.h"
#include "cli/chart_program.h"
#include "cli/stop_signals.h"
#include "platform/process_setup.h"
#include "platform/system.h"

using namespace kalvimo;

namespace {

int usageError(const std::string& what) {
    std::fprintf(stderr, "kalvimo-batch: %s\nСправка: kalvimo-batch --help\n", what.c_str());
    return 2;
}

// --help and --version: 1 when the text could not be written whole.
int printText(const std::string& text, bool stdoutWasClosed) {
    const bool written = std::fputs(text.c_str(), stdout) >= 0;
    const bool flushed = std::fflush(stdout) == 0;
    return written && flushed && !stdoutWasClosed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::atomic<bool>* stop = stopOnSignals();
    // Descriptors 0 to 2 that the caller closed are opened on /dev/null, or the first result
    // file would take the number of standard error and receive the status texts.
    const unsigned closedAtStart = reopenClosedStandardDescriptors();
    keepRunningWhenOutputFails();
    writeOutputAsUtf8();
    raiseOpenFileLimit();
    const std::vector<std::string> args = sys::programArguments(argc, argv);
    std::string error;
    const auto parsed = parseBatchOptions(args, error);
    if (!parsed) return usageError(error);
    const BatchOptions& o = *parsed;
    if (o.help) return printText(batchUsage(), closedAtStart & 2u);
    if (o.version) return printText("kalvimo-batch " KALVIMO_VERSION "\n", closedAtStart & 2u);
    if (o.chart) return runChartProgram(args);
    BatchProblem problem;
    std::optional<BatchEnvironment> env = batchEnvironment(o, problem);
    if (!env) {
        if (problem.exitStatus == 2) return usageError(problem.message);
        std::fprintf(stderr, "kalvimo-batch: %s\n", problem.message.c_str());
        return problem.exitStatus;
    }
    return runBatch(o, *env, stop);
}
