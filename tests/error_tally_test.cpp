// The counts behind the charts of errors: the date forms at the end of a line, the types,
// marks and dates of a hand-counted rep48.log, and what each chart makes of them.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "engine/data_dir.h"
#include "engine/error_chart_data.h"
#include "engine/error_tally.h"
#include "engine/line_time.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

std::int64_t at(int y, unsigned mo, unsigned d, int h = 0, int mi = 0, int s = 0) {
    return daysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

// A rep48.log line: the data line with its type in columns 8 to 11, the marks, the date.
std::string line(const std::string& type, const std::string& marks, const std::string& date) {
    return "0012345" + type + " 1 0B DATA " + marks + " N1  " + date;
}

ErrorTally tallyOf(const std::vector<std::string>& lines) {
    ErrorTally t;
    for (const auto& l : lines) t.add(l);
    return t;
}

}  // namespace

TEST(LineTime, FormsAtTheEndOfALine) {
    struct Case {
        const char* what;
        std::string text;
        std::optional<std::int64_t> when;
    } cases[] = {
        {"printout form, blanks around", "N1    28.08.2000   10:15:46 ", at(2000, 8, 28, 10, 15, 46)},
        {"dd-mm-yyyy", "N1 28-08-2000 10:15:46", at(2000, 8, 28, 10, 15, 46)},
        {"dd-mm-yy hh:mm", "N1 28-08-00 10:15", at(2000, 8, 28, 10, 15)},
        {"two-digit year 70 is 1970", "N1 01-01-70 00:00", 0},
        {"two-digit year 69 is 2069", "N1 31.12.69 23:59", at(2069, 12, 31, 23, 59)},
        {"yyyy-mm-dd", "N1 2000-08-28 10:15:46", at(2000, 8, 28, 10, 15, 46)},
        {"slashes", "N1 28/08/2000 10:15", at(2000, 8, 28, 10, 15)},
        {"tabs around and between", "N1\t28.08.2000\t 10:15:46 \t", at(2000, 8, 28, 10, 15, 46)},
        {"the whole line", "28.08.2000 10:15:46", at(2000, 8, 28, 10, 15, 46)},
        {"leap day", "29.02.2000 00:00", at(2000, 2, 29)},
        {"no leap day in 1900", "29.02.1900 00:00", std::nullopt},
        {"no leap day in 2001", "29.02.2001 00:00", std::nullopt},
        {"date glued to text", "N1x28.08.2000 10:15", std::nullopt},
        {"a cut date", "8.08.2000 10:15:46", std::nullopt},
        {"no time", "N1 28.08.2000", std::nullopt},
        {"time before date", "N1 10:15:46 28.08.2000", std::nullopt},
        {"mixed separators", "N1 28.08-2000 10:15", std::nullopt},
        {"hour 24", "N1 28.08.2000 24:00", std::nullopt},
        {"minute 60", "N1 28.08.2000 10:60", std::nullopt},
        {"second 60", "N1 28.08.2000 10:15:60", std::nullopt},
        {"month 13", "N1 28.13.2000 10:15", std::nullopt},
        {"day 0", "N1 00.08.2000 10:15", std::nullopt},
        {"one-digit hour", "N1 28.08.2000 9:05", std::nullopt},
        {"time glued to date", "N1 28.08.2000_10:15", std::nullopt},
        {"empty line", "", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(lineTime(c.text), c.when) << c.what;
    EXPECT_EQ(lineTime("28.08.2000 10:15:32"), 967457732);  // the calendar itself
}

TEST(ErrorTally, HandCountedLog) {
    const ErrorTally t = tallyOf({
        line("12  ", "RESTART", "28.08.2000   10:15:46 "),
        line("0012", "", "28-08-2000 10:40:00"),  // same number, other text
        line("7   ", "REBOOT", "28-08-00 11:05"),
        line("7   ", "RESTART REBOOT", "2000-08-28 11:59:59"),
        line("1A  ", "", "\t28.08.2000\t12:00:00\t"),    // no type
        line("-5  ", "rest boot", "28/08/2000 12:30"),   // no type; lower case is no mark
        line(" 42 ", "", "x28.08.2000 12:31"),           // no date
        line("12  ", "", "31.02.2000 12:00:00"),         // no date
        "short",                                         // neither
        line("3   ", "BOOT", "28.08.2000 24:00"),        // no date
    });
    EXPECT_EQ(t.lines(), 10);
    EXPECT_EQ(t.restarts(), 2);
    EXPECT_EQ(t.reboots(), 3);
    EXPECT_EQ(t.untyped(), 3);
    EXPECT_EQ(t.undated(), 4);
    EXPECT_EQ(t.typesByCount(), (std::vector<int>{12, 7, 3, 42}));
    EXPECT_EQ(t.count(12), 3);
    EXPECT_EQ(t.typeTexts(12), (std::vector<std::string>{"12", "0012"}));  // in the order of their files
    EXPECT_EQ(t.typeTexts(42), std::vector<std::string>{" 42"});

    const std::vector<std::string> catalogue = {"12   twelve first", "7    seven", "12   twelve second"};
    const auto bars = typeBars(t, catalogue, 2);
    using K = TypeBar::Kind;
    struct Expected {
        K kind;
        int type;
        long count;
        int inside;
        std::vector<std::string> texts;
        std::string description;
    } expected[] = {
        {K::Type, 12, 3, 0, {"12", "0012"}, "twelve first"}, {K::Type, 7, 2, 0, {"7"}, "seven"},
        {K::Others, -1, 2, 2, {}, ""},  {K::Untyped, -1, 3, 0, {}, ""},
        {K::Restarts, -1, 2, 0, {}, ""}, {K::Reboots, -1, 3, 0, {}, ""},
    };
    ASSERT_EQ(bars.size(), std::size(expected));
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].kind, expected[i].kind) << i;
        EXPECT_EQ(bars[i].type, expected[i].type) << i;
        EXPECT_EQ(bars[i].count, expected[i].count) << i;
        EXPECT_EQ(bars[i].typesInside, expected[i].inside) << i;
        EXPECT_EQ(bars[i].typeTexts, expected[i].texts) << i;
        EXPECT_EQ(bars[i].description, expected[i].description) << i;
    }

    const TimeChart c = timeChart(t, 2);
    EXPECT_EQ(c.unit, TimeUnit::Hour);
    EXPECT_EQ(c.starts, (std::vector<std::int64_t>{at(2000, 8, 28, 10), at(2000, 8, 28, 11), at(2000, 8, 28, 12)}));
    ASSERT_EQ(c.series.size(), 3u);  // 7 and 12 tie on two dated lines each; the rest has no type
    EXPECT_EQ(c.series[0].type, 7);
    EXPECT_EQ(c.series[0].counts, (std::vector<long>{0, 2, 0}));
    EXPECT_EQ(c.series[1].type, 12);
    EXPECT_EQ(c.series[1].counts, (std::vector<long>{2, 0, 0}));
    EXPECT_EQ(c.series[2].type, -1);
    EXPECT_EQ(c.series[2].counts, (std::vector<long>{0, 0, 2}));
    EXPECT_EQ(c.restarts, (std::vector<long>{1, 1, 0}));
    EXPECT_EQ(c.reboots, (std::vector<long>{0, 2, 0}));
    EXPECT_EQ(c.undated, 4);
    EXPECT_EQ(periodLabel(c.unit, c.starts[0]), "28.08 10:00");
}

TEST(ErrorTally, PeriodFollowsTheSpan) {
    struct Case {
        const char* what;
        std::vector<std::string> dates;
        TimeUnit unit;
        size_t periods;
        std::string firstLabel;
        std::vector<long> totals;  // of the first periods, the rest summed into the last entry
    } cases[] = {
        {"three days exactly: hours", {"01.01.2001 00:00:00", "04.01.2001 00:00:00"}, TimeUnit::Hour, 73,
         "01.01 00:00", {1, 1}},
        {"a second more: days, empty days kept", {"01.01.2001 00:00:00", "04.01.2001 00:00:01"}, TimeUnit::Day, 4,
         "01.01.2001", {1, 0, 0, 1}},
        {"order does not matter", {"04.01.2001 00:00:01", "01.01.2001 00:00:00"}, TimeUnit::Day, 4, "01.01.2001",
         {1, 0, 0, 1}},
        {"beyond two months: months", {"01.01.2001 00:00", "05.03.2001 00:00", "31.01.2001 23:59"}, TimeUnit::Month, 3,
         "01.2001", {2, 0, 1}},
        {"beyond twenty years: years", {"31.12.1969 23:59", "01.01.1990 00:00", "01-01-69 00:00"}, TimeUnit::Year, 101,
         "1969", {1, 2}},
        {"years far apart: only those with lines", {"01.01.0001 00:00", "2000-08-28 10:15", "31.12.9999 23:59"},
         TimeUnit::Year, 3, "0001", {1, 1, 1}},
    };
    for (const auto& k : cases) {
        std::vector<std::string> lines;
        for (const auto& d : k.dates) lines.push_back(line("5   ", "", d));
        const TimeChart c = timeChart(tallyOf(lines));
        EXPECT_EQ(c.unit, k.unit) << k.what;
        ASSERT_EQ(c.starts.size(), k.periods) << k.what;
        EXPECT_EQ(periodLabel(c.unit, c.starts[0]), k.firstLabel) << k.what;
        ASSERT_EQ(c.series.size(), 1u) << k.what;
        std::vector<long> totals(c.series[0].counts.begin(), c.series[0].counts.begin() + long(k.totals.size() - 1));
        long rest = 0;
        for (size_t i = k.totals.size() - 1; i < c.series[0].counts.size(); ++i) rest += c.series[0].counts[i];
        totals.push_back(rest);
        EXPECT_EQ(totals, k.totals) << k.what;
    }
}

TEST(ErrorTally, ReadsTheDataDirectory) {
    struct Case {
        const char* what;
        std::optional<std::string> rep48;  // nothing: no file
        ChartSource::State state;
        long lines;
    } cases[] = {
        {"missing", std::nullopt, ChartSource::State::NoData, 0},
        {"empty", "", ChartSource::State::NoData, 0},
        {"a last line without its break", "a\r\nb", ChartSource::State::Ready, 2},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        makeDir(tmp.file("log"));
        if (c.rep48) writeFile(tmp.file("log/rep48.log"), *c.rep48);
        const ChartSource s = readChartSource(DataDir(tmp.path()));
        EXPECT_EQ(s.state, c.state) << c.what;
        EXPECT_EQ(s.tally.lines(), c.lines) << c.what;
        EXPECT_EQ(dirEntries(tmp.path()), std::vector<std::string>{"log"}) << c.what;  // nothing written
    }
    TempDir tmp;
    makeDir(tmp.file("log"));
    makeDir(tmp.file("log/rep48.log"));
    const ChartSource dir = readChartSource(DataDir(tmp.path()));
    EXPECT_EQ(dir.state, ChartSource::State::Failed);
    EXPECT_NE(dir.problem.find("rep48.log: это каталог"), std::string::npos) << dir.problem;
}
