// The full run: which kinds run and in which order, the one clearing, the shared progress
// range, the status sequence, and the state it leaves.
#include <gtest/gtest.h>

#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::string kDevA = "0012/0034/0005";
const std::string kDevB = "0099/0001/0002";

std::vector<std::string> numReport(const std::string& number, const std::string& device = kDevA) {
    return {header(), line2(device, "STATUS REPORT"), numberLine(number), "  BODY NO = 0 LAST REPORT"};
}

std::vector<std::string> alarmReport() {
    return {header(), "  T", at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9", "  ALARM", ""};
}

void tickAll(Bench& b) {
    for (Box box : {RunKind::Reports, RunKind::Devices, RunKind::Rrn121, RunKind::Alarms, RunKind::Rrn48})
        b.options.set(box, 1);
}

// Three files with something for every kind.
void threeFiles(Bench& b) {
    b.addInput("a.s12", crlf(numReport("121") + anomalyReport("A1") + alarmReport()));
    b.addInput("b.s12", crlf(numReport("48", kDevB)));
    b.addInput("c.s12", crlf(numReport("7") + anomalyReport("C1")));
    b.lists.reports = {"121", "48"};
    b.lists.devices = {kDevA + " CBR", kDevB + " GTS"};
}

}  // namespace

TEST(FullRun, EveryKindTickedRunsInTheFixedOrderAcrossOneRange) {
    Bench b;
    threeFiles(b);
    tickAll(b);
    b.runner.run(RunKind::Full);
    // k = 2 numbers + 2 devices + 121 + alarms + 48 = 7 passes of 2 steps each.
    EXPECT_EQ(b.rec.events[0], "cleared");
    EXPECT_EQ(b.rec.events[1], "range:0..14");
    EXPECT_EQ(b.rec.values, (std::vector<int>{0, 1, 2, 2, 3, 4, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 12, 12, 13, 14, 0}));
    EXPECT_EQ(b.rec.statuses,
              (std::vector<std::string>{
                  "Идет обработка каталога RRN - 121", "Идет обработка каталога RRN - 48", "Каталог обработан", kStop,
                  "Идет обработка каталога по устройству CBR", "Каталог обработан",
                  "Идет обработка каталога по устройству GTS", "Каталог обработан",
                  "Идет обработка каталога RRN - 121", "Каталог обработан", kStop, "Идет обработка каталога Аварии",
                  "Каталог обработан", "Идет обработка каталога RRN - 48", "Каталог обработан",
                  "  Идет обработка ошибок  2", "Составляется отчет", kStop}));
    const std::vector<std::string> tail(b.rec.events.end() - 4, b.rec.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"pause:final", "status:" + kStop, "value:0", "range:0..2"}));
    EXPECT_EQ(std::count(b.rec.events.begin(), b.rec.events.end(), "cleared"), 1);
    EXPECT_EQ(dirEntries(b.data("log")), (std::vector<std::string>{"CBRrep.log", "GTSrep.log", "alarm.log",
                                                                   "rep121.log", "rep48.log"}));
    // rep48.log is the RRN 48 result: the working list's rep48.log was replaced by it.
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate, "C1 N123 " + kDate}));
    EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf({"  ALARM"}));
    EXPECT_TRUE(fileExists(b.data("error/errorstat")));
    EXPECT_FALSE(b.runner.context().inFullRun());
    EXPECT_EQ(b.runner.context().progressCount(), 0);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
}

TEST(FullRun, NothingTickedOnlyClearsAndStops) {
    Bench b;
    threeFiles(b);
    makeDir(b.data("log"));
    writeFile(b.data("log/old.log"), "x");
    b.runner.run(RunKind::Full);
    EXPECT_EQ(b.rec.events, (std::vector<std::string>{"cleared", "range:0..2", "pause:final", "status:" + kStop,
                                                      "value:0", "range:0..2"}));
    EXPECT_EQ(dirEntries(b.data("log")), std::vector<std::string>{});
    EXPECT_EQ(dirEntries(b.data("error")), std::vector<std::string>{});
}

TEST(FullRun, GreyedBoxesAreSkipped) {
    Bench b;
    threeFiles(b);
    for (Box box : {RunKind::Reports, RunKind::Devices, RunKind::Rrn121, RunKind::Rrn48})
        b.options.set(box, 2);
    b.options.set(RunKind::Alarms, 1);
    b.runner.run(RunKind::Full);
    EXPECT_EQ(b.rec.events[1], "range:0..2");  // k = 1: alarms only
    EXPECT_EQ(dirEntries(b.data("log")), std::vector<std::string>{"alarm.log"});
    EXPECT_EQ(b.rec.statuses, (std::vector<std::string>{"Идет обработка каталога Аварии", "Каталог обработан", kStop}));
}

TEST(FullRun, OnlyRrn48GivesTheSameFilesAsItsButton) {
    Bench full, alone;
    for (Bench* b : {&full, &alone}) threeFiles(*b);
    full.options.set(RunKind::Rrn48, 1);
    full.runner.run(RunKind::Full);
    alone.runner.run(RunKind::Rrn48);
    for (const char* dir : {"log", "error"}) {
        const auto names = dirEntries(alone.data(dir));
        ASSERT_EQ(dirEntries(full.data(dir)), names) << dir;
        for (const auto& name : names) {
            const std::string path = under(dir, name);
            EXPECT_EQ(readFile(full.data(path)), readFile(alone.data(path))) << path;
        }
    }
}

TEST(FullRun, FewFilesAndEmptyListsKeepTheRangeValid) {
    struct Case {
        int files;
        bool emptyLists;
        std::string first, last;
    } cases[] = {
        {1, false, "range:0..1", "range:0..1"},
        {0, false, "range:0..1", "range:0..1"},
        {3, true, "range:0..6", "range:0..2"},  // k = 0 + 0 + 1 + 1 + 1
    };
    for (const auto& c : cases) {
        Bench b;
        for (int i = 0; i < c.files; ++i) b.addInput(std::to_string(i) + ".s12", "");
        if (!c.emptyLists) {
            b.lists.reports = {"121"};
            b.lists.devices = {kDevA};
        }
        tickAll(b);
        b.runner.run(RunKind::Full);
        EXPECT_EQ(b.rec.events[1], c.first) << c.files;
        EXPECT_EQ(b.rec.events.back(), c.last) << c.files;
        for (const auto& e : b.rec.events)
            if (e.rfind("range:", 0) == 0) {
                EXPECT_NE(e, "range:0..0") << c.files;
            }
    }
}

TEST(FullRun, RefusalsInsideGoOnToTheNextKind) {
    Bench b;
    b.input.fileModeFlag = true;  // no current file: every kind refuses
    tickAll(b);
    b.lists.reports = {"121"};
    b.lists.devices = {kDevA};
    b.runner.run(RunKind::Full);
    EXPECT_EQ(b.rec.statuses,
              (std::vector<std::string>{"Файл не выбран", kStop, "Файл не выбран", "Файл не выбран", kStop,
                                        "Файл не выбран", "Файл не выбран", kStop}));
    EXPECT_EQ(b.runner.outcome().refusals, 5);
}

TEST(FullRun, AFailedResultFileEndsTheWholeRun) {
    Bench b;
    threeFiles(b);
    tickAll(b);
    makeDir(b.data("log"));
    makeDir(b.data("log/alarm.log"));  // a directory: cannot be created as a file
    b.runner.run(RunKind::Full);
    EXPECT_TRUE(b.runner.outcome().aborted);
    EXPECT_NE(b.rec.statuses.back().find("alarm.log"), std::string::npos) << b.rec.statuses.back();
    EXPECT_FALSE(fileExists(b.data("error/errorstat")));  // the RRN 48 kind never ran
    EXPECT_FALSE(b.runner.context().inFullRun());
    EXPECT_EQ(b.runner.context().progressCount(), 0);
    EXPECT_EQ(b.rec.values.back(), 0);
    // The next run works.
    std::filesystem::remove(fsPath(b.data("log/alarm.log")));
    b.runner.run(RunKind::Full);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf({"  ALARM"}));
}
