// The scanning frame as the RRN 48 member runs it: refusals, the walk, progress values,
// status sequences, the clearing of the output directories and the full-run behaviour.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/system.h"
#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

void seedOldResults(Bench& b) {
    makeDir(b.data("log"));
    makeDir(b.data("error"));
    makeDir(b.data("error/sub"));
    writeFile(b.data("log/old.log"), "old");
    writeFile(b.data("log/OLD.LOG"), "old");
    writeFile(b.data("log/keep.txt"), "keep");
    writeFile(b.data("error/12"), "old");
    writeFile(b.data("error/noext"), "old");
    writeFile(b.data("alldev.ini"), "list\r\n");
#ifdef _WIN32
    // The link every Windows user may make is a junction, to a directory; wine makes none.
    makeDir(b.tmp.file("outside"));
    writeFile(b.tmp.file("outside/outside.txt"), "outside");
    makeJunction(b.tmp.file("outside"), b.data("log/link.log"));
#else
    writeFile(b.tmp.file("outside.txt"), "outside");
    ASSERT_EQ(::symlink(b.tmp.file("outside.txt").c_str(), b.data("log/link.log").c_str()), 0);
#endif
}

// What the link left in the data directory points at.
const char* const kOutside = kalvimo::sys::kWindows ? "outside/outside.txt" : "outside.txt";

}  // namespace

TEST(ScanFrame, RefusalsClearFirstAndEndWithStop) {
    struct Case {
        const char* what;
        bool fileMode;
        std::string refusal;
    } cases[] = {
        {"directory without files", false, "Нет файлов *.s12 в выбранном каталоге"},
        {"file mode without a current file", true, "Файл не выбран"},
    };
    for (const auto& c : cases) {
        Bench b;
        seedOldResults(b);
        b.input.fileModeFlag = c.fileMode;
        b.runner.run(RunKind::Rrn48);
        EXPECT_EQ(b.rec.events, (std::vector<std::string>{"cleared", "value:0", "range:0..1", "status:" + c.refusal,
                                                          "pause:closing", "status:" + kStop, "value:0"}))
            << c.what;
        // The link named like a result goes, its target stays.
        EXPECT_EQ(dirEntries(b.data("log")), (std::vector<std::string>{"keep.txt"})) << c.what;
        EXPECT_EQ(dirEntries(b.data("error")), std::vector<std::string>{"sub"}) << c.what;
        EXPECT_EQ(readFile(b.tmp.file(kOutside)), "outside");
        EXPECT_EQ(readFile(b.data("alldev.ini")), "list\r\n");
        EXPECT_EQ(b.runner.outcome().refusals, 1);
    }
}

TEST(ScanFrame, DirectoryWalkOfThreeFiles) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.addInput("b.s12", "");
    b.addInput("c.s12", crlf(anomalyReport("C1") + anomalyReport("C2")));
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(b.input.selections, (std::vector<int>{0, 1, 2, 0, 1, 2}));  // walk, then file rows
    EXPECT_EQ(b.input.current, 2);
    EXPECT_EQ(b.rec.values, (std::vector<int>{0, 0, 1, 2, 0}));
    EXPECT_EQ(b.rec.statuses,
              (std::vector<std::string>{"Идет обработка каталога RRN - 48", "Каталог обработан",
                                        "  Идет обработка ошибок  3", "Составляется отчет", kStop}));
    EXPECT_EQ(b.rec.events[2], "range:0..2");
    EXPECT_EQ(b.runner.context().progressCount(), 0);
    EXPECT_EQ(readFile(b.data("log/rep48.log")),
              crlf({"A1 N123 " + kDate, "C1 N123 " + kDate, "C2 N123 " + kDate}));
    EXPECT_FALSE(b.runner.outcome().anyFailure());
}

TEST(ScanFrame, FileModeScansOnlyTheCurrentFileAndLeavesProgressAlone) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.addInput("b.s12", crlf(anomalyReport("B1")));
    b.useFile("b.s12");
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"B1 N123 " + kDate}));
    EXPECT_EQ(b.rec.values, (std::vector<int>{0, 0}));  // the reset at the start and at the end
    EXPECT_EQ(b.rec.statuses.front(), "Идет обработка файла RRN - 48");
    EXPECT_EQ(b.rec.statuses[1], "Файл обработан");
}

TEST(ScanFrame, FullModeSkipsClearingProgressSetUpAndPause) {
    Bench b;
    seedOldResults(b);
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.addInput("b.s12", "");
    InsideFullRun full(b, 5, /*keepOutputs=*/true);
    full.run(RunKind::Rrn48);
    EXPECT_TRUE(fileExists(b.data("log/old.log")));
    EXPECT_EQ(b.rec.values, (std::vector<int>{5, 6}));
    EXPECT_EQ(full.context.progressCount(), 7);
    EXPECT_EQ(b.rec.statuses.back(), "Составляется отчет");
    for (const auto& e : b.rec.events) {
        EXPECT_NE(e, "pause:closing");
        EXPECT_NE(e.substr(0, 6), "range:");
    }
}

TEST(ScanFrame, SwitchToFileModeDuringTheWalkEndsItAfterTheCurrentFile) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.addInput("b.s12", crlf(anomalyReport("B1")));
    b.addInput("c.s12", crlf(anomalyReport("C1")));
    b.input.onSelect = [&](int i) {
        if (i == 1) b.input.fileModeFlag = true;
    };
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate, "B1 N123 " + kDate}));
    EXPECT_EQ(b.rec.statuses[1], "Файл обработан");
    // The report's file rows follow the mode as it is now: the current file only.
    const std::string stat = readFile(b.data("error/errorstat"));
    EXPECT_NE(stat.find("  b.s12   "), std::string::npos);
    EXPECT_EQ(stat.find("  a.s12   "), std::string::npos);
}

TEST(ScanFrame, StationAndSearchBoxesAreReadDuringTheRun) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1") + otherReport("0001/0001/0001", "5")));
    b.addInput("b.s12", crlf({"  OTHER-ST " + kDate, line2("D", "ANOMALY REPORT", "N9"), "3", "B1"}) +
                            crlf(otherReport("0002/0002/0002", "6")));
    b.input.onSelect = [&](int i) {
        if (i == 1) {
            b.options.station = "OTHER-ST";
            b.options.set(Search::NewDevices, 1);
        }
    };
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate, "B1 N9 " + kDate}));
    // The second file's other report has the old station name: not a header any more.
    EXPECT_FALSE(fileExists(b.data("error/newdev")));
}

TEST(ScanFrame, StopRequestEndsTheRunWithoutAnalysis) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.addInput("b.s12", crlf(anomalyReport("B1")));
    b.input.onSelect = [&](int i) {
        if (i == 1) b.stop = true;
    };
    b.runner.run(RunKind::Rrn48);
    EXPECT_TRUE(b.runner.outcome().stopped);
    EXPECT_FALSE(fileExists(b.data("error/errorstat")));
    // What the first file gave is written, in whole lines; the status says the run was stopped.
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate}));
    ASSERT_GE(b.rec.statuses.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(b.rec.statuses.end() - 2, b.rec.statuses.end()),
              (std::vector<std::string>{"Обработка остановлена", kStop}));
    EXPECT_EQ(b.runner.context().progressCount(), 0);
    EXPECT_FALSE(b.runner.context().inFullRun());
}
