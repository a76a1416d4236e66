#include "engine/alarms.h"

#include "engine/kinds.h"

#include "engine/scan_frame.h"
#include "engine/text_ops.h"
#include "engine/texts.h"

namespace kalvimo {
namespace {

class AlarmScan : public ReportHandler {
public:
    void onHeader(LineReader& in, std::string_view header) override;
};

void AlarmScan::onHeader(LineReader& in, std::string_view) {
    std::string_view line;
    if (!in.next(line)) return;  // line 2, the title
    if (!in.next(line)) return;  // line 3
    if (!contains(line, "00011  P")) return;
    for (int i = 4; i <= 9; ++i)  // the preamble; only line 9 counts, for being empty
        if (!in.next(line)) return;
    while (!line.empty()) {
        if (!in.next(line)) return;
        if (!isFilteredAlarmLine(line)) out.writeLine(line);
    }
}

}  // namespace

bool isFilteredAlarmLine(std::string_view line) {
    if (line.empty()) return true;
    for (std::string_view word : {"SPECIAL", "CAT", "DIRECT", "EXTERNAL", "SBL"})
        if (contains(line, word)) return true;
    return false;
}

void runAlarms(RunContext& ctx) {
    ScanFrame frame(ctx);
    frame.prepare();
    AlarmScan scan;
    frame.pass(scan, {.mode = frame.currentMode(),
                      .fileModeStatus = std::string(kindRow(RunKind::Alarms).fileStatus),
                      .dirModeStatus = std::string(kindRow(RunKind::Alarms).dirStatus),
                      .outputPath = ctx.data().logFile("alarm.log"),
                      .progressStepsBack = 1});
    frame.closingPause();
}

}  // namespace kalvimo
