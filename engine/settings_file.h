#pragma once
// Kalvimo.ini: the saved directory, station, check boxes and mode, eleven lines.
#include <array>
#include <string>
#include <string_view>

namespace kalvimo {

struct Settings {
    // Order of the check-box lines 3 to 9.
    enum Box { Check1, Check5, Check7, Check3, Check2, Check4, Check8, BoxCount };

    std::string curDir;                 // Windows-1251 bytes as saved
    std::string station = "ZARYA-UZEL"; // Windows-1251 bytes
    std::array<int, BoxCount> checks{}; // 0 clear, 1 ticked, 2 greyed
    bool optionFile = false;
    bool optionDir = true;

    // Reading stopped at a bad or missing line; curDir is then "c:\" and what was read before
    // the failure stays.
    bool readFailed = false;
    int linesApplied = 0;
};

// Applies the lines of the file, in order, onto the initial values, stopping at the first
// failure. A missing file reads as an empty one.
Settings parseSettings(std::string_view content, Settings initial = {});

// The eleven lines, each ending in CR LF.
std::string formatSettings(const Settings& settings);

// Writes Kalvimo.ini of the data directory whole, holding the directory's lock for the write
// (up to two seconds of waiting for another program's run). Throws IoError.
void saveSettingsFile(const std::string& dataRoot, const Settings& settings);

}  // namespace kalvimo
