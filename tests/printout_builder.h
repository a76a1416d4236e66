#pragma once
// Builds report lines with fields at exact columns, for tests.
#include <string>
#include <vector>

namespace kalvimo::test {

// text placed so that it starts at column col (from 1), padding with blanks.
inline std::string at(std::string line, size_t col, const std::string& text) {
    if (line.size() < col - 1) line.resize(col - 1, ' ');
    line.replace(col - 1, std::min(text.size(), line.size() - (col - 1)), text);
    if (line.size() < col - 1 + text.size()) line.replace(col - 1, std::string::npos, text);
    return line;
}

inline const std::string kDate = "   28.08.2000   10:15:32 ";  // 25 characters

inline std::string header(const std::string& station = "ZARYA-UZEL", const std::string& date = kDate) {
    return at("  " + station, 49, date);
}

// Line 2: device in columns 10 to 23, the kind after it, the anomaly field in 48 to 51.
inline std::string line2(const std::string& device, const std::string& kind, const std::string& anomaly = "") {
    std::string l = at(at("  OUTPUT ", 10, device), 26, kind);
    if (!anomaly.empty()) l = at(l, 48, anomaly);
    return l;
}

// Line 3: the number right-aligned in columns 21 to 25, then "  P".
inline std::string numberLine(const std::string& number) {
    std::string field = number.size() >= 5 ? number : std::string(5 - number.size(), ' ') + number;
    return at("  MSG", 21, field + "  P");
}

inline std::vector<std::string> anomalyReport(const std::string& data, const std::string& anomaly = "N123",
                                              const std::string& device = "0012/0034/0005",
                                              const std::string& date = kDate) {
    return {header("ZARYA-UZEL", date), line2(device, "ANOMALY REPORT", anomaly), numberLine("48"), data,
            "   MORE DATA NO = 0"};
}

inline std::vector<std::string> otherReport(const std::string& device, const std::string& number) {
    return {header(), line2(device, "STATUS REPORT"), numberLine(number), "  BODY LINE", "  LAST REPORT"};
}

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace kalvimo::test
