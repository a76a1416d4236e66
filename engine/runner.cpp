#include "engine/runner.h"

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
    } catch (const RunStopped&) {
        showStopped();
        endAfterFailure();
    } catch (const IoError& e) {
        // The one place where a file that failed becomes the end of the run. Input files
        // never come here: the walk skips them and goes on.
        context_.outcome().aborted = true;
        context_.setFailureStatus(e.message());
        endAfterFailure();
    } catch (const std::exception& e) {
        // Anything else (memory exhausted by a line of gigabytes): the run ends, not the program.
        context_.outcome().aborted = true;
        context_.setFailureStatus(std::string("Обработка прервана: ") + e.what());
        endAfterFailure();
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
