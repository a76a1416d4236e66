#include "engine/run_context.h"

#include <climits>

#include "engine/texts.h"
#include "platform/files.h"

namespace kalvimo {

RunContext::RunContext(DataDir data, RunEnvironment env) : data_(std::move(data)), env_(env) {
    reader_.setCancelFlag(env_.stop);
}

void RunContext::refuse(const std::string& text) {
    ++outcome_.refusals;
    setFailureStatus(text);
}

void RunContext::skipInput(const std::string& reason) {
    ++outcome_.inputFailures;
    setFailureStatus(reason + texts::kInputSkipped);
}

void RunContext::checkStop() {
    if (!stopRequested()) return;
    outcome_.stopped = true;
    throw RunStopped{};
}

void RunContext::advanceProgress() {
    env_.progress.setValue(progressCount_);
    ++progressCount_;
}

void RunContext::resetProgress() {
    progressCount_ = 0;
    env_.progress.setValue(0);
}

void RunContext::setProgressRange(int min, long long max) {
    if (max > INT_MAX) max = INT_MAX;
    if (max <= min) max = min + 1;
    env_.progress.setRange(min, static_cast<int>(max));
}

void RunContext::clearOutputs() {
    try {
        data_.ensureOutputDirs();
        // Links go too, never their targets: a result is never written through one.
        for (const auto& name : listFiles(data_.errorDir(), "*.*", LinkPolicy::Itself))
            removeFile(data_.errorFile(name));
        for (const auto& name : listFiles(data_.logDir(), "*.log", LinkPolicy::Itself))
            removeFile(data_.logFile(name));
    } catch (...) {
        env_.outputs.outputsCleared();
        throw;
    }
    env_.outputs.outputsCleared();
}

void RunContext::startAfresh() {
    outcome_ = {};
    journal_.keep();
    fullRun_ = false;
    progressCount_ = 0;
}

}  // namespace kalvimo
