#pragma once
// Counts of rep48.log for the charts of errors: per error type, restarts and reboots, and the
// same per hour and per day of the date at the end of each line. The types follow the error
// analysis exactly, so the counts per type are those of errorstat.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/system.h"

namespace kalvimo {

class DataDir;

// The lines of one hour or one day.
struct PeriodCounts {
    std::unordered_map<int, long> types;
    long untyped = 0;
    long restarts = 0;
    long reboots = 0;
};

class ErrorTally {
public:
    ErrorTally();

    // One line of rep48.log.
    void add(std::string_view line);

    long lines() const { return lines_; }
    long restarts() const { return restarts_; }
    long reboots() const { return reboots_; }
    // Lines whose type text is no whole number or a negative one: in the total, no type.
    long untyped() const { return untyped_; }
    long undated() const { return undated_; }
    long count(int type) const { return type >= 0 && type < kTypes ? counts_[static_cast<size_t>(type)] : 0; }
    // The type texts of the type in the order met (Windows-1251): the names of its files in
    // error/, as "12" and "0012" are one type in two files.
    const std::vector<std::string>& typeTexts(int type) const;
    // The types met, most lines first, then by number.
    std::vector<int> typesByCount() const;

    // Keyed by the hour (seconds / 3600) and the day (seconds / 86400) of lineTime. The hours
    // are kept only while the dated lines span at most three days, as only then are they drawn.
    const std::map<std::int64_t, PeriodCounts>& hours() const { return hours_; }
    const std::map<std::int64_t, PeriodCounts>& days() const { return days_; }
    bool hoursKept() const { return hoursKept_; }
    std::int64_t firstTime() const { return minTime_; }
    std::int64_t lastTime() const { return maxTime_; }

    static constexpr std::int64_t kHourSpan = 3 * 86400;

private:
    static constexpr int kTypes = 32768;
    PeriodCounts& period(std::map<std::int64_t, PeriodCounts>& map, std::int64_t key, std::int64_t& cachedKey,
                         PeriodCounts*& cached);

    long lines_ = 0, restarts_ = 0, reboots_ = 0, untyped_ = 0, undated_ = 0;
    std::vector<long> counts_;
    std::vector<std::vector<std::string>> texts_;
    std::map<std::int64_t, PeriodCounts> hours_, days_;
    bool hoursKept_ = true;
    bool anyDated_ = false;
    std::int64_t minTime_ = 0, maxTime_ = 0;
    // Lines come in time order, so the period of the line before is nearly always the one.
    std::int64_t hourKey_ = 0, dayKey_ = 0;
    PeriodCounts* hour_ = nullptr;
    PeriodCounts* day_ = nullptr;
};

// What the charts read from the data directory.
struct ChartSource {
    enum class State { Ready, NoData, Failed };
    State state = State::NoData;
    std::string problem;           // UTF-8, when Failed
    ErrorTally tally;
    std::vector<std::string> catalogue;  // allerror.ini
    std::string catalogueProblem;  // UTF-8, when allerror.ini exists but cannot be read
};

// The only reading of the data directory for the charts: log/rep48.log in blocks, then
// allerror.ini. A missing or empty rep48.log is NoData. progress gets the whole percentage
// read each time it grows; once cancel is set the reading stops and the result is unfinished.
// The reading holds the data directory's lock, so that a run never rewrites the files under
// it: a directory a run holds is Failed with "Каталог данных занят: ...", unless waiting is
// given, which is then told of each holder while the reading waits for its turn.
ChartSource readChartSource(const DataDir& data, const std::atomic<bool>* cancel = nullptr,
                            const std::function<void(int)>& progress = {},
                            const std::function<void(sys::ProcessId holder)>& waiting = {});

// The description of a type: columns 6 to 75 of its first line in the catalogue, without
// trailing blanks; empty when the catalogue has none.
std::string firstDescription(const std::vector<std::string>& catalogue, int type);

}  // namespace kalvimo
