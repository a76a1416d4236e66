#include "cli/batch_run.h"

#include <atomic>
#include <csignal>

#include "engine/list_source.h"
#include "engine/runner.h"
#include "platform/data_lock.h"
#include "platform/io_error.h"
#include "platform/process_setup.h"

namespace kalvimo {
namespace {

std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t stopSignal = 0;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onStopSignal(int signal) {
    stopSignal = signal;
    stopRequested.store(true);
}

// --wait: takes the data directory's lock before the run, saying once per holder that it
// waits; the run then shares the lock. Without --wait the run itself refuses a busy directory.
// A stop asked for while waiting ends the wait; the run then stops at once.
DataLock waitForDataDir(const std::string& root, TerminalStatus& status, const std::atomic<bool>* stop) {
    try {
        return DataLock::acquire(root, std::chrono::milliseconds(-1), stop, [&](pid_t holder) {
            status.setStatus(dataDirBusyText(holder) + "; ожидание");
        });
    } catch (const IoError&) {
        return {};  // the run meets the same failure and reports it
    }
}

}  // namespace

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void keepRunningWhenOutputFails() {
    std::signal(SIGPIPE, SIG_IGN);
    ignoreFileSizeLimitSignal();
}

int runBatch(const BatchOptions& o, BatchEnvironment& env) {
    TerminalStatus status(stderr);
    SilentProgress progress;
    ListFilesSource lists(env.data.root());
    Pauses pauses;
    OutputsListener outputs;
    Runner runner(env.data, RunEnvironment{status, progress, env.input, env.options, lists, pauses, outputs,
                                           &stopRequested});
    const DataLock waited = o.wait ? waitForDataDir(env.data.root(), status, &stopRequested) : DataLock{};
    if (stopSignal != 0) return 128 + stopSignal;  // stopped while waiting: nothing was touched
    const RunOutcome outcome = runner.run(o.command);
    status.flush();
    if (stopSignal != 0) return 128 + stopSignal;  // 130 for SIGINT, 143 for SIGTERM
    return outcome.anyFailure() ? 1 : 0;
}

}  // namespace kalvimo
