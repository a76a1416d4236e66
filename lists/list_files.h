#pragma once
// The list files of the data directory as the extractions load them: the working list of
// report numbers and the device working list. Windows-1251 bytes throughout.
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

inline constexpr const char* kWorkingReportsFile = "reports.ini";
inline constexpr const char* kReportCatalogueFile = "allreports.ini";
inline constexpr const char* kWorkingDevicesFile = "dev.ini";
inline constexpr const char* kDeviceCatalogueFile = "alldev.ini";

// The working-list entry of a line of reports.ini: its first five characters, the whole line
// when it is shorter.
std::string reportEntry(std::string_view line);

// The entries of reports.ini in alphabetical order, duplicates and empty entries kept. A
// missing file is an empty list; any other failure throws IoError.
std::vector<std::string> loadWorkingReports(const std::string& path);

// The lines of dev.ini, whole, in alphabetical order. Same failure rules.
std::vector<std::string> loadWorkingDevices(const std::string& path);

// Changes made from the list windows; each throws IoError and leaves the file as it was. Each
// holds the data directory's lock for its write; while another program's run holds it, each
// waits up to two seconds, then throws with a text that says the list was not changed.
// Appends one line, ending a last line that lacks its line break first.
void appendListLine(const std::string& path, std::string_view line);
// Replaces the whole file with the lines, through a temporary file and a rename.
void rewriteList(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kalvimo
