#pragma once
// What the two charts of errors show, worked out from the counts without any drawing: the
// bars of the chart by type and the periods and series of the chart over time.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/error_tally.h"

namespace kalvimo {

struct TypeBar {
    enum class Kind { Type, Others, Untyped, Restarts, Reboots };
    Kind kind = Kind::Type;
    int type = -1;             // for Type
    long count = 0;
    int typesInside = 0;       // for Others: how many types it sums
    std::vector<std::string> typeTexts;  // for Type: the names of its files in error/ (Windows-1251)
    std::string description;   // for Type: the first catalogue description (Windows-1251)
};

// From the top: the most frequent types (at most top), the rest summed as one bar when there
// is a rest, the lines without a type when there are any, then restarts and reboots, always.
std::vector<TypeBar> typeBars(const ErrorTally& tally, const std::vector<std::string>& catalogue, size_t top = 20);

enum class TimeUnit { Hour, Day, Month, Year };

struct TimeSeries {
    int type = -1;          // -1: the sum of all other lines, lines without a type included
    std::vector<std::string> typeTexts;  // the names of its files in error/ (Windows-1251)
    std::vector<long> counts;  // one per period
};

struct TimeChart {
    TimeUnit unit = TimeUnit::Hour;
    std::vector<std::int64_t> starts;  // the first second of each period, without gaps
    std::vector<TimeSeries> series;    // the most frequent types of the dated lines, then the rest
    std::vector<long> restarts, reboots;  // one per period
    long undated = 0;
    bool gapsLeftOut = false;  // only the periods with lines, the dates being too far apart
};

// Per hour over at most three days, per day over at most kDaySpanDays days, per month up to
// kMaxMonthPeriods months, per year beyond (so that a long rep48.log still gives bars one can
// see). Empty periods in between stay, unless they would make more than kMaxPeriods periods.
TimeChart timeChart(const ErrorTally& tally, size_t top = 5);
inline constexpr int kDaySpanDays = 62;
inline constexpr int kMaxMonthPeriods = 240;
inline constexpr int kMaxPeriods = 400;

// The label of a period: "28.08 10:00", "28.08.2000", "08.2000" or "2000".
std::string periodLabel(TimeUnit unit, std::int64_t start);

}  // namespace kalvimo
