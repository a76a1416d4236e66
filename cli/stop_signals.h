#pragma once
// SIGINT and SIGTERM stop a run at the next block, as closing the window does; a second one of
// the same kind ends the program at once. On Windows Ctrl+C and Ctrl+Break stand for SIGINT.
#include <atomic>

namespace kalvimo {

// Installs the handlers; returns the flag they set.
const std::atomic<bool>* stopOnSignals();
// The signal that asked for the stop, 0 when none came.
int stopSignal();
// The exit status for it: 128 + the signal (130, 143), or status when none came.
int exitStatusAfterSignal(int status);

}  // namespace kalvimo
