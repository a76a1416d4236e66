#include "cli/stop_signals.h"

#include "platform/system.h"

namespace kalvimo {
namespace {

// Set from a signal handler, or on Windows from the thread the console's handler runs on.
std::atomic<bool> stopRequested{false};
std::atomic<int> receivedSignal{0};

void onStopSignal(int signal) {
    receivedSignal.store(signal);
    stopRequested.store(true);
}

}  // namespace

const std::atomic<bool>* stopOnSignals() {
    static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
                  "set from a signal handler");
    sys::onStopRequest(onStopSignal);
    return &stopRequested;
}

int stopSignal() { return receivedSignal.load(); }

int exitStatusAfterSignal(int status) {
    const int signal = receivedSignal.load();
    return signal != 0 ? 128 + signal : status;
}

}  // namespace kalvimo
