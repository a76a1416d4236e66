// Faults injected into runs and list changes: input files that change while they are read, a
// data directory that is missing or is a file, a list rewrite cut short between the temporary
// file and the rename. After each: a status naming the file, no crash, lists unchanged, and
// the next run works.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <optional>
#include <stdexcept>

#include "lists/list_files.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "tests/file_size_limit.h"
#include "tests/printout_builder.h"
#include "tests/reference_extractions.h"
#include "tests/test_support.h"
#ifndef _WIN32
#include "tests/unprivileged.h"
#endif

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

std::vector<std::string> numReport(const std::string& number, const std::string& tag) {
    return {header(), line2("0012/0034/0005", "STATUS REPORT"), numberLine(number), "  " + tag,
            "  END NO = 0"};
}

// A printout of many reports 121, larger than one read block.
std::string bigPrintout(int reports) {
    std::string out;
    for (int i = 0; i < reports; ++i) out += crlf(numReport("121", "R" + std::to_string(i) + std::string(60, 'x')));
    return out;
}

// Options that run an action once, at the n-th time the station is read: the engine reads
// it for every header, so the action happens in the middle of a scan.
struct StationProbe : ScriptedOptions {
    int calls = 0;
    int at = 0;
    std::function<void()> action;
    std::string stationName() override {
        if (++calls == at && action) action();
        return station;
    }
};

}  // namespace

TEST(FaultInjection, InputThatChangesWhileItIsRead) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
    } cases[] = {
        {"truncated to half", [](const std::string& p) { std::filesystem::resize_file(fsPath(p), 300000); }},
        {"truncated to nothing", [](const std::string& p) { std::filesystem::resize_file(fsPath(p), 0); }},
        {"grown by more reports",
         [](const std::string& p) {
             std::string more = readFile(p) + crlf(numReport("121", "LATE"));
             writeFile(p, more);
         }},
        {"deleted", [](const std::string& p) { ASSERT_TRUE(std::filesystem::remove(fsPath(p))); }},
    };
    for (const auto& c : cases) {
        Bench b;
        StationProbe probe;
        Runner runner(DataDir(b.dataRoot),
                      RunEnvironment{b.rec, b.rec, b.input, probe, b.lists, b.rec, b.rec, nullptr});
        b.addInput("a.s12", bigPrintout(8000));  // about 800 KB
        b.addInput("b.s12", crlf(numReport("121", "SECOND")));
        const std::string path = under(b.inputDir, "a.s12");
        probe.at = 100;
        probe.action = [&] { c.change(path); };
        runner.run(RunKind::Rrn121);
        // The run got to its end, and the second file was still read.
        EXPECT_EQ(b.rec.statuses.back(), kStop) << c.what;
        EXPECT_FALSE(runner.outcome().aborted) << c.what;
        const std::string out = readFile(b.data("log/rep121.log"));
        EXPECT_NE(out.find("  SECOND\r\n"), std::string::npos) << c.what;
        const std::string last = crlf({header(), "", "  SECOND", "  END NO = 0", "", ""});
        ASSERT_GE(out.size(), last.size()) << c.what;
        EXPECT_EQ(out.substr(out.size() - last.size()), last) << c.what;
        // Whatever was read of the first file came out as whole blocks.
        size_t blocks = 0;
        for (size_t p = out.find("  END NO = 0\r\n\r\n\r\n"); p != std::string::npos;
             p = out.find("  END NO = 0\r\n\r\n\r\n", p + 1))
            ++blocks;
        size_t headers = 0;
        for (size_t p = out.find(header()); p != std::string::npos; p = out.find(header(), p + 1)) ++headers;
        EXPECT_LE(headers, blocks + 1) << c.what;  // at most one block cut short by the change
        EXPECT_GE(blocks, 100u) << c.what;         // the part read before the change is there
    }
}

TEST(FaultInjection, DataDirectoryThatIsMissingOrAFile) {
    for (const bool isFile : {false, true}) {
        TempDir tmp;
        const std::string root = tmp.file("data");
        if (isFile) writeFile(root, "not a directory");
        Recorder rec;
        ScriptedInput input;
        input.dir = tmp.path();
        writeFile(tmp.file("a.s12"), crlf(numReport("121", "A")));
        input.files = {"a.s12"};
        ScriptedOptions options;
        ScriptedLists lists;
        Runner runner(DataDir(root), RunEnvironment{rec, rec, input, options, lists, rec, rec, nullptr});
        runner.run(RunKind::Rrn121);
        EXPECT_TRUE(runner.outcome().aborted) << isFile;
        ASSERT_FALSE(rec.statuses.empty());
        EXPECT_NE(rec.statuses.back().find(root), std::string::npos) << rec.statuses.back();
        EXPECT_EQ(runner.context().progressCount(), 0);
        if (isFile) EXPECT_EQ(readFile(root), "not a directory");
        else EXPECT_FALSE(fileExists(root));  // nothing created in its place
        // Once the directory is there, the next run works.
        if (isFile) std::filesystem::remove(fsPath(root));
        makeDir(root);
        runner.run(RunKind::Rrn121);
        EXPECT_FALSE(runner.outcome().anyFailure());
        EXPECT_EQ(readFile(under(root, "log/rep121.log")), crlf({header(), "", "  A", "  END NO = 0", "", ""}));
    }
}

#ifndef _WIN32  // a directory's permission bits and the user nobody are POSIX's
TEST(FaultInjection, ReadOnlyErrorDirectory) {
    // An old result the run cannot delete stops it before anything is written; an empty
    // directory lets the RRN 48 pass finish and stops the analysis at its first file.
    struct Case {
        const char* what;
        bool leftover;
        std::string failure;
    } cases[] = {
        {"old errorstat", true, "Не удалось удалить файл "},
        {"empty", false, "Не удалось создать файл "},
    };
    const std::string rep48 = crlf({"A1 N123 " + kDate});
    for (const auto& c : cases) {
        Bench b;
        makeDir(b.data("log"));
        makeDir(b.data("error"));
        if (c.leftover) writeFile(b.data("error/errorstat"), "old");
        b.addInput("a.s12", crlf(anomalyReport("A1")));
        ::chmod(b.data("error").c_str(), 0555);
        Unprivileged user(b.tmp.path());
        if (!user.active()) GTEST_SKIP() << "root cannot give up its rights here";

        b.runner.run(RunKind::Rrn48);
        EXPECT_TRUE(b.runner.outcome().aborted) << c.what;
        EXPECT_EQ(b.rec.statuses.back(), c.failure + b.data("error/errorstat") + ": нет доступа") << c.what;
        EXPECT_EQ(readFile(b.data("error/errorstat")), c.leftover ? "old" : "") << c.what;
        EXPECT_EQ(fileExists(b.data("log/rep48.log")), !c.leftover) << c.what;
        if (!c.leftover) {
            EXPECT_EQ(readFile(b.data("log/rep48.log")), rep48) << c.what;
        }

        // Once the directory may be written again, the next run works.
        ::chmod(b.data("error").c_str(), 0755);
        b.runner.run(RunKind::Rrn48);
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << c.what;
        EXPECT_EQ(readFile(b.data("log/rep48.log")), rep48) << c.what;
        EXPECT_NE(readFile(b.data("error/errorstat")).find(utf8ToCp1251("Всего ошибок:  1 ")), std::string::npos)
            << c.what;
    }
}
#endif

TEST(FaultInjection, ListRewriteCutShortLeavesTheOldList) {
    TempDir tmp;
    const std::string path = tmp.file("dev.ini");
    const std::string old = "0012/0034/0005  CBR\r\n0099/0001/0002\r\n";
    writeFile(path, old);
    struct Crash : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    std::string temporary;
    setBeforeReplaceHook([&](const std::string& tmpFile) {
        temporary = tmpFile;
        throw Crash("killed");
    });
    EXPECT_THROW(rewriteList(path, {"0099/0001/0002"}), Crash);
    setBeforeReplaceHook({});
    // The list is whole and reads as before; the finished temporary file is beside it.
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(loadWorkingDevices(path), (std::vector<std::string>{"0012/0034/0005  CBR", "0099/0001/0002"}));
    EXPECT_EQ(readFile(temporary), "0099/0001/0002\r\n");
    // The next change works and the leftover does not disturb it.
    rewriteList(path, {"A"});
    EXPECT_EQ(readFile(path), "A\r\n");
    appendListLine(path, "B");
    EXPECT_EQ(loadWorkingDevices(path), (std::vector<std::string>{"A", "B"}));
}

TEST(FaultInjection, FailedRunLeavesListsAndCataloguesUnchanged) {
    Bench b;
    const std::string reports = "121\r\n48\r\n", dev = "0012/0034/0005  CBR\r\n", alldev = "0001/0001/0001";
    writeFile(b.data("reports.ini"), reports);
    writeFile(b.data("dev.ini"), dev);
    writeFile(b.data("alldev.ini"), alldev);
    b.addInput("a.s12", crlf(numReport("121", "A")) + crlf({header(), "  T", at("  MSG", 21, "00011  P"), "4", "5",
                                                             "6", "7", "8", "9", "  ALARM", ""}));
    for (Box box : std::initializer_list<Box>{RunKind::Reports, RunKind::Alarms, RunKind::Rrn48, Search::NewDevices})
        b.options.set(box, 1);
    b.lists.reports = {"121", "48"};
    // The disk fills up when the alarms pass begins.
    std::optional<FileSizeLimit> full;
    b.rec.onStatus = [&](const std::string& text) {
        if (text == "Идет обработка каталога Аварии") full.emplace(0);
    };
    b.runner.run(RunKind::Full);
    full.reset();
    b.rec.onStatus = nullptr;
    EXPECT_TRUE(b.runner.outcome().aborted);
    EXPECT_NE(b.rec.statuses.back().find("alarm.log"), std::string::npos) << b.rec.statuses.back();
    EXPECT_EQ(readFile(b.data("reports.ini")), reports);
    EXPECT_EQ(readFile(b.data("dev.ini")), dev);
    EXPECT_EQ(readFile(b.data("alldev.ini")), alldev);
    // The next run, with room on the disk, works and only then extends the catalogue.
    b.runner.run(RunKind::Full);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf({"  ALARM"}));
    EXPECT_EQ(readFile(b.data("alldev.ini")), alldev + "\r\n0012/0034/0005\r\n");
}

TEST(FaultInjection, RunThatDoesNotEndLeavesTheCatalogueAsItWas) {
    // New devices are appended to alldev.ini while the scan goes on; a run that is stopped,
    // fails or aborts afterwards takes them back. Only a run that ends keeps them. newdev and
    // newrep go with the analysis's files when the scan is cut short, and stay with them when
    // it was not.
    struct Case {
        const char* what;
        bool catalogueExists;
        RunKind kind;
        std::function<void(Bench&, StationProbe&, std::optional<FileSizeLimit>&)> fault;
        bool stopped;
        std::vector<std::string> errorDir = {};
    } cases[] = {
        {"stopped in the middle of the scan", true, RunKind::Rrn48,
         [](Bench& b, StationProbe& o, auto&) { o.action = [&b] { b.stop = true; }; }, true},
        {"stopped with no catalogue before the run", false, RunKind::Rrn48,
         [](Bench& b, StationProbe& o, auto&) { o.action = [&b] { b.stop = true; }; }, true},
        {"rep48.log finds the disk full", true, RunKind::Rrn48,
         [](Bench&, StationProbe& o, auto& full) { o.action = [&full] { full.emplace(4096); }; }, false},
        {"something unforeseen", true, RunKind::Rrn48,
         [](Bench&, StationProbe& o, auto&) { o.action = [] { throw std::runtime_error("test"); }; }, false},
        {"stopped in the final pause of a full run", true, RunKind::Full,
         [](Bench& b, StationProbe&, auto&) {
             b.rec.onStatus = [&b](const std::string& text) {
                 if (text == "Составляется отчет") b.stop = true;
             };
         },
         true, {" 12", "errorstat", "newdev", "newrep"}},
    };
    for (const auto& c : cases) {
        Bench b;
        StationProbe options;
        options.at = 150;  // past the reports with new devices
        options.set(Search::NewDevices, 1);
        options.set(Search::NewReports, 1);
        options.set(RunKind::Rrn48, 1);
        Runner runner(DataDir(b.dataRoot), RunEnvironment{b.rec, b.rec, b.input, options, b.lists, b.rec, b.rec, &b.stop});
        const std::string alldev = "0001/0001/0001\r\n";
        if (c.catalogueExists) writeFile(b.data("alldev.ini"), alldev);
        std::vector<std::string> lines;
        for (int i = 0; i < 2100; ++i) {
            const auto report = i < 100 ? otherReport("0012/0034/" + std::to_string(1000 + i), "7")
                                        : anomalyReport("0000000 12 DATA " + std::string(60, 'x'));
            lines.insert(lines.end(), report.begin(), report.end());
        }
        b.addInput("a.s12", crlf(lines));
        std::optional<FileSizeLimit> full;
        c.fault(b, options, full);
        runner.run(c.kind);
        full.reset();
        b.rec.onStatus = nullptr;
        EXPECT_EQ(runner.outcome().stopped, c.stopped) << c.what;
        EXPECT_EQ(runner.outcome().aborted, !c.stopped) << c.what;
        if (c.catalogueExists) EXPECT_EQ(readFile(b.data("alldev.ini")), alldev) << c.what;
        else EXPECT_FALSE(fileExists(b.data("alldev.ini"))) << c.what;
        EXPECT_EQ(dirEntries(b.data("error")), c.errorDir) << c.what;
        EXPECT_EQ(b.rec.statuses.back().find("std::"), std::string::npos) << c.what;

        // The next run ends, and keeps what it appends.
        b.stop = false;
        options.action = nullptr;
        runner.run(c.kind);
        EXPECT_FALSE(runner.outcome().anyFailure()) << c.what;
        EXPECT_EQ(readFile(b.data("alldev.ini")).size(), (c.catalogueExists ? alldev.size() : 0) + 100 * 16) << c.what;
        EXPECT_EQ(readFile(b.data("error/newdev")).size(), 100u * 16) << c.what;
        EXPECT_EQ(readFile(b.data("error/newrep")), "7\r\n") << c.what;
    }
}

TEST(FaultInjection, ResultFileListedAsInputIsSkipped) {
    // The user points the input at log/ itself: the file being written must not be read, or
    // it would grow without end.
    struct Case {
        const char* what;
        std::string result;
        RunKind kind;
    } cases[] = {
        {"RRN 121", "rep121.log", RunKind::Rrn121},
        {"devices", "rep.log", RunKind::Devices},
        {"alarms", "alarm.log", RunKind::Alarms},
    };
    for (const auto& c : cases) {
        Bench b;
        makeDir(b.data("log"));
        b.input.dir = b.data("log");
        const std::string alarm = crlf({header(), "  T", at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9",
                                        "  ALARM", ""});
        writeFile(b.data("log/a.txt"), bigPrintout(3000) + alarm);
        writeFile(b.data("log/" + c.result), "old");
        b.input.files = {"a.txt", c.result};
        b.lists.devices = {"0012/0034/0005"};
        b.runner.run(c.kind);
        EXPECT_EQ(b.runner.outcome().inputFailures, 1) << c.what;
        EXPECT_FALSE(b.runner.outcome().aborted) << c.what;
        const std::string skipped = "Файл " + b.data("log/" + c.result) + " — результат этой же обработки; файл пропущен";
        EXPECT_NE(std::find(b.rec.statuses.begin(), b.rec.statuses.end(), skipped), b.rec.statuses.end()) << c.what;
        EXPECT_EQ(b.rec.statuses.back(), kStop) << c.what;
        EXPECT_LT(readFile(b.data("log/" + c.result)).size(), 2u * 1024 * 1024) << c.what;
    }
}

TEST(FaultInjection, UnexpectedExceptionEndsTheRunNotTheProgram) {
    // Stands for anything that is no file failure, such as memory running out.
    struct ThrowingLists : ScriptedLists {
        std::vector<std::string> workingDevices() override { throw std::runtime_error("test"); }
    };
    Bench b;
    ThrowingLists lists;
    Runner runner(DataDir(b.dataRoot), RunEnvironment{b.rec, b.rec, b.input, b.options, lists, b.rec, b.rec, nullptr});
    b.addInput("a.s12", crlf(numReport("121", "A")));
    b.options.set(RunKind::Devices, 1);
    b.options.set(RunKind::Rrn121, 1);
    runner.run(RunKind::Full);
    EXPECT_TRUE(runner.outcome().aborted);
    EXPECT_EQ(b.rec.statuses.back(), "Обработка прервана: внутренняя ошибка программы");
    EXPECT_FALSE(runner.context().inFullRun());
    EXPECT_EQ(runner.context().progressCount(), 0);
    // The engine is usable afterwards.
    runner.run(RunKind::Rrn121);
    EXPECT_FALSE(runner.outcome().anyFailure());
    EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf({header(), "", "  A", "  END NO = 0", "", ""}));
}

#ifndef _WIN32  // symbolic links; Windows has its junctions test below
TEST(FaultInjection, LinksNamedLikeResultsAreRemovedNeverWrittenThrough) {
    // An alarm report and an anomaly report of error type 12: log/alarm.log, log/rep48.log,
    // error/12 and error/errorstat come out.
    const std::string printout = crlf({header(), "  T", at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9",
                                       "  ALARM", ""}) +
                                 crlf(anomalyReport("0012345" + std::string("12  ") + " DATA"));
    const std::string rep48 = crlf({"0012345" + std::string("12  ") + " DATA N123 " + kDate});
    struct Case {
        const char* what;
        std::function<void(Bench&, const std::string& outside)> setUp;
        std::string failure;  // after the data directory; empty: the run goes to its end
    } cases[] = {
        {"result file a link to a file elsewhere",
         [](Bench& b, const std::string& o) { ASSERT_EQ(::symlink(o.c_str(), b.data("log/alarm.log").c_str()), 0); }, ""},
        {"detail files links, one of them dangling",
         [](Bench& b, const std::string& o) {
             ASSERT_EQ(::symlink(o.c_str(), b.data("error/12").c_str()), 0);
             ASSERT_EQ(::symlink("nowhere", b.data("error/errorstat").c_str()), 0);
         },
         ""},
        {"a link made after the clearing",
         [](Bench& b, const std::string& o) {
             b.rec.onStatus = [&b, o](const std::string& text) {
                 if (text == "Идет обработка каталога Аварии") {
                     ASSERT_EQ(::symlink(o.c_str(), b.data("log/alarm.log").c_str()), 0);
                 }
             };
         },
         "/log/alarm.log не является обычным файлом"},
    };
    for (const auto& c : cases) {
        Bench b;
        makeDir(b.data("log"));
        makeDir(b.data("error"));
        const std::string outside = b.tmp.file("outside.txt");
        writeFile(outside, "precious");
        c.setUp(b, outside);
        b.addInput("a.s12", printout);
        b.options.set(RunKind::Alarms, 1);
        b.options.set(RunKind::Rrn48, 1);
        b.runner.run(RunKind::Full);
        EXPECT_EQ(readFile(outside), "precious") << c.what;
        if (!c.failure.empty()) {
            EXPECT_EQ(b.rec.statuses.back(), "Файл " + b.dataRoot + c.failure) << c.what;
            continue;
        }
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << c.what;
        for (const char* name : {"log/alarm.log", "log/rep48.log", "error/12", "error/errorstat"}) {
            EXPECT_EQ(std::filesystem::symlink_status(fsPath(b.data(name))).type(), std::filesystem::file_type::regular)
                << c.what << ": " << name;
        }
        EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf({"  ALARM"})) << c.what;
        EXPECT_EQ(readFile(b.data("log/rep48.log")), rep48) << c.what;
    }
    // log/ itself may live elsewhere, behind a link: followed.
    Bench b;
    makeDir(b.tmp.file("elsewhere"));
    ASSERT_EQ(::symlink(b.tmp.file("elsewhere").c_str(), b.data("log").c_str()), 0);
    b.addInput("a.s12", printout);
    b.runner.run(RunKind::Rrn48);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    EXPECT_EQ(readFile(b.tmp.file("elsewhere/rep48.log")), rep48);
}
#else
TEST(FaultInjection, JunctionsNamedLikeResultsAreRemovedNeverWrittenThrough) {
    // A junction, the link every Windows user may make, stands for a directory elsewhere.
    const std::string printout = crlf({header(), "  T", at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9",
                                       "  ALARM", ""}) +
                                 crlf(anomalyReport("0012345" + std::string("12  ") + " DATA"));
    struct Case {
        const char* what;
        const char* link;  // made before the run; empty: made once the alarms' pass begins
        std::string failure;  // after the data directory; empty: the run goes to its end
    } cases[] = {
        {"a result file", "log/alarm.log", ""},
        {"a detail file", "error/12", ""},
        {"made after the clearing", "", "\\log\\alarm.log не является обычным файлом"},
    };
    for (const auto& c : cases) {
        Bench b;
        makeDir(b.data("log"));
        makeDir(b.data("error"));
        makeDir(b.tmp.file("elsewhere"));
        writeFile(b.tmp.file("elsewhere/precious"), "precious");
        if (!makeJunction(b.tmp.file("elsewhere"), b.data(*c.link ? c.link : "log/probe")))
            GTEST_SKIP() << "no junctions here (wine has none)";
        if (!*c.link) {
            std::filesystem::remove(fsPath(b.data("log/probe")));
            b.rec.onStatus = [&b](const std::string& text) {
                if (text == "Идет обработка каталога Аварии") {
                    ASSERT_TRUE(makeJunction(b.tmp.file("elsewhere"), b.data("log/alarm.log")));
                }
            };
        }
        b.addInput("a.s12", printout);
        b.options.set(RunKind::Alarms, 1);
        b.options.set(RunKind::Rrn48, 1);
        b.runner.run(RunKind::Full);
        EXPECT_EQ(dirEntries(b.tmp.file("elsewhere")), std::vector<std::string>{"precious"}) << c.what;
        EXPECT_EQ(readFile(b.tmp.file("elsewhere/precious")), "precious") << c.what;
        if (!c.failure.empty()) {
            EXPECT_EQ(b.rec.statuses.back(), "Файл " + b.dataRoot + c.failure) << c.what;
            continue;
        }
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << c.what;
        for (const char* name : {"log/alarm.log", "log/rep48.log", "error/12", "error/errorstat"})
            EXPECT_EQ(std::filesystem::symlink_status(fsPath(b.data(name))).type(), std::filesystem::file_type::regular)
                << c.what << ": " << name;
    }
    // log/ itself may live elsewhere, behind a junction: followed.
    Bench b;
    makeDir(b.tmp.file("elsewhere"));
    ASSERT_TRUE(makeJunction(b.tmp.file("elsewhere"), b.data("log")));
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.runner.run(RunKind::Rrn48);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    EXPECT_EQ(readFile(b.tmp.file("elsewhere/rep48.log")), crlf({"A1 N123 " + kDate}));
}
#endif

TEST(FaultInjection, CatalogueAppendOnAFullDiskLeavesWholeLines) {
    // 1016 bytes: the new device's 16 would end 8 bytes past a limit of 1024.
    struct Case {
        const char* what;
        std::string catalogue;
        std::string after;  // once there is room again
    } cases[] = {
        {"last line ended", "0001/0001/0001 " + std::string(999, 'x') + "\r\n", "0012/0034/0005\r\n"},
        {"last line without its line break", "0001/0001/0001 " + std::string(1001, 'x'), "\r\n0012/0034/0005\r\n"},
    };
    for (const auto& c : cases) {
        Bench b;
        writeFile(b.data("alldev.ini"), c.catalogue);
        b.options.set(Search::NewDevices, 1);
        b.addInput("a.s12", crlf(otherReport("0012/0034/0005", "7")));
        {
            FileSizeLimit full(1024);
            b.runner.run(RunKind::Rrn48);
        }
        EXPECT_EQ(b.rec.statuses.back(), "Ошибка записи в файл " + b.data("alldev.ini") + ": файл слишком велик") << c.what;
        EXPECT_TRUE(readFile(b.data("alldev.ini")) == c.catalogue) << c.what;
        b.runner.run(RunKind::Rrn48);
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << c.what;
        EXPECT_TRUE(readFile(b.data("alldev.ini")) == c.catalogue + c.after) << c.what;
        EXPECT_EQ(readFile(b.data("error/newdev")), "0012/0034/0005\r\n") << c.what;
    }
}
