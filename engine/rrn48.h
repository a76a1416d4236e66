#pragma once
// The RRN 48 extraction: one composed line per anomaly report into log/rep48.log, the
// searches for new devices and report numbers in the other reports, and the error analysis
// afterwards.
#include "engine/new_entry_search.h"
#include "engine/scan_frame.h"

namespace kalvimo {

class Engine;

// The line of rep48.log: data line, blank, anomaly field, blank, date and time, without the
// blanks it begins with.
std::string composeAnomalyLine(std::string_view dataLine, std::string_view anomalyField,
                               std::string_view dateTime);
// The same into a buffer that is reused from report to report.
void composeAnomalyLine(std::string& line, std::string_view dataLine, std::string_view anomalyField,
                        std::string_view dateTime);

class Rrn48Member : public FrameMember {
public:
    explicit Rrn48Member(Engine& engine);
    std::string statusFileMode() override;
    std::string statusDirMode() override;
    std::string outputPath() override;
    void onHeader(LineReader& in, std::string_view header) override;
    void postProcess() override;

private:
    Engine& engine_;
    NewDeviceSearch devices_;
    NewReportSearch reports_;
    std::string dateTime_, anomaly_, line_;  // reused, so a report costs no allocation
};

}  // namespace kalvimo
