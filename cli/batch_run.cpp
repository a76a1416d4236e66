#include "cli/batch_run.h"

#include <atomic>

#include "cli/batch_output.h"
#include "cli/stop_signals.h"
#include "engine/list_source.h"
#include "engine/runner.h"
#include "platform/data_lock.h"
#include "platform/io_error.h"
#include "platform/process_setup.h"

namespace kalvimo {
namespace {

// --wait: takes the data directory's lock before the run, saying once per holder that it
// waits; the run then shares the lock. Without --wait the run itself refuses a busy directory.
// A stop asked for while waiting ends the wait; the run then stops at once.
DataLock waitForDataDir(const std::string& root, StatusSink& status, const std::atomic<bool>* stop) {
    try {
        return DataLock::acquire(root, std::chrono::milliseconds(-1), stop, [&](sys::ProcessId holder) {
            status.setStatus(dataDirBusyText(holder) + "; ожидание");
        });
    } catch (const IoError&) {
        return {};  // the run meets the same failure and reports it
    }
}

}  // namespace

void keepRunningWhenOutputFails() {
    ignoreBrokenPipeSignal();
    ignoreFileSizeLimitSignal();
}

int runBatch(const BatchOptions& o, BatchEnvironment& env, const std::atomic<bool>* stop) {
    BatchOutput output(stderr, o.quiet, env.input);
    ListFilesSource lists(env.data.root());
    Pauses pauses;
    OutputsListener outputs;
    Runner runner(env.data, RunEnvironment{output.status(), output.progress(), output.input(), env.options, lists,
                                           pauses, outputs, stop});
    runner.reader().setReadObserver(output.readObserver());
    const DataLock waited = o.wait ? waitForDataDir(env.data.root(), output.status(), stop) : DataLock{};
    if (stopSignal() != 0) return exitStatusAfterSignal(1);  // stopped while waiting: nothing was touched
    const RunOutcome outcome = runner.run(o.command);
    output.finish();
    return exitStatusAfterSignal(outcome.anyFailure() ? 1 : 0);  // 130 for SIGINT, 143 for SIGTERM
}

}  // namespace kalvimo
