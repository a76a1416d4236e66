#include "tests/reference_extractions.h"

#include "tests/reference_rrn48.h"

namespace kalvimo::test {
namespace {

// An empty text is in every non-empty line and in no empty one.
bool contains(const std::string& line, const std::string& text) {
    if (text.empty()) return !line.empty();
    return line.find(text) != std::string::npos;
}

void put(std::string& out, const std::string& line) { out += line + "\r\n"; }

}  // namespace

std::string referenceTrimmedNumber(const std::string& number) {
    std::string t = number;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

ReferenceDeviceEntry referenceSplitDeviceEntry(const std::string& entry) {
    ReferenceDeviceEntry e;
    if (entry.size() <= 14) {
        e.device = entry;
        return e;
    }
    e.device = entry.substr(0, 14);
    std::string c = entry.substr(14);
    while (!c.empty() && c.front() == ' ') c.erase(0, 1);
    while (!c.empty() && c.back() == ' ') c.pop_back();
    e.comment = c;
    return e;
}

std::string referenceNumberReports(const std::vector<std::string>& contents, const std::string& station,
                                   const std::string& number) {
    const std::string pattern = referenceTrimmedNumber(number) + "  P";
    std::string out;
    for (const auto& content : contents) {
        const std::vector<std::string> lines = referenceLines(content);
        const size_t n = lines.size();
        size_t i = 0;
        while (i < n) {
            const std::string& header = lines[i];
            i = i + 1;
            if (!contains(header, station)) continue;
            // Line 2: taken, never looked at.
            if (i >= n) break;
            i = i + 1;
            // Line 3: the number line.
            if (i >= n) break;
            const std::string& numberLine = lines[i];
            i = i + 1;
            if (!contains(numberLine, pattern)) continue;
            put(out, header);
            put(out, "");
            while (i < n) {
                const std::string& body = lines[i];
                i = i + 1;
                put(out, body);
                if (contains(body, "NO = 0")) break;
            }
            // A cut report is closed the same way as a whole one.
            put(out, "");
            put(out, "");
        }
    }
    return out;
}

std::string referenceDeviceReports(const std::vector<std::string>& contents, const std::string& station,
                                   const std::string& deviceText) {
    std::string out;
    for (const auto& content : contents) {
        const std::vector<std::string> lines = referenceLines(content);
        const size_t n = lines.size();
        size_t i = 0;
        while (i < n) {
            const std::string& header = lines[i];
            i = i + 1;
            if (!contains(header, station)) continue;
            if (i >= n) break;
            const std::string& deviceLine = lines[i];
            i = i + 1;
            if (!contains(deviceLine, deviceText)) continue;
            put(out, header);
            put(out, deviceLine);
            put(out, "");
            while (i < n) {
                const std::string& body = lines[i];
                i = i + 1;
                put(out, body);
                if (contains(body, "LAST REPORT")) break;
            }
            put(out, "");
            put(out, "");
        }
    }
    return out;
}

std::string referenceAlarms(const std::vector<std::string>& contents, const std::string& station) {
    const std::vector<std::string> dropWords = {"SPECIAL", "CAT", "DIRECT", "EXTERNAL", "SBL"};
    std::string out;
    for (const auto& content : contents) {
        const std::vector<std::string> lines = referenceLines(content);
        const size_t n = lines.size();
        size_t i = 0;
        bool fileEnded = false;
        while (i < n && !fileEnded) {
            const std::string& header = lines[i];
            i = i + 1;
            if (!contains(header, station)) continue;
            if (i >= n) break;
            i = i + 1;  // title
            if (i >= n) break;
            const std::string& numberLine = lines[i];
            i = i + 1;
            if (!contains(numberLine, "00011  P")) continue;
            // Lines 4 to 9; only line 9 matters.
            std::string current;
            for (int k = 4; k <= 9; ++k) {
                if (i >= n) {
                    fileEnded = true;
                    break;
                }
                current = lines[i];
                i = i + 1;
            }
            if (fileEnded) break;
            while (!current.empty()) {
                if (i >= n) {
                    fileEnded = true;
                    break;
                }
                current = lines[i];
                i = i + 1;
                if (current.empty()) break;
                bool dropped = false;
                for (const auto& w : dropWords) dropped = dropped || contains(current, w);
                if (!dropped) put(out, current);
            }
        }
    }
    return out;
}

std::map<std::string, std::string> referenceWorkingListRun(const std::vector<std::string>& contents,
                                                           const std::string& station,
                                                           const std::vector<std::string>& entries) {
    std::map<std::string, std::string> files;
    for (const auto& entry : entries)
        files["rep" + referenceTrimmedNumber(entry) + ".log"] = referenceNumberReports(contents, station, entry);
    return files;
}

std::map<std::string, std::string> referenceDeviceRun(const std::vector<std::string>& contents,
                                                      const std::string& station,
                                                      const std::vector<std::string>& entries) {
    std::map<std::string, std::string> files;
    for (const auto& entry : entries) {
        const ReferenceDeviceEntry e = referenceSplitDeviceEntry(entry);
        files[e.comment + "rep.log"] = referenceDeviceReports(contents, station, e.device);
    }
    return files;
}

}  // namespace kalvimo::test
