#include "tests/reference_rrn48.h"

#include <cctype>

namespace kalvimo::test {
namespace {

bool has(const std::string& line, const std::string& text) {
    return text.empty() ? !line.empty() : line.find(text) != std::string::npos;
}

std::string cols(const std::string& line, size_t from, size_t n) {
    return from > line.size() ? "" : line.substr(from - 1, n);
}

bool toInt16(std::string s, int& v) {
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    bool neg = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        neg = s[0] == '-';
        s.erase(0, 1);
    }
    if (s.empty()) return false;
    long x = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        x = x * 10 + (c - '0');
        if (x > 99999) return false;
    }
    if (neg) x = -x;
    if (x < -32768 || x > 32767) return false;
    v = static_cast<int>(x);
    return true;
}

}  // namespace

std::vector<std::string> referenceLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string cur;
    bool open = false;
    for (char c : content) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
            open = false;
        } else {
            cur += c;
            open = true;
        }
    }
    if (open) lines.push_back(cur);
    return lines;
}

Rrn48Expectation referenceRrn48(const std::vector<std::string>& contents, const std::string& station,
                                bool searchReports, bool searchDevices, std::vector<std::string> alldev,
                                const std::vector<std::string>& allreports) {
    Rrn48Expectation e;
    bool emptyDeviceListed = false;  // a run lists each missing device once, the empty one too
    for (const auto& content : contents) {
        const auto lines = referenceLines(content);
        size_t i = 0;
        while (i < lines.size()) {
            const std::string& h = lines[i++];
            if (!has(h, station)) continue;
            const std::string date = h.size() <= 25 ? h : h.substr(h.size() - 25);
            if (i >= lines.size()) break;
            const std::string l2 = lines[i++];
            if (l2.find("ANOMALY REPORT") != std::string::npos) {
                const std::string field = cols(l2, 48, 4);
                if (i >= lines.size()) break;
                ++i;
                if (i >= lines.size()) break;
                std::string out = lines[i++] + " " + field + " " + date;
                out.erase(0, out.find_first_not_of(' ') == std::string::npos ? out.size() : out.find_first_not_of(' '));
                e.rep48 += out + "\r\n";
                continue;
            }
            if (searchDevices) {
                const std::string dev = cols(l2, 10, 14);
                bool known = dev.empty() && emptyDeviceListed;
                for (const auto& l : alldev) known = known || has(l, dev);
                if (!known) {
                    emptyDeviceListed = emptyDeviceListed || dev.empty();
                    alldev.push_back(dev);
                    e.newdev.push_back(dev);
                }
            }
            if (i >= lines.size()) break;
            const std::string l3 = lines[i++];
            int n;
            if (searchReports && toInt16(cols(l3, 21, 5), n)) {
                const std::string key = std::to_string(n);
                bool known = false;
                for (const auto& l : allreports) known = known || has(l, key);
                for (const auto& l : e.newrep) known = known || has(l, key);
                if (!known) e.newrep.push_back(key);
            }
        }
    }
    e.alldev = alldev;
    return e;
}

}  // namespace kalvimo::test
