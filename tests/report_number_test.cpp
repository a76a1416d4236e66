// Extraction by report number: the blocks written, how numbers match, the run kinds, and the
// status and progress sequences of the file and directory variants.
#include <gtest/gtest.h>

#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

// A report with number line "<number>  P" and its own body, ended by "NO = 0".
std::vector<std::string> numReport(const std::string& number, const std::string& tag) {
    return {header(), line2("0012/0034/0005", "STATUS REPORT"), numberLine(number), "  " + tag + " BODY",
            "  " + tag + " END NO = 0"};
}

// The block the extraction writes for such a report.
std::vector<std::string> numBlock(const std::string& tag) {
    return {header(), "", "  " + tag + " BODY", "  " + tag + " END NO = 0", "", ""};
}

}  // namespace

TEST(ReportNumber, Rrn121CopiesHeaderAndBodyOfEachMatchingReport) {
    Bench b;
    b.addInput("a.s12", crlf(std::vector<std::string>{"noise before"} + numReport("121", "A") + numReport("48", "B") +
                             std::vector<std::string>{"noise between"} + numReport("121", "C")));
    b.useFile("a.s12");
    b.runner.run(RunKind::Rrn121);
    EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(numBlock("A") + numBlock("C")));
    EXPECT_EQ(b.rec.events, (std::vector<std::string>{"cleared", "status:Идет обработка файла RRN - 121",
                                                      "status:Выбранный файл обработан", "pause:closing",
                                                      "status:" + kStop}));
    EXPECT_FALSE(b.runner.outcome().anyFailure());
}

TEST(ReportNumber, WorkingListEntriesAndTheFilesTheyGive) {
    const std::string printout =
        crlf(numReport("121", "R121") + numReport("21", "R21") + numReport("48", "R48") + numReport("12", "R12"));
    struct Case {
        const char* what;
        std::vector<std::string> list;
        std::vector<std::pair<std::string, std::string>> files;  // log/ name, content
        std::vector<std::string> statuses;
    } cases[] = {
        {"21 also matches 121",
         {"21"},
         {{"rep21.log", crlf(numBlock("R121") + numBlock("R21"))}},
         {"Идет обработка файла RRN - 21"}},
        {"trailing spaces: name trimmed, pattern exact",
         {"121  "},
         {{"rep121.log", crlf(numBlock("R121"))}},
         {"Идет обработка файла RRN - 121  "}},
        {"leading space stays in the name and the pattern",
         {" 12"},
         {{"rep 12.log", crlf(numBlock("R12"))}},
         {"Идет обработка файла RRN -  12"}},
        {"the empty entry matches every number line",
         {""},
         {{"rep.log", crlf(numBlock("R121") + numBlock("R21") + numBlock("R48") + numBlock("R12"))}},
         {"Идет обработка файла RRN - "}},
        {"a duplicate is processed twice",
         {"48", "48"},
         {{"rep48.log", crlf(numBlock("R48"))}},
         {"Идет обработка файла RRN - 48", "Идет обработка файла RRN - 48"}},
        {"an entry with more leading blanks than a short one has",
         {"      121"},
         {{"rep      121.log", crlf(numBlock("R121"))}},
         {"Идет обработка файла RRN -       121"}},
        {"an entry 121 does not change the run kind",
         {"121", "48"},
         {{"rep121.log", crlf(numBlock("R121"))}, {"rep48.log", crlf(numBlock("R48"))}},
         {"Идет обработка файла RRN - 121", "Идет обработка файла RRN - 48"}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", printout);
        b.useFile("a.s12");
        b.lists.reports = c.list;
        b.runner.run(RunKind::Reports);
        std::vector<std::string> names;
        for (const auto& [name, content] : c.files) {
            names.push_back(name);
            EXPECT_EQ(readFile(b.data("log/" + name)), content) << c.what << ": " << name;
        }
        EXPECT_EQ(dirEntries(b.data("log")), names) << c.what;
        std::vector<std::string> expected = c.statuses;
        expected.push_back("Выбранный файл обработан");
        expected.push_back(kStop);
        EXPECT_EQ(b.rec.statuses, expected) << c.what;
    }
}

TEST(ReportNumber, HowReportsEnd) {
    const std::string h = header();
    const std::string l2 = line2("0012/0034/0005", "STATUS REPORT");
    struct Case {
        const char* what;
        std::vector<std::string> input;
        std::vector<std::string> expected;
    } cases[] = {
        {"a header within two lines of another is consumed as line 2",
         {h, "  " + h + " SECOND", numberLine("121"), "  BODY NO = 0"},
         {h, "", "  BODY NO = 0", "", ""}},
        {"a header as number line ends the report; the scan goes on after it",
         {h, l2, h + " AS NUMBER LINE", numberLine("121"), "  X NO = 0"},
         {}},
        {"without an end line the next report is copied up to its end line",
         {h, l2, numberLine("121"), "  BODY", h, l2, numberLine("48"), "  NEXT NO = 0", "after"},
         {h, "", "  BODY", h, l2, numberLine("48"), "  NEXT NO = 0", "", ""}},
        {"the end test is a substring test",
         {h, l2, numberLine("121"), "  NO = 01 ENDS", "  not copied"},
         {h, "", "  NO = 01 ENDS", "", ""}},
        {"line 4 may itself be the end line",
         {h, l2, numberLine("121"), "NO = 0"},
         {h, "", "NO = 0", "", ""}},
        {"a copied line holding the station is not a header",
         {h, l2, numberLine("121"), h, "  NO = 0", h, l2, numberLine("121"), "  Z NO = 0"},
         {h, "", h, "  NO = 0", "", "", h, "", "  Z NO = 0", "", ""}},
        {"one blank before P is no match", {h, l2, at("  MSG", 21, "  121 P"), "  NO = 0"}, {}},
        {"the number line may begin with the number", {h, l2, "121  P", "  X NO = 0"}, {h, "", "  X NO = 0", "", ""}},
        {"the number may stand before a later \"  P\" of the line",
         {h, l2, "  P  MSG  121  P", "  X NO = 0"},
         {h, "", "  X NO = 0", "", ""}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", crlf(c.input));
        b.useFile("a.s12");
        b.runner.run(RunKind::Rrn121);
        EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(c.expected)) << c.what;
    }
}

TEST(ReportNumber, RefusalsAndTheirOrder) {
    struct Case {
        const char* what;
        bool fileMode;
        bool withFile;
        std::vector<std::string> list;
        bool rrn121;
        std::vector<std::string> events;
    } cases[] = {
        {"file mode without a current file, before the empty list", true, false, {}, false,
         {"cleared", "status:Файл не выбран", "pause:closing", "status:" + kStop}},
        {"file mode, empty working list", true, true, {}, false,
         {"cleared", "status:Список  пустой", "pause:closing", "status:" + kStop}},
        {"directory without files, before the empty list", false, false, {}, false,
         {"cleared", "value:0", "range:0..1", "status:Нет файлов *.s12 в выбранном каталоге", "pause:closing",
          "status:" + kStop, "value:0", "pause:closing", "status:" + kStop}},
        {"directory, empty working list", false, true, {}, false,
         {"cleared", "value:0", "range:0..1", "status:Список  пустой", "pause:closing", "status:" + kStop,
          "value:0", "pause:closing", "status:" + kStop}},
    };
    for (const auto& c : cases) {
        Bench b;
        if (c.withFile) b.addInput("a.s12", crlf(numReport("121", "A")));
        if (c.fileMode) b.useFile("a.s12");
        b.lists.reports = c.list;
        if (c.rrn121) b.runner.run(RunKind::Rrn121);
        else b.runner.run(RunKind::Reports);
        EXPECT_EQ(b.rec.events, c.events) << c.what;
        EXPECT_EQ(dirEntries(b.data("log")), std::vector<std::string>{}) << c.what;
        EXPECT_EQ(b.runner.outcome().refusals, 1) << c.what;
    }
}

TEST(ReportNumber, DirectoryRunOfTwoNumbersOverThreeFiles) {
    Bench b;
    b.addInput("a.s12", crlf(numReport("121", "A")));
    b.addInput("b.s12", crlf(numReport("48", "B")));
    b.addInput("c.s12", crlf(numReport("121", "C") + numReport("48", "C")));
    b.lists.reports = {"121", "48"};
    b.runner.run(RunKind::Reports);
    EXPECT_EQ(b.rec.events,
              (std::vector<std::string>{"cleared", "value:0", "range:0..4",
                                        "status:Идет обработка каталога RRN - 121", "value:0", "value:1", "value:2",
                                        "status:Идет обработка каталога RRN - 48", "value:2", "value:3", "value:4",
                                        "status:Каталог обработан", "pause:closing", "status:" + kStop, "value:0",
                                        "pause:closing", "status:" + kStop}));
    EXPECT_EQ(b.input.selections, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(numBlock("A") + numBlock("C")));
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf(numBlock("B") + numBlock("C")));
    EXPECT_EQ(b.runner.context().progressCount(), 0);
}

TEST(ReportNumber, ProgressRangeStaysValidWithFewFiles) {
    struct Case {
        int files;
        std::vector<std::string> list;
        bool rrn121;
        std::string range;
        std::vector<int> values;
    } cases[] = {
        {1, {"121", "48"}, false, "range:0..1", {0, 0, 0, 0}},
        {3, {}, true, "range:0..2", {0, 0, 1, 2, 0}},
        {2, {"1", "2", "3"}, false, "range:0..3", {0, 0, 1, 1, 2, 2, 3, 0}},
    };
    for (const auto& c : cases) {
        Bench b;
        for (int i = 0; i < c.files; ++i) b.addInput(std::to_string(i) + ".s12", "");
        b.lists.reports = c.list;
        if (c.rrn121) b.runner.run(RunKind::Rrn121);
        else b.runner.run(RunKind::Reports);
        EXPECT_EQ(b.rec.events[2], c.range) << c.files;
        EXPECT_EQ(b.rec.values, c.values) << c.files;
    }
}

TEST(ReportNumber, InAFullRun) {
    // The file variant ends without a pause; the directory variant still pauses and shows
    // "Cтоп", and leaves progressCount where its passes put it.
    {
        Bench b;
        b.addInput("a.s12", crlf(numReport("121", "A")));
        b.useFile("a.s12");
        InsideFullRun full(b, 0);
        full.run(RunKind::Rrn121);
        EXPECT_EQ(b.rec.events, (std::vector<std::string>{"status:Идет обработка файла RRN - 121",
                                                          "status:Выбранный файл обработан"}));
    }
    {
        Bench b;
        b.addInput("a.s12", crlf(numReport("121", "A")));
        b.addInput("b.s12", "");
        InsideFullRun full(b, 3);
        full.run(RunKind::Rrn121);
        EXPECT_EQ(b.rec.events,
                  (std::vector<std::string>{"status:Идет обработка каталога RRN - 121", "value:3", "value:4",
                                            "status:Каталог обработан", "pause:closing", "status:" + kStop}));
        EXPECT_EQ(full.context.progressCount(), 4);
        EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(numBlock("A")));
    }
}

TEST(ReportNumber, WindowsCodePageNumberGivesUtf8NameAndStatus) {
    Bench b;
    b.addInput("a.s12", crlf(numReport("\xC0\xC1", "A")));  // "АБ" in Windows-1251
    b.useFile("a.s12");
    b.lists.reports = {"\xC0\xC1"};
    b.runner.run(RunKind::Reports);
    EXPECT_EQ(readFile(b.data("log/repАБ.log")), crlf(numBlock("A")));
    EXPECT_EQ(b.rec.statuses.front(), "Идет обработка файла RRN - АБ");
}

TEST(ReportNumber, StopDuringTheReadKeepsWhatEveryNumberGotSoFar) {
    // The list is read once for all its numbers: a stop leaves every number's file, each with
    // the reports of the files read before it.
    Bench b;
    b.addInput("a.s12", crlf(numReport("121", "A") + numReport("48", "A")));
    b.addInput("b.s12", crlf(numReport("121", "B") + numReport("48", "B")));
    b.lists.reports = {"121", "48"};
    b.input.onSelect = [&](int i) {
        if (i == 1) b.stop = true;
    };
    b.runner.run(RunKind::Reports);
    EXPECT_TRUE(b.runner.outcome().stopped);
    EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(numBlock("A")));
    EXPECT_EQ(readFile(b.data("log/rep48.log")), crlf(numBlock("A")));
    EXPECT_EQ(b.rec.statuses,
              (std::vector<std::string>{"Идет обработка каталога RRN - 121", "Обработка остановлена", kStop}));
}

TEST(ReportNumber, ALaterNumbersFileThatCannotBeMadeEndsTheRunInItsPlace) {
    // The numbers before it get their whole files, the ones after it none.
    Bench b;
    b.addInput("a.s12", crlf(numReport("121", "A") + numReport("48", "B")));
    b.lists.reports = {"121", "48", "7"};
    ASSERT_TRUE(makeDir(b.data("log")));
    ASSERT_TRUE(makeDir(b.data("log/rep48.log")));
    b.runner.run(RunKind::Reports);
    EXPECT_TRUE(b.runner.outcome().aborted);
    EXPECT_EQ(b.rec.statuses, (std::vector<std::string>{"Идет обработка каталога RRN - 121",
                                                        "Идет обработка каталога RRN - 48",
                                                        "Не удалось создать файл " + b.data("log/rep48.log") +
                                                            ": это каталог"}));
    EXPECT_EQ(readFile(b.data("log/rep121.log")), crlf(numBlock("A")));
    EXPECT_EQ(dirEntries(b.data("log")), (std::vector<std::string>{"rep121.log", "rep48.log"}));
}
