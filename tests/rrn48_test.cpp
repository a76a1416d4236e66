// The RRN 48 extraction: header detection, the composed line, and the two searches.
#include <gtest/gtest.h>

#include <random>

#include "engine/rrn48.h"
#include "platform/cp1251.h"
#include "tests/printout_builder.h"
#include "tests/reference_rrn48.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

std::string runRrn48(Bench& b) {
    b.runner.run(RunKind::Rrn48);
    return readFile(b.data("log/rep48.log"));
}

}  // namespace

TEST(Rrn48Line, ComposedFromDataLineAnomalyFieldAndDate) {
    struct Case {
        const char* what;
        std::string data, anomaly, date, expected;
    } cases[] = {
        {"plain", "0012345 12   DATA", "N123", kDate, "0012345 12   DATA N123 " + kDate},
        {"leading blanks of the data line go", "   0012345 12", "N1", "D", "0012345 12 N1 D"},
        {"empty anomaly field leaves two blanks", "X", "", "D", "X  D"},
        {"a tab is not a blank", "\t X", "A", "D", "\t X A D"},
        {"blank data and field: the date alone", "   ", "", kDate, kDate.substr(3)},
        {"blank data: the blanks of the field go too", "  ", " N1", "D", "N1 D"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string_view piece : anomalyLinePieces(c.data, c.anomaly, c.date)) line += piece;
        EXPECT_EQ(line, c.expected) << c.what;
    }
}

TEST(Rrn48Extraction, HeaderFieldsTakenByColumn) {
    Bench b;
    const std::string shortHeader = "ZARYA-UZEL 10:15";  // shorter than 25: taken whole
    const std::vector<std::string> lines = {
        "noise before", header(), line2("0012/0034/0005", "ANOMALY REPORT", "N663"), numberLine("48"),
        "  004555192   1236 0B", "  NO = 0",
        shortHeader, line2("0012/0034/0005", "ANOMALY REPORT"),  // line 2 too short for the field
        numberLine("48"), "DATA2",
    };
    b.addInput("a.s12", crlf(lines));
    EXPECT_EQ(runRrn48(b), crlf({"004555192   1236 0B N663 " + kDate, "DATA2  " + shortHeader}));
}

TEST(Rrn48Extraction, LinesReadByTheHandlerAreNeverHeaders) {
    Bench b;
    // The station name in lines 2 to 4 of an anomaly report, and in lines 2 and 3 of another
    // report: none of them starts a report. Line 5 of the anomaly report does.
    const std::vector<std::string> lines = {
        header(), "ZARYA-UZEL ANOMALY REPORT", "ZARYA-UZEL line 3", "ZARYA-UZEL data", header(),
        line2("DEV", "ANOMALY REPORT", "AAAA"), "3", "second",
        header(), "ZARYA-UZEL STATUS REPORT", "ZARYA-UZEL number line", "after",
    };
    b.addInput("a.s12", crlf(lines));
    EXPECT_EQ(runRrn48(b), crlf({"ZARYA-UZEL data  " + kDate, "second AAAA " + kDate}));
}

TEST(Rrn48Extraction, StationTestIsExactAndCaseSensitive) {
    Bench b;
    b.options.station = "ZARYA";
    const std::vector<std::string> lines = {
        "  zarya-uzel " + kDate, line2("D", "ANOMALY REPORT", "N1"), "3", "lower-case header: no report",
        "  ZARY A " + kDate, line2("D", "ANOMALY REPORT", "N1"), "3", "split name: no report",
        "xxZARYAxx" + kDate, line2("D", "ANOMALY REPORT", "N2"), "3", "found anywhere",
    };
    b.addInput("a.s12", crlf(lines));
    const std::string out = runRrn48(b);
    EXPECT_EQ(out, crlf({"found anywhere N2 " + kDate}));
}

TEST(Rrn48Extraction, EmptyStationMakesEveryNonEmptyLineAHeader) {
    Bench b;
    b.options.station = "";
    const std::vector<std::string> lines = {"", "H1", line2("D", "ANOMALY REPORT", "N1"), "", "DATA", ""};
    b.addInput("a.s12", crlf(lines));
    EXPECT_EQ(runRrn48(b), crlf({"DATA N1 H1"}));
}

TEST(Rrn48Extraction, NoAnomalyReportGivesAnEmptyFile) {
    Bench b;
    b.addInput("a.s12", crlf(otherReport("0012/0034/0005", "121")));
    runRrn48(b);
    ASSERT_TRUE(fileExists(b.data("log/rep48.log")));
    EXPECT_EQ(readFile(b.data("log/rep48.log")), "");
    EXPECT_NE(readFile(b.data("error/errorstat")).find(utf8ToCp1251("   Всего ошибок:  0 \r\n")), std::string::npos);
}

TEST(Rrn48Extraction, LfOnlyAndMixedLineEndsReadTheSame) {
    Bench b;
    b.addInput("a.s12", "  ZARYA-UZEL" + kDate + "\n" + line2("D", "ANOMALY REPORT", "N1") + "\r\n3\nDATA\r\r\n");
    b.addInput("b.s12", "  ZARYA-UZEL" + kDate + "\r\n" + line2("D", "ANOMALY REPORT", "N1") + "\n3\r\nLAST");
    EXPECT_EQ(runRrn48(b), crlf({"DATA\r N1 " + kDate, "LAST N1 " + kDate}));
}

// ---- search for new devices ----

TEST(NewDeviceSearch, DeviceMetTwiceIsListedOnceAndCatalogueGrowsByOne) {
    Bench b;
    b.options.set(Search::NewDevices, 1);
    writeFile(b.data("alldev.ini"), crlf({"0001/0001/0001", "  hand-written 0002/0002/0002 with more"}));
    const auto reports = otherReport("0009/0009/0009", "7") + otherReport("0001/0001/0001", "7") +
                         otherReport("0002/0002/0002", "7") + otherReport("0009/0009/0009", "8") +
                         anomalyReport("DATA", "N1", "0007/0007/0007");  // anomaly: never searched
    b.addInput("a.s12", crlf(reports));
    runRrn48(b);
    EXPECT_EQ(readFile(b.data("error/newdev")), crlf({"0009/0009/0009"}));
    EXPECT_EQ(readFile(b.data("alldev.ini")),
              crlf({"0001/0001/0001", "  hand-written 0002/0002/0002 with more", "0009/0009/0009"}));

    // The next run knows the device.
    runRrn48(b);
    EXPECT_FALSE(fileExists(b.data("error/newdev")));
}

TEST(NewDeviceSearch, DeviceTextKeepsItsTrailingBlanksAndShortLines) {
    Bench b;
    b.options.set(Search::NewDevices, 1);
    // "CBR-7" in a catalogue line without the trailing blanks does not hold "CBR-7         ".
    writeFile(b.data("alldev.ini"), "CBR-7");  // last line without a line break
    b.addInput("a.s12", crlf({header(), line2("CBR-7         ", "STATUS"), numberLine("5"),
                              header(), "  SHORT", numberLine("5")}));
    runRrn48(b);
    // Line 2 "  SHORT" is shorter than column 10: the device text is empty, and an empty text
    // is known as soon as the catalogue has a non-empty line.
    EXPECT_EQ(readFile(b.data("error/newdev")), crlf({"CBR-7         "}));
    EXPECT_EQ(readFile(b.data("alldev.ini")), "CBR-7\r\nCBR-7         \r\n");
}

TEST(NewDeviceSearch, MissingCatalogueIsCreatedAndNothingWhenBoxClear) {
    Bench b;
    b.addInput("a.s12", crlf(otherReport("0005/0005/0005", "9")));
    b.options.set(Search::NewDevices, 2);  // greyed is not ticked
    runRrn48(b);
    EXPECT_FALSE(fileExists(b.data("alldev.ini")));
    EXPECT_FALSE(fileExists(b.data("error/newdev")));
    b.options.set(Search::NewDevices, 1);
    runRrn48(b);
    EXPECT_EQ(readFile(b.data("alldev.ini")), crlf({"0005/0005/0005"}));
}

TEST(NewDeviceSearch, AgreesWithTheLineByLineModelWhateverTheCatalogueLines) {
    // Devices from a few characters, so they often lie inside one another and inside catalogue
    // lines; catalogue lines short and long (a long comment), device texts of every length.
    std::mt19937 rng(48);
    auto text = [&](size_t length) {
        std::string t;
        for (size_t i = 0; i < length; ++i) t += "01/ A"[rng() % 5];
        return t;
    };
    for (int iter = 0; iter < 30; ++iter) {
        // Now and then no catalogue: an empty device text is then new once in the run, and
        // known as soon as the catalogue has a non-empty line.
        std::vector<std::string> catalogue;
        const int lines = iter % 4 == 0 ? 0 : static_cast<int>(rng() % 12);
        for (int i = 0; i < lines; ++i) catalogue.push_back(text(rng() % 3 == 0 ? 60 + rng() % 200 : rng() % 20));
        std::vector<std::string> reports;
        for (int i = 0; i < 40; ++i) {
            // Line 2 cut anywhere: the device text is what is left of columns 10 to 23.
            const std::string device = line2(text(14), "STATUS");
            const size_t cut = lines == 0 && i < 2 ? 5 : rng() % 30;  // empty device texts first
            reports = reports + std::vector<std::string>{header(), device.substr(0, cut), numberLine("7")};
        }
        const std::string content = crlf(reports);
        Bench b;
        b.options.set(Search::NewDevices, 1);
        if (!catalogue.empty()) writeFile(b.data("alldev.ini"), crlf(catalogue));
        b.addInput("a.s12", content);
        runRrn48(b);
        const auto expected = referenceRrn48({content}, "ZARYA-UZEL", false, true, catalogue, {});
        ASSERT_EQ(readFile(b.data("error/newdev")), expected.newdev.empty() ? "" : crlf(expected.newdev)) << iter;
        ASSERT_EQ(readFile(b.data("alldev.ini")), expected.alldev.empty() ? "" : crlf(expected.alldev)) << iter;
    }
}

// ---- search for new report numbers ----

TEST(NewReportSearch, KeysAndSubstringMatches) {
    struct Case {
        const char* what;
        std::vector<std::string> catalogue;
        std::vector<std::string> numberFields;  // columns 21 to 25 of line 3
        std::string newrep;                     // expected content, nullopt-like "-" for absent
    } cases[] = {
        {"met three times, listed once", {}, {"  777", "  777", "00777"}, crlf({"777"})},
        {"key 12 is found in a catalogue line holding 121", {"121  desc"}, {"   12"}, "-"},
        {"found in the description", {"5    see 333"}, {"  333"}, "-"},
        {"12 after 121 is already recorded", {}, {"  121", "   12"}, crlf({"121"})},
        {"121 after 12 is new", {}, {"   12", "  121"}, crlf({"12", "121"})},
        {"not a number: no search", {}, {"  1A2", "     ", "99999", "  - 5"}, "-"},
        {"sign and zeros", {}, {"   -0", "  +07"}, crlf({"0", "7"})},
        {"negative", {}, {"  -12"}, crlf({"-12"})},
    };
    for (const auto& c : cases) {
        Bench b;
        b.options.set(Search::NewReports, 1);
        if (!c.catalogue.empty()) writeFile(b.data("allreports.ini"), crlf(c.catalogue));
        std::vector<std::string> lines;
        for (const auto& f : c.numberFields)
            lines = lines + std::vector<std::string>{header(), line2("D", "STATUS"), at("  MSG", 21, f + "  P")};
        b.addInput("a.s12", crlf(lines));
        runRrn48(b);
        if (c.newrep == "-") {
            EXPECT_FALSE(fileExists(b.data("error/newrep"))) << c.what;
        } else {
            EXPECT_EQ(readFile(b.data("error/newrep")), c.newrep) << c.what;
        }
        if (!c.catalogue.empty()) {
            EXPECT_EQ(readFile(b.data("allreports.ini")), crlf(c.catalogue)) << c.what;
        }
    }
}

TEST(NewReportSearch, AnomalyReportsAndClearBoxesStillConsumeLine3) {
    Bench b;
    // Line 3 holds the station name: were it tested as a header, the line after it would
    // start a report and "DATA" would come out.
    const std::vector<std::string> lines = {header(), line2("D", "STATUS"), "ZARYA-UZEL " + kDate,
                                            line2("D", "ANOMALY REPORT"), "x", "DATA"};
    b.addInput("a.s12", crlf(lines));
    EXPECT_EQ(runRrn48(b), "");
    EXPECT_FALSE(fileExists(b.data("error/newrep")));
}
