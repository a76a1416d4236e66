// Alarm extraction: which reports are alarm reports, the preamble, the filter words, the end
// of the alarm lines, and the progress step back after the walk.
#include <gtest/gtest.h>

#include "engine/alarms.h"
#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

// Header, title, "00011  P" number line, six preamble lines (the last one given), then lines.
std::vector<std::string> alarmReport(const std::vector<std::string>& lines, const std::string& line9 = "  PRE 9",
                                     const std::string& number = "00011") {
    std::vector<std::string> r = {header(), "  ALARM TITLE", at("  MSG", 21, number + "  P"), "  PRE 4",
                                  "  PRE 5", "  PRE 6", "  PRE 7", "  PRE 8", line9};
    r.insert(r.end(), lines.begin(), lines.end());
    return r;
}

}  // namespace

TEST(Alarms, FilterWords) {
    struct Case {
        std::string line;
        bool dropped;
    } cases[] = {
        {"  LINE 1", false},       {"", true},
        {"  EXTERNAL LINE", true}, {"  SPECIAL", true},
        {"  DIRECTORY", true},     {"  CATALOGUE ENTRY", true},
        {"  SBLX", true},          {"  cat special sbl", false},
        {"    ", false},           {"  CA T", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isFilteredAlarmLine(c.line), c.dropped) << "[" << c.line << "]";
}

TEST(Alarms, WhatIsWritten) {
    const std::string h = header();
    struct Case {
        const char* what;
        std::vector<std::string> input;
        std::vector<std::string> expected;
    } cases[] = {
        {"ordinary lines kept, a filtered one dropped, the empty line ends",
         alarmReport({"  ALARM A", "  EXTERNAL X", "  ALARM B", "", "  AFTER THE END"}),
         {"  ALARM A", "  ALARM B"}},
        {"a line of spaces is written and does not end the alarm lines",
         alarmReport({"  ALARM A", "   ", "  ALARM B", ""}),
         {"  ALARM A", "   ", "  ALARM B"}},
        {"two alarm reports back to back",
         alarmReport({"  A1", ""}) + alarmReport({"  B1", "  B2", ""}),
         {"  A1", "  B1", "  B2"}},
        {"line 9 empty: nothing, and line 10 is a header candidate",
         alarmReport({h, "  T", at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9", "  NEXT", ""}, ""),
         {"  NEXT"}},
        {"one blank before P: not an alarm report", alarmReport({"  A1", ""}, "  PRE 9", "00011 P"), {}},
        {"another number: not an alarm report", alarmReport({"  A1", ""}, "  PRE 9", "00012"), {}},
        {"a header inside the preamble is not a header",
         {h, "  T", at("  MSG", 21, "00011  P"), "4", h, "6", "7", "8", "9", "  A1", ""},
         {"  A1"}},
        {"a header as title is consumed; its number line is the one after",
         {h, h, at("  MSG", 21, "00011  P"), "4", "5", "6", "7", "8", "9", "  A1", ""},
         {"  A1"}},
        {"a file cut in the alarm lines keeps what was written", alarmReport({"  A1", "  A2"}), {"  A1", "  A2"}},
        {"a file cut in the preamble writes nothing",
         {h, "  T", at("  MSG", 21, "00011  P"), "4", "5"},
         {}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", crlf(c.input));
        b.useFile("a.s12");
        b.runner.run(RunKind::Alarms);
        EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf(c.expected)) << c.what;
        EXPECT_EQ(b.rec.statuses, (std::vector<std::string>{"Идет обработка файла Аварии", "Файл обработан", kStop}))
            << c.what;
    }
}

TEST(Alarms, ProgressStepsBackOnceAfterTheWalk) {
    {
        Bench b;
        b.addInput("a.s12", crlf(alarmReport({"  A1", ""})));
        b.addInput("b.s12", "");
        b.addInput("c.s12", crlf(alarmReport({"  C1", ""})));
        b.runner.run(RunKind::Alarms);
        EXPECT_EQ(b.rec.events, (std::vector<std::string>{"cleared", "value:0", "range:0..2",
                                                          "status:Идет обработка каталога Аварии", "value:0", "value:1",
                                                          "value:2", "status:Каталог обработан", "pause:closing",
                                                          "status:" + kStop, "value:0"}));
        EXPECT_EQ(readFile(b.data("log/alarm.log")), crlf({"  A1", "  C1"}));
    }
    struct Case {
        bool fileMode;
        int start, end;
    } cases[] = {{false, 0, 2}, {false, 4, 6}, {true, 5, 4}};
    for (const auto& c : cases) {
        Bench b;
        for (const char* name : {"a.s12", "b.s12", "c.s12"}) b.addInput(name, crlf(alarmReport({"  X", ""})));
        if (c.fileMode) b.useFile("b.s12");
        InsideFullRun full(b, c.start);  // no reset at the end shows where the count stands
        full.run(RunKind::Alarms);
        EXPECT_EQ(full.context.progressCount(), c.end) << c.fileMode << " " << c.start;
    }
}
