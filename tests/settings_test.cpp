// Kalvimo.ini: eleven lines, read up to the first failure; written back exactly.
#include <gtest/gtest.h>

#include "engine/settings_file.h"
#include "platform/cp1251.h"
#include "platform/system.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::vector<std::string> kSaved = {
    "c:\\", "ZARYA-UZEL", " 0    заданные рапорта", " 0    заданные устройства", " 0    121 рапорт",
    " 0    аварии", " 1    48 рапорт", " 1    искать новые рапорта", " 0    искать новые устройства",
    "True обрабатывать файл", "False  обрабатывать каталог",
};

std::string fileOf(std::vector<std::string> lines) { return utf8ToCp1251(crlf(lines)); }

}  // namespace

TEST(SettingsFile, WritesTheElevenLinesExactly) {
    Settings s;
    s.curDir = "c:\\";
    s.station = "ZARYA-UZEL";
    s.checks[RunKind::Rrn48] = 1;
    s.checks[Search::NewReports] = 1;
    s.optionFile = true;
    s.optionDir = false;
    EXPECT_EQ(formatSettings(s), fileOf(kSaved));
    const Settings back = parseSettings(formatSettings(s));
    EXPECT_FALSE(back.readFailed);
    EXPECT_EQ(back.curDir, s.curDir);
    EXPECT_EQ(back.checks.inOrder(), s.checks.inOrder());
    EXPECT_TRUE(back.optionFile);
    EXPECT_FALSE(back.optionDir);
}

TEST(SettingsFile, ReadingStopsAtTheFirstFailure) {
    auto with = [](size_t index, const std::string& line) {
        auto lines = kSaved;
        lines[index] = line;
        lines[0] = "/data/printouts";
        return lines;
    };
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        bool failed;
        std::string curDir;
        std::string station;
        std::array<int, 7> checks;
        bool optionFile, optionDir;
    } cases[] = {
        {"only two lines", {"/data", "ST"}, true, "c:\\", "ST", {0, 0, 0, 0, 0, 0, 0}, false, true},
        {"line 3 is x", with(2, "x  заданные"), true, "c:\\", "ZARYA-UZEL", {0, 0, 0, 0, 0, 0, 0}, false, true},
        {"state 3 is refused", with(4, " 3    121"), true, "c:\\", "ZARYA-UZEL", {0, 0, 0, 0, 0, 0, 0}, false, true},
        {"greyed state", with(2, " 2    заданные"), false, "/data/printouts", "ZARYA-UZEL", {2, 0, 0, 0, 1, 1, 0}, true, false},
        {"ten lines", std::vector<std::string>(kSaved.begin(), kSaved.begin() + 10), true, "c:\\", "ZARYA-UZEL",
         {0, 0, 0, 0, 1, 1, 0}, true, false},
        {"both False", with(9, "False обрабатывать файл"), false, "/data/printouts", "ZARYA-UZEL", {0, 0, 0, 0, 1, 1, 0},
         false, false},
        {"both True: directory wins", with(10, "True   обрабатывать каталог"), false, "/data/printouts", "ZARYA-UZEL",
         {0, 0, 0, 0, 1, 1, 0}, false, true},
        {"bad truth value", with(10, "Yes    каталог"), true, "c:\\", "ZARYA-UZEL", {0, 0, 0, 0, 1, 1, 0}, true, false},
        {"empty station line", with(1, ""), false, "/data/printouts", "", {0, 0, 0, 0, 1, 1, 0}, true, false},
        {"empty file", {}, true, "c:\\", "ZARYA-UZEL", {0, 0, 0, 0, 0, 0, 0}, false, true},
    };
    for (const auto& c : cases) {
        const Settings s = parseSettings(fileOf(c.lines));
        EXPECT_EQ(s.readFailed, c.failed) << c.what;
        EXPECT_EQ(s.curDir, c.curDir) << c.what;
        EXPECT_EQ(s.station, c.station) << c.what;
        EXPECT_EQ(s.checks.inOrder(), c.checks) << c.what;
        EXPECT_EQ(s.optionFile, c.optionFile) << c.what;
        EXPECT_EQ(s.optionDir, c.optionDir) << c.what;
    }
}

TEST(SettingsFile, SavedDirectoryAsAPathOfThisSystem) {
    // The window and the batch program both read the saved directory through this rule.
    TempDir home;
    // "c:\\" is that drive on Windows, the home directory elsewhere.
    const std::string driveC = sys::kWindows ? "c:\\" : "{home}";
    struct Case {
        std::vector<std::string> lines;  // UTF-8; the file is written in Windows-1251
        bool writeFile;
        std::string expected;  // {home} for the home directory
    } cases[] = {
        {{"c:\\", "ST"}, true, driveC},  // two lines: a read failure as well
        {kSaved, true, driveC},
        {{"C:\\", "ST", " 0", " 0", " 0", " 0", " 0", " 0", " 0", "True", "False"}, true, sys::kWindows ? "C:\\" : "{home}"},
        {{"c:\\printouts", "ST", " 0", " 0", " 0", " 0", " 0", " 0", " 0", "True", "False"}, true, "c:\\printouts"},
        {{"/data/Печать", "ST", " 0", " 0", " 0", " 0", " 0", " 0", " 0", "True", "False"}, true, "/data/Печать"},
        {{"/data/x", "ST", "x"}, true, driveC},
        {{}, false, driveC},  // no settings file
    };
    for (const auto& c : cases) {
        TempDir data;
        if (c.writeFile) writeFile(data.file("Kalvimo.ini"), fileOf(c.lines));
        const Settings s = loadSettingsFile(data.path());
        const std::string expected = c.expected == "{home}" ? home.path() : c.expected;
        EXPECT_EQ(settingsDirectory(s, home.path()), expected) << (c.lines.empty() ? "" : c.lines[0]);
    }
}
