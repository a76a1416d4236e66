#include "engine/line_time.h"

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

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(int y, unsigned m) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
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
    if (y < 0 || m < 1 || m > 12 || d < 1 || static_cast<unsigned>(d) > daysInMonth(y, static_cast<unsigned>(m)))
        return std::nullopt;
    return daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
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
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe) + static_cast<int>(era) * 400 + (m <= 2);
}

}  // namespace kalvimo
