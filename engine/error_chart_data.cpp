#include "engine/error_chart_data.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "engine/line_time.h"

namespace kalvimo {
namespace {

std::int64_t monthOfDay(std::int64_t day) {
    int y;
    unsigned m, d;
    civilFromDays(day, y, m, d);
    return static_cast<std::int64_t>(y) * 12 + (m - 1);
}

std::int64_t firstDayOfMonth(std::int64_t month) {
    const std::int64_t y = month >= 0 ? month / 12 : (month - 11) / 12;
    return daysFromCivil(static_cast<int>(y), static_cast<unsigned>(month - y * 12) + 1, 1);
}

}  // namespace

std::vector<TypeBar> typeBars(const ErrorTally& tally, const std::vector<std::string>& catalogue, size_t top) {
    std::vector<TypeBar> bars;
    const std::vector<int> types = tally.typesByCount();
    TypeBar others;
    others.kind = TypeBar::Kind::Others;
    for (size_t i = 0; i < types.size(); ++i) {
        const int t = types[i];
        if (i < top) {
            bars.push_back({TypeBar::Kind::Type, t, tally.count(t), 0, tally.typeTexts(t), firstDescription(catalogue, t)});
        } else {
            others.count += tally.count(t);
            ++others.typesInside;
        }
    }
    if (others.typesInside > 0) bars.push_back(others);
    auto summed = [&](TypeBar::Kind kind, long count) {
        TypeBar bar;
        bar.kind = kind;
        bar.count = count;
        bars.push_back(bar);
    };
    if (tally.untyped() > 0) summed(TypeBar::Kind::Untyped, tally.untyped());
    summed(TypeBar::Kind::Restarts, tally.restarts());
    summed(TypeBar::Kind::Reboots, tally.reboots());
    return bars;
}

TimeChart timeChart(const ErrorTally& tally, size_t top) {
    TimeChart chart;
    chart.undated = tally.undated();
    if (tally.days().empty()) return chart;

    const std::int64_t span = tally.lastTime() - tally.firstTime();
    const std::int64_t firstDay = tally.days().begin()->first, lastDay = tally.days().rbegin()->first;
    chart.unit = span <= ErrorTally::kHourSpan && tally.hoursKept()              ? TimeUnit::Hour
                 : span <= std::int64_t{kDaySpanDays} * 86400                    ? TimeUnit::Day
                 : monthOfDay(lastDay) - monthOfDay(firstDay) < kMaxMonthPeriods ? TimeUnit::Month
                                                                                 : TimeUnit::Year;
    const auto& source = chart.unit == TimeUnit::Hour ? tally.hours() : tally.days();
    // The period of a key of the source, numbered on the unit's own scale.
    auto periodOf = [&](std::int64_t key) {
        return chart.unit == TimeUnit::Month ? monthOfDay(key) : chart.unit == TimeUnit::Year ? monthOfDay(key) / 12 : key;
    };
    // Every period from the first to the last; only the periods with lines when dates far
    // apart would make more bars than one can see.
    std::vector<std::int64_t> periods;
    const std::int64_t first = periodOf(source.begin()->first), last = periodOf(source.rbegin()->first);
    if (last - first < kMaxPeriods) {
        for (std::int64_t p = first; p <= last; ++p) periods.push_back(p);
    } else {
        for (const auto& entry : source)
            if (periods.empty() || periods.back() != periodOf(entry.first)) periods.push_back(periodOf(entry.first));
        chart.gapsLeftOut = true;
    }
    const size_t n = periods.size();
    for (std::int64_t p : periods) {
        chart.starts.push_back(chart.unit == TimeUnit::Hour    ? p * 3600
                               : chart.unit == TimeUnit::Day   ? p * 86400
                               : chart.unit == TimeUnit::Month ? firstDayOfMonth(p) * 86400
                                                               : firstDayOfMonth(p * 12) * 86400);
    }

    // The most frequent types among the dated lines.
    std::unordered_map<int, long> dated;
    for (const auto& [key, counts] : source)
        for (const auto& [type, k] : counts.types) dated[type] += k;
    std::vector<std::pair<int, long>> ranked(dated.begin(), dated.end());
    std::sort(ranked.begin(), ranked.end(),
              [](const auto& a, const auto& b) { return a.second != b.second ? a.second > b.second : a.first < b.first; });
    if (ranked.size() > top) ranked.resize(top);
    std::unordered_map<int, size_t> seriesOf;
    for (const auto& [type, k] : ranked) {
        seriesOf[type] = chart.series.size();
        chart.series.push_back({type, tally.typeTexts(type), std::vector<long>(n, 0)});
    }
    TimeSeries rest{-1, {}, std::vector<long>(n, 0)};
    chart.restarts.assign(n, 0);
    chart.reboots.assign(n, 0);
    for (const auto& [key, counts] : source) {
        const size_t i = static_cast<size_t>(std::lower_bound(periods.begin(), periods.end(), periodOf(key)) - periods.begin());
        for (const auto& [type, k] : counts.types) {
            const auto s = seriesOf.find(type);
            (s == seriesOf.end() ? rest : chart.series[s->second]).counts[i] += k;
        }
        rest.counts[i] += counts.untyped;
        chart.restarts[i] += counts.restarts;
        chart.reboots[i] += counts.reboots;
    }
    if (std::any_of(rest.counts.begin(), rest.counts.end(), [](long k) { return k > 0; }))
        chart.series.push_back(std::move(rest));
    return chart;
}

std::string periodLabel(TimeUnit unit, std::int64_t start) {
    const std::int64_t day = start >= 0 ? start / 86400 : (start - 86399) / 86400;
    int y;
    unsigned m, d;
    civilFromDays(day, y, m, d);
    char text[32];
    switch (unit) {
    case TimeUnit::Hour:
        std::snprintf(text, sizeof text, "%02u.%02u %02d:00", d, m, static_cast<int>((start - day * 86400) / 3600));
        break;
    case TimeUnit::Day: std::snprintf(text, sizeof text, "%02u.%02u.%04d", d, m, y); break;
    case TimeUnit::Month: std::snprintf(text, sizeof text, "%02u.%04d", m, y); break;
    case TimeUnit::Year: std::snprintf(text, sizeof text, "%04d", y); break;
    }
    return text;
}

}  // namespace kalvimo
