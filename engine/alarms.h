#pragma once
// The alarm extraction: the alarm lines of every alarm report, without headers, into
// log/alarm.log, leaving out the lines that carry one of the filter words.
#include <string_view>

#include "engine/scan_frame.h"

namespace kalvimo {

class Engine;

// Whether an alarm line is left out of alarm.log: empty, or holding one of the filter words.
bool isFilteredAlarmLine(std::string_view line);

class AlarmMember : public FrameMember {
public:
    explicit AlarmMember(Engine& engine) : engine_(engine) {}
    std::string statusFileMode() override;
    std::string statusDirMode() override;
    std::string outputPath() override;
    void onHeader(LineReader& in, std::string_view header) override;
    void afterOutputClosed() override;

private:
    Engine& engine_;
};

}  // namespace kalvimo
