#include "lists/list_files.h"

#include "platform/collate.h"
#include "platform/data_lock.h"
#include "platform/files.h"

namespace kalvimo {

std::string reportEntry(std::string_view line) { return std::string(line.substr(0, 5)); }

std::vector<std::string> loadWorkingReports(const std::string& path) {
    std::vector<std::string> entries;
    for (const auto& line : readListLines(path)) entries.push_back(reportEntry(line));
    sortAlphabetically(entries, TextEncoding::Cp1251);
    return entries;
}

std::vector<std::string> loadWorkingDevices(const std::string& path) {
    std::vector<std::string> entries = readListLines(path);
    sortAlphabetically(entries, TextEncoding::Cp1251);
    return entries;
}

namespace {
const char* const kListUnchanged = "Список не изменён";
}

void appendListLine(const std::string& path, std::string_view line) {
    writeUnderDataLock(path, kListUnchanged, [&] { appendLine(path, line); });
}

void rewriteList(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const auto& line : lines) {
        content += line;
        content += "\r\n";
    }
    writeUnderDataLock(path, kListUnchanged, [&] { writeFileAtomically(path, content); });
}

}  // namespace kalvimo
