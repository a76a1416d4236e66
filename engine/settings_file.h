#pragma once
// Kalvimo.ini: the saved directory, station, check boxes and mode, eleven lines.
#include <string>
#include <string_view>

#include "engine/choices.h"

namespace kalvimo {

struct Settings {
    std::string curDir;                 // Windows-1251 bytes as saved
    std::string station = "ZARYA-UZEL"; // Windows-1251 bytes
    BoxStates checks;                   // lines 3 to 9, in the order of the boxes
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

// Kalvimo.ini of the data directory as start-up reads it: a file that is missing or cannot be
// read fails at its first line.
Settings loadSettingsFile(const std::string& dataRoot);

// The saved directory as a path of this system (UTF-8). A file that failed to read leaves
// "c:\", which is that drive on Windows; where there are no drives it stands for the home
// directory.
std::string settingsDirectory(const Settings& settings, const std::string& homeDirectory);

// Writes Kalvimo.ini of the data directory whole, holding the directory's lock for the write
// (up to two seconds of waiting for another program's run). Throws IoError.
void saveSettingsFile(const std::string& dataRoot, const Settings& settings);

}  // namespace kalvimo
