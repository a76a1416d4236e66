#include "engine/alarms.h"

#include "engine/engine.h"
#include "engine/texts.h"

namespace kalvimo {

bool isFilteredAlarmLine(std::string_view line) {
    if (line.empty()) return true;
    for (std::string_view word : {"SPECIAL", "CAT", "DIRECT", "EXTERNAL", "SBL"})
        if (line.find(word) != std::string_view::npos) return true;
    return false;
}

std::string AlarmMember::statusFileMode() { return texts::kAlarmFile; }
std::string AlarmMember::statusDirMode() { return texts::kAlarmDir; }
std::string AlarmMember::outputPath() { return engine_.data().logFile("alarm.log"); }

void AlarmMember::onHeader(LineReader& in, std::string_view) {
    std::string_view line;
    if (!in.next(line)) return;  // line 2, the title
    if (!in.next(line)) return;  // line 3
    if (line.find("00011  P") == std::string_view::npos) return;
    for (int i = 4; i <= 9; ++i)  // the preamble; only line 9 counts, for being empty
        if (!in.next(line)) return;
    while (!line.empty()) {
        if (!in.next(line)) return;
        if (!isFilteredAlarmLine(line)) out.writeLine(line);
    }
}

// Each pass over the files advances the bar by one step less than it has files.
void AlarmMember::afterOutputClosed() { --engine_.progressCount; }

}  // namespace kalvimo
