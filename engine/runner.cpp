#include "engine/runner.h"

#include <new>

#include "engine/kinds.h"
#include "engine/texts.h"
#include "platform/io_error.h"

namespace kalvimo {

Runner::Runner(DataDir data, RunEnvironment env) : context_(std::move(data), env) {}

RunOutcome Runner::run(RunKind kind) {
    context_.startAfresh();
    DataLock lock;
    if (!lockDataDir(lock)) return context_.outcome();
    try {
        runKind(context_, kind);
        context_.journal().keep();
    } catch (const RunStopped&) {
        undoListAppends();
        showStopped();
        endAfterFailure();
    } catch (const IoError& e) {
        // The one place where a file that failed becomes the end of the run. Input files
        // never come here: the walk skips them and goes on.
        undoListAppends();
        fail(e.message());
    } catch (const std::bad_alloc&) {
        undoListAppends();
        fail(texts::kRunOutOfMemory);
    } catch (const std::exception&) {
        // Anything else: the run ends, not the program. What the library says is no text for
        // the person at the exchange.
        undoListAppends();
        fail(texts::kRunAbortedUnexpectedly);
    }
    context_.reader().close();
    return context_.outcome();
}

bool Runner::lockDataDir(DataLock& lock) {
    try {
        lock = DataLock::tryAcquire(context_.data().root());
    } catch (const IoError& e) {
        context_.outcome().aborted = true;
        context_.setFailureStatus(e.message());
        return false;
    }
    if (lock.held()) return true;
    context_.outcome().busy = true;
    context_.setFailureStatus(dataDirBusyText(lock.holder()));
    return false;
}

void Runner::undoListAppends() {
    // Before any status text: when the run is seen to have ended, the lists are back.
    std::vector<std::string> failures;
    try {
        failures = context_.journal().undo();
    } catch (const std::exception&) {
        failures.push_back(texts::kListsNotRestored);
    }
    for (const auto& text : failures) {
        context_.outcome().aborted = true;
        context_.setFailureStatus(text);
    }
}

void Runner::fail(const std::string& text) {
    context_.outcome().aborted = true;
    context_.setFailureStatus(text);
    endAfterFailure();
}

void Runner::showStopped() {
    context_.setStatus(texts::kRunStopped);
    context_.pauses().closingPause();
    context_.setStatus(texts::kStopAfterRun);
}

void Runner::endAfterFailure() {
    context_.reader().close();
    context_.setFullRun(false);
    context_.resetProgress();
}

}  // namespace kalvimo
