#include "cli/stop_signals.h"

#include <csignal>

namespace kalvimo {
namespace {

std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t receivedSignal = 0;

void onStopSignal(int signal) {
    receivedSignal = signal;
    stopRequested.store(true);
}

}  // namespace

const std::atomic<bool>* stopOnSignals() {
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return &stopRequested;
}

int stopSignal() { return receivedSignal; }

int exitStatusAfterSignal(int status) { return receivedSignal != 0 ? 128 + receivedSignal : status; }

}  // namespace kalvimo
