// Extraction by device: entries split into device text and comment, the result file each
// comment names, the blocks written, and the status and progress sequences per pass.
#include <gtest/gtest.h>

#include "engine/device_extraction.h"
#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::string kDevA = "0012/0034/0005";
const std::string kDevB = "0099/0001/0002";

std::vector<std::string> devReport(const std::string& device, const std::string& tag) {
    return {header(), line2(device, "STATUS REPORT"), numberLine("5"), "  " + tag + " BODY",
            "  " + tag + " LAST REPORT"};
}

std::vector<std::string> devBlock(const std::string& device, const std::string& tag) {
    return {header(), line2(device, "STATUS REPORT"), "", numberLine("5"), "  " + tag + " BODY",
            "  " + tag + " LAST REPORT", "", ""};
}

}  // namespace

TEST(DeviceExtraction, EntrySplit) {
    struct Case {
        std::string entry, device, comment;
    } cases[] = {
        {"0012/0034/0005  CBR", "0012/0034/0005", "CBR"},
        {"0012/0034/0005CBR", "0012/0034/0005", "CBR"},
        {"0012/0034/0005   CBR  ", "0012/0034/0005", "CBR"},
        {"0012/0034/0005", "0012/0034/0005", ""},
        {"0012/0034/0005   ", "0012/0034/0005", ""},
        {"0012", "0012", ""},
        {"", "", ""},
        {"0012/0034/00    A B ", "0012/0034/00  ", "A B"},
        {"0012/0034/0005\tX", "0012/0034/0005", "\tX"},  // only the space is trimmed
    };
    for (const auto& c : cases) {
        const DeviceEntry e = splitDeviceEntry(c.entry);
        EXPECT_EQ(e.device, c.device) << c.entry;
        EXPECT_EQ(e.comment, c.comment) << c.entry;
    }
}

TEST(DeviceExtraction, EntriesAndTheFilesTheyFill) {
    const std::string printout = crlf(devReport(kDevA, "A1") + devReport(kDevB, "B1") + devReport(kDevA, "A2") +
                                      devReport("0012/0034/00", "SHORT"));
    struct Case {
        const char* what;
        std::vector<std::string> entries;
        std::vector<std::pair<std::string, std::vector<std::string>>> files;
    } cases[] = {
        {"two entries without comment: the last one wins rep.log",
         {kDevA, kDevB},
         {{"rep.log", devBlock(kDevB, "B1")}}},
        {"different comments side by side",
         {kDevA + "  CBR", kDevB + "  GTS"},
         {{"CBRrep.log", devBlock(kDevA, "A1") + devBlock(kDevA, "A2")}, {"GTSrep.log", devBlock(kDevB, "B1")}}},
        {"comment after two blanks and right after the device are the same",
         {kDevA + "  CBR", kDevB + "CBR"},
         {{"CBRrep.log", devBlock(kDevB, "B1")}}},
        {"a short entry is all device text",
         {"0099/0001"},
         {{"rep.log", devBlock(kDevB, "B1")}}},
        {"trailing blanks of the device text must be on the line",
         {"0012/0034/00  "},
         {{"rep.log", devBlock("0012/0034/00", "SHORT")}}},
        {"the comment keeps its letter case", {"0012/0034/0005  cbr"}, {{"cbrrep.log", devBlock(kDevA, "A1") + devBlock(kDevA, "A2")}}},
        {"the empty entry matches every non-empty device line",
         {""},
         {{"rep.log", devBlock(kDevA, "A1") + devBlock(kDevB, "B1") + devBlock(kDevA, "A2") +
                          devBlock("0012/0034/00", "SHORT")}}},
        {"Cyrillic comment names a UTF-8 file",
         {kDevB + "  \xC3\xD2\xD1"},
         {{"ГТСrep.log", devBlock(kDevB, "B1")}}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", printout);
        b.useFile("a.s12");
        b.lists.devices = c.entries;
        b.runner.run(RunKind::Devices);
        std::vector<std::string> names;
        for (const auto& [name, lines] : c.files) {
            names.push_back(name);
            EXPECT_EQ(readFile(b.data("log/" + name)), crlf(lines)) << c.what << ": " << name;
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(dirEntries(b.data("log")), names) << c.what;
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << c.what;
    }
}

TEST(DeviceExtraction, HowReportsEnd) {
    const std::string h = header();
    const std::string l2 = line2(kDevA, "STATUS REPORT");
    struct Case {
        const char* what;
        std::vector<std::string> input;
        std::vector<std::string> expected;
    } cases[] = {
        {"a header directly after a header is its device line",
         {h, h + " " + kDevA, "  X LAST REPORT"},
         {h, h + " " + kDevA, "", "  X LAST REPORT", "", ""}},
        {"without an end line the next report is copied up to its end line",
         {h, l2, "  A BODY", h, line2(kDevB, "STATUS REPORT"), "  B LAST REPORT", "after"},
         {h, l2, "", "  A BODY", h, line2(kDevB, "STATUS REPORT"), "  B LAST REPORT", "", ""}},
        {"line 3 may be the end line; longer words end it too",
         {h, l2, "LAST REPORTS FOLLOW", "  not copied"},
         {h, l2, "", "LAST REPORTS FOLLOW", "", ""}},
        {"the line after a non-matching device line is the next header candidate",
         {h, line2(kDevB, "X"), h, l2, "  Y LAST REPORT"},
         {h, l2, "", "  Y LAST REPORT", "", ""}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", crlf(c.input));
        b.useFile("a.s12");
        b.lists.devices = {kDevA};
        b.runner.run(RunKind::Devices);
        EXPECT_EQ(readFile(b.data("log/rep.log")), crlf(c.expected)) << c.what;
    }
}

TEST(DeviceExtraction, FileModeWithoutCurrentFileRefusesEveryEntry) {
    Bench b;
    b.input.fileModeFlag = true;
    b.lists.devices = {kDevA + "  CBR", kDevB, "0001"};
    b.runner.run(RunKind::Devices);
    EXPECT_EQ(b.rec.events, (std::vector<std::string>{"cleared", "value:0", "range:0..1", "status:Файл не выбран",
                                                      "status:Файл не выбран", "status:Файл не выбран",
                                                      "pause:closing", "status:" + kStop, "value:0"}));
    EXPECT_EQ(dirEntries(b.data("log")), std::vector<std::string>{});
    EXPECT_EQ(b.runner.outcome().refusals, 3);
}

TEST(DeviceExtraction, DirectoryPassesOverThreeFiles) {
    Bench b;
    b.addInput("a.s12", crlf(devReport(kDevA, "A1")));
    b.addInput("b.s12", crlf(devReport(kDevB, "B1")));
    b.addInput("c.s12", crlf(devReport(kDevA, "A2")));
    b.lists.devices = {kDevA + " CBR", kDevB + " GTS"};
    b.runner.run(RunKind::Devices);
    EXPECT_EQ(b.rec.events,
              (std::vector<std::string>{"cleared", "value:0", "range:0..4",
                                        "status:Идет обработка каталога по устройству CBR", "value:0", "value:1",
                                        "value:2", "status:Каталог обработан",
                                        "status:Идет обработка каталога по устройству GTS", "value:2", "value:3",
                                        "value:4", "status:Каталог обработан", "pause:closing", "status:" + kStop,
                                        "value:0"}));
    EXPECT_EQ(readFile(b.data("log/CBRrep.log")), crlf(devBlock(kDevA, "A1") + devBlock(kDevA, "A2")));
    EXPECT_EQ(readFile(b.data("log/GTSrep.log")), crlf(devBlock(kDevB, "B1")));
    EXPECT_EQ(b.runner.context().progressCount(), 0);
}

TEST(DeviceExtraction, EmptyListAndFewFilesKeepTheRangeValid) {
    struct Case {
        int files;
        std::vector<std::string> entries;
        std::vector<std::string> events;
    } cases[] = {
        {3, {}, {"cleared", "value:0", "range:0..1", "pause:closing", "status:" + kStop, "value:0"}},
        {1,
         {kDevA},
         {"cleared", "value:0", "range:0..1", "status:Идет обработка каталога по устройству ", "value:0",
          "status:Каталог обработан", "pause:closing", "status:" + kStop, "value:0"}},
        {0,
         {kDevA, kDevB},
         {"cleared", "value:0", "range:0..1", "status:Нет файлов *.s12 в выбранном каталоге",
          "status:Нет файлов *.s12 в выбранном каталоге", "pause:closing", "status:" + kStop, "value:0"}},
    };
    for (const auto& c : cases) {
        Bench b;
        for (int i = 0; i < c.files; ++i) b.addInput(std::to_string(i) + ".s12", "");
        b.lists.devices = c.entries;
        b.runner.run(RunKind::Devices);
        EXPECT_EQ(b.rec.events, c.events) << c.files;
    }
}

TEST(DeviceExtraction, SwitchToFileModeEndsThePassAfterTheCurrentFile) {
    Bench b;
    b.addInput("a.s12", crlf(devReport(kDevA, "A1")));
    b.addInput("b.s12", crlf(devReport(kDevA, "A2")));
    b.addInput("c.s12", crlf(devReport(kDevA, "A3")));
    b.lists.devices = {kDevA};
    b.input.onSelect = [&](int i) {
        if (i == 1) b.input.fileModeFlag = true;
    };
    b.runner.run(RunKind::Devices);
    EXPECT_EQ(readFile(b.data("log/rep.log")), crlf(devBlock(kDevA, "A1") + devBlock(kDevA, "A2")));
    EXPECT_EQ(b.rec.statuses, (std::vector<std::string>{"Идет обработка каталога по устройству ", "Файл обработан", kStop}));
}

TEST(DeviceExtraction, ModeSwitchedDuringTheReadHoldsForTheEntriesAfterIt) {
    // The first entry's walk reads for every entry; "Файла" selected during it, each entry
    // after it looks at the current file only, as it would have read it itself.
    Bench b;
    b.addInput("a.s12", crlf(devReport(kDevA, "A1")));
    b.addInput("b.s12", crlf(devReport(kDevA, "A2")));
    b.addInput("c.s12", crlf(devReport(kDevA, "A3")));
    b.lists.devices = {kDevA + " CBR", kDevA + " GTS"};
    b.input.onSelect = [&](int i) {
        if (i == 1) b.input.fileModeFlag = true;
    };
    b.runner.run(RunKind::Devices);
    EXPECT_EQ(readFile(b.data("log/CBRrep.log")), crlf(devBlock(kDevA, "A1") + devBlock(kDevA, "A2")));
    EXPECT_EQ(readFile(b.data("log/GTSrep.log")), crlf(devBlock(kDevA, "A2")));
    EXPECT_EQ(b.rec.statuses, (std::vector<std::string>{"Идет обработка каталога по устройству CBR", "Файл обработан",
                                                        "Идет обработка файла по устройству GTS", "Файл обработан",
                                                        kStop}));
}

TEST(DeviceExtraction, InAFullRunNoPauseAndProgressKept) {
    Bench b;
    b.addInput("a.s12", crlf(devReport(kDevA, "A1")));
    b.addInput("b.s12", "");
    InsideFullRun full(b, 2);
    b.lists.devices = {kDevA};
    full.run(RunKind::Devices);
    EXPECT_EQ(b.rec.events, (std::vector<std::string>{"status:Идет обработка каталога по устройству ", "value:2",
                                                      "value:3", "status:Каталог обработан"}));
    EXPECT_EQ(full.context.progressCount(), 3);
}
