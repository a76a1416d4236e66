#pragma once
// A batch run from its start to its exit status: the signals that stop it, the wait for a busy
// data directory, the status texts on standard error.
#include "cli/batch_environment.h"
#include "cli/batch_options.h"

namespace kalvimo {

// SIGINT and SIGTERM stop the run at the next block, as closing the window does; a second one
// ends the program at once. First thing in main, so that no signal finds the default.
void stopOnSignals();

// A status line that cannot be written (a closed pipe, a full disk) never ends the run: the
// write just fails, and the exit status stays the run's.
void keepRunningWhenOutputFails();

// Runs the command; returns the exit status: 0, 1 after a refusal or a failure, 128 + the
// signal that stopped it.
int runBatch(const BatchOptions& o, BatchEnvironment& env);

}  // namespace kalvimo
