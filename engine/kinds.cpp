#include "engine/kinds.h"

#include "engine/alarms.h"
#include "engine/device_extraction.h"
#include "engine/report_number.h"
#include "engine/rrn48.h"
#include "engine/texts.h"

namespace kalvimo {
namespace {

long long passesOf(RunContext& ctx, RunKind kind) {
    switch (kind) {
    case RunKind::Reports: return static_cast<long long>(ctx.lists().workingReports().size());
    case RunKind::Devices: return static_cast<long long>(ctx.lists().workingDevices().size());
    default: return 1;
    }
}

// One pass over the listed files per ticked kind, one per entry for the kinds that work
// through a working list. Only a box ticked exactly counts; a greyed one does not.
long long fullRunProgressRange(RunContext& ctx) {
    long long passes = 0;
    for (const FullRunKind& k : kFullRunKinds)
        if (ctx.options().ticked(k.choice)) passes += passesOf(ctx, k.kind);
    if (passes == 0) passes = 1;
    return passes * (static_cast<long long>(ctx.input().fileCount()) - 1);
}

void runFullRun(RunContext& ctx) {
    ctx.clearOutputs();
    ctx.setFullRun(true);
    ctx.setProgressRange(0, fullRunProgressRange(ctx));
    for (const FullRunKind& k : kFullRunKinds)
        if (ctx.options().ticked(k.choice)) runKind(ctx, k.kind);
    ctx.pauses().finalPause();
    ctx.checkStop();
    ctx.setStatus(texts::kStopAfterRun);
    ctx.setFullRun(false);
    ctx.resetProgress();
    ctx.setProgressRange(0, static_cast<long long>(ctx.input().fileCount()) - 1);
}

}  // namespace

void runKind(RunContext& ctx, RunKind kind) {
    switch (kind) {
    case RunKind::Rrn48: runRrn48(ctx); break;
    case RunKind::Rrn121: runReportNumbers(ctx, ReportNumbers::Rrn121); break;
    case RunKind::Reports: runReportNumbers(ctx, ReportNumbers::WorkingList); break;
    case RunKind::Devices: runDevices(ctx); break;
    case RunKind::Alarms: runAlarms(ctx); break;
    case RunKind::Full: runFullRun(ctx); break;
    }
}

}  // namespace kalvimo
