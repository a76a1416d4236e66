#pragma once
// A batch run from its start to its exit status: the wait for a busy data directory, the status
// texts and the progress line on standard error, the signal that stopped it.
#include <atomic>

#include "cli/batch_environment.h"
#include "cli/batch_options.h"

namespace kalvimo {

// A status line that cannot be written (a closed pipe, a full disk) never ends the run: the
// write just fails, and the exit status stays the run's.
void keepRunningWhenOutputFails();

// Runs the command, stopping at the next block once stop is set; returns the exit status: 0,
// 1 after a refusal or a failure, 128 + the signal that stopped it.
int runBatch(const BatchOptions& o, BatchEnvironment& env, const std::atomic<bool>* stop);

}  // namespace kalvimo
