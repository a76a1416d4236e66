#include "engine/engine.h"

#include <climits>

#include "engine/alarms.h"
#include "engine/device_extraction.h"
#include "engine/report_number.h"
#include "engine/rrn48.h"
#include "engine/scan_frame.h"
#include "engine/texts.h"
#include "platform/files.h"

namespace kalvimo {

Engine::Engine(DataDir data, RunEnvironment env) : data_(std::move(data)), env_(env) {}

void Engine::refuse(const std::string& text) {
    ++outcome_.refusals;
    setStatus(text);
}

void Engine::setProgressRange(int min, long long max) {
    if (max > INT_MAX) max = INT_MAX;
    if (max <= min) max = min + 1;
    env_.progress.setRange(min, static_cast<int>(max));
}

void Engine::fail(const IoError& error) {
    outcome_.aborted = true;
    setStatus(error.message());
    throw RunEnded{};
}

void Engine::skipInput(const std::string& reason) {
    ++outcome_.inputFailures;
    setStatus(reason + texts::kInputSkipped);
}

void Engine::checkStop() {
    if (stopRequested()) {
        outcome_.stopped = true;
        throw RunEnded{};
    }
}

void Engine::showStopped() {
    setStatus(texts::kRunStopped);
    env_.pauses.closingPause();
    setStatus(texts::kStopAfterRun);
}

bool Engine::lockDataDir(DataLock& lock) {
    try {
        lock = DataLock::tryAcquire(data_.root());
    } catch (const IoError& e) {
        outcome_.aborted = true;
        setStatus(e.message());
        return false;
    }
    if (lock.held()) return true;
    outcome_.busy = true;
    setStatus(dataDirBusyText(lock.holder()));
    return false;
}

void Engine::endAfterFailure() {
    // The failure text stays on the status line; the run state goes back to rest.
    reader_.close();
    fullMode = false;
    progressCount = 0;
    env_.progress.setValue(0);
}

void Engine::ClearDir() {
    try {
        data_.ensureOutputDirs();
        // Links go too, never their targets: a result is never written through one.
        for (const auto& name : listFiles(data_.errorDir(), "*.*", LinkPolicy::Itself))
            removeFile(data_.errorFile(name));
        for (const auto& name : listFiles(data_.logDir(), "*.log", LinkPolicy::Itself))
            removeFile(data_.logFile(name));
    } catch (const IoError& e) {
        env_.outputs.outputsCleared();
        fail(e);
    }
    env_.outputs.outputsCleared();
}

std::vector<std::string> Engine::workingReports() {
    try {
        return env_.lists.workingReports();
    } catch (const IoError& e) {
        fail(e);
    }
}

std::vector<std::string> Engine::workingDevices() {
    try {
        return env_.lists.workingDevices();
    } catch (const IoError& e) {
        fail(e);
    }
}

void Engine::btnFile48_Click() {
    runProcedure([&] {
        Rrn48Member member(*this);
        ScanFrame(*this).run(member);
    });
}

void Engine::btnFile121_Click() {
    runProcedure([&] {
        if (!fullMode) ClearDir();
        currentReportNumber = "121";
        ReportNumberRun(*this).obr_rrn();
    });
}

void Engine::btnFileRrn_Click() {
    runProcedure([&] {
        if (!fullMode) ClearDir();
        currentReportNumber.clear();
        ReportNumberRun(*this).obr_rrn();
    });
}

void Engine::btnDev_Click() {
    runProcedure([&] { DeviceExtraction(*this).run(); });
}

void Engine::btnalarm_Click() {
    runProcedure([&] {
        AlarmMember member(*this);
        ScanFrame(*this).run(member);
    });
}

}  // namespace kalvimo
