// Bad input and failing files: a clear status, the walk going on or the run ending, nothing
// half-written, list files untouched.
#include <gtest/gtest.h>

#include "platform/cp1251.h"
#include "tests/file_size_limit.h"
#include "tests/printout_builder.h"
#include "tests/reference_rrn48.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

TEST(BadInput, InputFilesThatCannotBeReadAreSkippedAndTheWalkGoesOn) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.input.files.push_back("gone.s12");            // vanished after the listing
    makeDir(under(b.inputDir, "dir.s12"));  // cannot be read as a file
    b.input.files.push_back("dir.s12");
    b.addInput("z.s12", crlf(anomalyReport("Z1")));
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate, "Z1 N123 " + kDate}));
    const auto& s = b.rec.statuses;
    EXPECT_NE(std::find(s.begin(), s.end(),
                        "Не удалось открыть файл " + under(b.inputDir, "gone.s12") + ": файл или каталог не найден; файл пропущен"),
              s.end());
    EXPECT_NE(std::find(s.begin(), s.end(), "Ошибка чтения файла " + under(b.inputDir, "dir.s12") + ": это каталог; файл пропущен"),
              s.end());
    EXPECT_EQ(s.back(), kStop);
    EXPECT_EQ(b.runner.outcome().inputFailures, 2);
    EXPECT_TRUE(b.runner.outcome().anyFailure());
    EXPECT_TRUE(fileExists(b.data("error/errorstat")));
}

TEST(BadInput, ResultFileOnAFullDiskEndsTheRunAndKeepsTheLists) {
    Bench b;
    writeFile(b.data("alldev.ini"), "0001/0001/0001\r\n");
    b.options.set(Search::NewDevices, 1);
    // The catalogue's lines fit on the disk, the anomaly lines do not.
    const std::string data(200, 'A');
    b.addInput("a.s12", crlf(anomalyReport(data) + otherReport("0002/0002/0002", "5")));
    b.addInput("b.s12", crlf(anomalyReport("B" + data)));
    {
        FileSizeLimit full(100);
        b.runner.run(RunKind::Rrn48);
    }
    EXPECT_EQ(b.rec.statuses.back(),
              "Ошибка записи в файл " + b.data("log/rep48.log") + ": файл слишком велик");
    EXPECT_TRUE(b.runner.outcome().aborted);
    EXPECT_FALSE(fileExists(b.data("error/errorstat")));  // no analysis of a broken log
    EXPECT_EQ(b.rec.values.back(), 0);
    EXPECT_EQ(b.runner.context().progressCount(), 0);
    // The device found before the failure is taken back with the run.
    EXPECT_EQ(readFile(b.data("alldev.ini")), "0001/0001/0001\r\n");
}

TEST(BadInput, DetailFileThatCannotBeWrittenEndsTheAnalysis) {
    Bench b;
    makeDir(b.data("log"));
    makeDir(b.data("error"));
    // No error type, so restart is the only detail file; its heading makes it the first file
    // to outgrow the disk.
    b.addInput("a.s12", crlf(anomalyReport("0012345" + std::string("XX  ") + " RESTART")));
    {
        FileSizeLimit full(100);
        b.runner.run(RunKind::Rrn48);
    }
    EXPECT_EQ(b.rec.statuses.back(), "Ошибка записи в файл " + b.data("error/restart") + ": файл слишком велик");
    EXPECT_TRUE(b.runner.outcome().aborted);
}

TEST(BadInput, MissingOutputDirectoriesAreCreatedAndABlockedOneIsReported) {
    Bench b;
    b.addInput("a.s12", crlf(anomalyReport("A1")));
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate}));

    Bench blocked;
    writeFile(blocked.data("error"), "a file where the directory belongs");
    blocked.addInput("a.s12", crlf(anomalyReport("A1")));
    blocked.runner.run(RunKind::Rrn48);
    EXPECT_EQ(blocked.rec.statuses.back(),
              "Не удалось создать каталог " + blocked.data("error") + ": путь проходит через файл, а не каталог");
    EXPECT_TRUE(blocked.runner.outcome().aborted);
    EXPECT_EQ(readFile(blocked.data("error")), "a file where the directory belongs");
}

TEST(BadInput, OddBytesPassThroughUnchanged) {
    Bench b;
    const std::string data = std::string("\x00\x98\xFF\x01 data\rmid", 13);
    const std::string hdr = std::string("\xFF\x00 ZARYA-UZEL", 13) + kDate;
    b.addInput("a.s12", crlf({hdr, line2("D", "ANOMALY REPORT", std::string("\x98\x00\xC0", 3)), "3", data}));
    b.addInput("empty.s12", "");
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")),
              data + " " + std::string("\x98\x00\xC0", 3) + " " + kDate + "\r\n");
    EXPECT_FALSE(b.runner.outcome().anyFailure());
}

TEST(BadInput, HugeLinesWithoutLineBreak) {
    Bench b;
    const std::string big(50 << 20, 'x');
    // A 50 MiB line before a report, and a 50 MiB header at the end without a line break.
    b.addInput("a.s12", big + "\r\n" + crlf(anomalyReport("A1")) + big + "ZARYA-UZEL" + big);
    b.options.set(Search::NewDevices, 1);
    b.runner.run(RunKind::Rrn48);
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf({"A1 N123 " + kDate}));
    EXPECT_FALSE(b.runner.outcome().anyFailure());
}

TEST(BadInput, PrintoutCutAtEveryPlace) {
    // Every prefix of a printout with each kind of report, with both searches on, against
    // the line-by-line model.
    const std::string whole =
        crlf(anomalyReport("  0012345 12   DATA") + otherReport("0002/0002/0002", "  777") +
             anomalyReport("SECOND", "N2", "0003/0003/0003")) +
        header() + "\r\n" + line2("0004/0004/0004", "STATUS") + "\r\n" + numberLine("31") + "\r\n";
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        Bench b;
        const std::string content = whole.substr(0, cut);
        b.addInput("a.s12", content);
        b.options.set(Search::NewReports, 1);
        b.options.set(Search::NewDevices, 1);
        b.runner.run(RunKind::Rrn48);
        const auto expected = referenceRrn48({content}, "ZARYA-UZEL", true, true, {}, {});
        ASSERT_EQ(readFile(b.data("log/rep48.log")), expected.rep48) << "cut at " << cut;
        ASSERT_EQ(readFile(b.data("error/newdev")), expected.newdev.empty() ? "" : crlf(expected.newdev)) << cut;
        ASSERT_EQ(readFile(b.data("error/newrep")), expected.newrep.empty() ? "" : crlf(expected.newrep)) << cut;
        ASSERT_FALSE(b.runner.outcome().anyFailure());
    }
}
