#pragma once
// Extraction by report number: the RRN 121 run and the working-list run, one result file
// log/rep<number>.log per number.
#include <string>
#include <string_view>

#include "engine/scan_frame.h"

namespace kalvimo {

class Engine;

// Copies every report whose number line holds the number followed by two blanks and "P":
// the header, an empty line, lines 4 up to the "NO = 0" line, two empty lines.
class NumberScan : public ReportHandler {
public:
    void setNumber(std::string_view trimmedNumber);
    void onHeader(LineReader& in, std::string_view header) override;

private:
    std::string pattern_;
    std::string header_;
};

// obr_rrn and its directory variant, on the engine's current report number.
class ReportNumberRun {
public:
    explicit ReportNumberRun(Engine& engine) : engine_(engine), frame_(engine) {}
    void obr_rrn();

private:
    void obr_rrn_dir(bool rrn121);
    std::vector<std::string> numbers(bool rrn121);
    // Sets the current number and opens its result file; false when the number cannot name
    // a file and was refused.
    bool startNumber(const std::string& number, const char* statusPrefix);

    Engine& engine_;
    ScanFrame frame_;
    NumberScan scan_;
};

}  // namespace kalvimo
