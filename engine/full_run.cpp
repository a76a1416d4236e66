// "Полная": every ticked kind of extraction, one after another, into the same output
// directories and across one progress range.
#include "engine/engine.h"
#include "engine/texts.h"

namespace kalvimo {

void Engine::progressbar() {
    RunOptions& options = env_.options;
    long long k = 0;
    if (fullMode) {
        // Only a box ticked exactly counts; a greyed one does not.
        if (options.ticked(Choice::Reports)) k += static_cast<long long>(workingReports().size());
        if (options.ticked(Choice::Devices)) k += static_cast<long long>(workingDevices().size());
        if (options.ticked(Choice::Rrn121)) ++k;
        if (options.ticked(Choice::Alarms)) ++k;
        if (options.ticked(Choice::Rrn48)) ++k;
    }
    if (k == 0) k = 1;
    setProgressRange(0, k * (static_cast<long long>(env_.input.fileCount()) - 1));
}

void Engine::btnFileAll_Click() {
    runProcedure([&] {
        ClearDir();
        fullMode = true;
        progressbar();
        RunOptions& options = env_.options;
        if (options.ticked(Choice::Reports)) btnFileRrn_Click();
        if (options.ticked(Choice::Devices)) btnDev_Click();
        if (options.ticked(Choice::Rrn121)) btnFile121_Click();
        if (options.ticked(Choice::Alarms)) btnalarm_Click();
        if (options.ticked(Choice::Rrn48)) btnFile48_Click();
        env_.pauses.finalPause();
        checkStop();
        setStatus(texts::kStopAfterRun);
        fullMode = false;
        progressCount = 0;
        setProgressValue(0);
        setProgressRange(0, static_cast<long long>(env_.input.fileCount()) - 1);
    });
}

}  // namespace kalvimo
