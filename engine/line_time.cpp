#include "engine/line_time.h"

#include <chrono>

namespace kalvimo {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isDateSeparator(char c) { return c == '-' || c == '.' || c == '/'; }

// The decimal value of text made of digits only, or -1.
int digits(std::string_view text) {
    if (text.empty()) return -1;
    int v = 0;
    for (char c : text) {
        if (!isDigit(c)) return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The word ending at end (exclusive), after skipping blanks before end; end moves to its start.
std::string_view wordBefore(std::string_view line, size_t& end) {
    while (end > 0 && isBlank(line[end - 1])) --end;
    size_t start = end;
    while (start > 0 && !isBlank(line[start - 1])) --start;
    std::string_view word = line.substr(start, end - start);
    end = start;
    return word;
}

// Seconds of the day of "hh:mm" or "hh:mm:ss", or -1.
int timeOfDay(std::string_view w) {
    if (w.size() != 5 && w.size() != 8) return -1;
    if (w[2] != ':' || (w.size() == 8 && w[5] != ':')) return -1;
    const int h = digits(w.substr(0, 2)), m = digits(w.substr(3, 2));
    const int s = w.size() == 8 ? digits(w.substr(6, 2)) : 0;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}

// Days since 1970-01-01 of one of the date forms, or nothing.
std::optional<std::int64_t> date(std::string_view w) {
    int y, m, d;
    if (w.size() == 10 && isDateSeparator(w[4]) && w[7] == w[4]) {  // yyyy-mm-dd
        y = digits(w.substr(0, 4));
        m = digits(w.substr(5, 2));
        d = digits(w.substr(8, 2));
    } else if ((w.size() == 10 || w.size() == 8) && isDateSeparator(w[2]) && w[5] == w[2]) {
        d = digits(w.substr(0, 2));
        m = digits(w.substr(3, 2));
        y = digits(w.substr(6));
        if (w.size() == 8 && y >= 0) y += y >= 70 ? 1900 : 2000;
    } else {
        return std::nullopt;
    }
    if (y < 0 || m < 0 || d < 0) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                                          std::chrono::day(static_cast<unsigned>(d))};
    if (!ymd.ok()) return std::nullopt;
    return std::chrono::sys_days(ymd).time_since_epoch().count();
}

}  // namespace

std::optional<std::int64_t> lineTime(std::string_view line) {
    size_t end = line.size();
    const int seconds = timeOfDay(wordBefore(line, end));
    if (seconds < 0) return std::nullopt;
    const auto days = date(wordBefore(line, end));
    if (!days) return std::nullopt;
    return *days * 86400 + seconds;
}

std::int64_t daysFromCivil(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return sys_days(year_month_day{year(y), month(m), day(d)}).time_since_epoch().count();
}

void civilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
    using namespace std::chrono;
    const year_month_day ymd{sys_days{days{z}}};
    y = static_cast<int>(ymd.year());
    m = static_cast<unsigned>(ymd.month());
    d = static_cast<unsigned>(ymd.day());
}

}  // namespace kalvimo
