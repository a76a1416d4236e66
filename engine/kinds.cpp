#include "engine/kinds.h"

#include "engine/alarms.h"
#include "engine/device_extraction.h"
#include "engine/report_number.h"
#include "engine/rrn48.h"
#include "engine/texts.h"

namespace kalvimo {
namespace {

long long onePass(RunContext&) { return 1; }
long long perReport(RunContext& ctx) { return static_cast<long long>(ctx.lists().workingReports().size()); }
long long perDevice(RunContext& ctx) { return static_cast<long long>(ctx.lists().workingDevices().size()); }

constexpr KindRow kKinds[kKindCount] = {
    {RunKind::Reports, "reports", "   заданные рапорта", "btnFileRrn", "Заданные рапорта", "Check1",
     "Идет обработка файла RRN - ", "Идет обработка каталога RRN - ", perReport, runWorkingReports},
    {RunKind::Devices, "devices", "   заданные устройства", "btnDev", "Заданные устройства", "Check5",
     "Идет обработка файла по устройству ", "Идет обработка каталога по устройству ", perDevice, runDevices},
    {RunKind::Rrn121, "rrn121", "   121 рапорт", "btnFile121", "RRN 121", "Check7", "Идет обработка файла RRN - ",
     "Идет обработка каталога RRN - ", onePass, runRrn121},
    {RunKind::Alarms, "alarms", "   аварии", "btnalarm", "Аварии", "Check3", "Идет обработка файла Аварии",
     "Идет обработка каталога Аварии", onePass, runAlarms},
    {RunKind::Rrn48, "rrn48", "   48 рапорт", "btnFile48", "RRN 48", "Check2", "Идет обработка файла RRN - 48",
     "Идет обработка каталога RRN - 48", onePass, runRrn48},
};

constexpr SearchRow kSearches[] = {
    {Search::NewReports, "   искать новые рапорта", "Check4", "Искать новые рапорта", "--new-reports"},
    {Search::NewDevices, "   искать новые устройства", "Check8", "Искать новые устройства", "--new-devices"},
};

// The rows stand in the order of their kinds, so that a kind finds its row by its number.
constexpr bool rowsInOrder() {
    for (size_t i = 0; i < kKindCount; ++i)
        if (static_cast<size_t>(kKinds[i].kind) != i) return false;
    for (size_t i = 0; i < std::size(kSearches); ++i)
        if (Box(kSearches[i].search).index() != kKindCount + i) return false;
    return std::size(kSearches) + kKindCount == Box::kCount;
}
static_assert(rowsInOrder());

// One pass over the listed files per ticked kind, one per entry for the kinds that work
// through a working list. Only a box ticked exactly counts; a greyed one does not.
long long fullRunProgressRange(RunContext& ctx) {
    long long passes = 0;
    for (const KindRow& k : kKinds)
        if (ctx.options().ticked(k.kind)) passes += k.passes(ctx);
    if (passes == 0) passes = 1;
    return passes * (static_cast<long long>(ctx.input().fileCount()) - 1);
}

void runFullRun(RunContext& ctx) {
    ctx.clearOutputs();
    ctx.setFullRun(true);
    ctx.setProgressRange(0, fullRunProgressRange(ctx));
    for (const KindRow& k : kKinds)
        if (ctx.options().ticked(k.kind)) k.run(ctx);
    ctx.pauses().finalPause();
    ctx.checkStop();
    ctx.setStatus(texts::kStopAfterRun);
    ctx.setFullRun(false);
    ctx.resetProgress();
    ctx.setProgressRange(0, static_cast<long long>(ctx.input().fileCount()) - 1);
}

}  // namespace

std::span<const KindRow> kinds() { return kKinds; }

const KindRow& kindRow(RunKind kind) { return kKinds[static_cast<size_t>(kind)]; }

std::span<const SearchRow> searches() { return kSearches; }

void runKind(RunContext& ctx, RunKind kind) {
    if (kind == RunKind::Full) runFullRun(ctx);
    else kindRow(kind).run(ctx);
}

}  // namespace kalvimo
