// The error analysis: detail files, restarts and reboots, and errorstat to the column.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <map>

#include "engine/error_analysis.h"
#include "platform/system.h"
#include "platform/io_block.h"
#include "platform/cp1251.h"
#include "tests/printout_builder.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::string kTitles =
    "Erclac Ertyp Seq Rlvl Fmm   Proc Cs_ip     Userdata                      Na   Data   Time";

std::string sp(size_t n) { return std::string(n, ' '); }

std::string detail(const std::string& title, const std::vector<std::string>& lines) {
    return crlf({std::string(21, ' ') + title, "", kTitles}) + crlf(lines);
}

// rep48.log lines: the type text is in columns 8 to 11.
std::string anomaly(const std::string& type, const std::string& rest = " 1 0B DATA N1  28.08.2000") {
    return "0012345" + type + rest;
}

struct Analysis {
    Bench b;
    std::string errorstat;
    explicit Analysis(const std::vector<std::string>& rep48, const std::string& catalogue = "",
                      bool withCatalogue = true, std::function<void(const std::string&, Bench&)> onStatus = {}) {
        if (onStatus) b.rec.onStatus = [this, onStatus](const std::string& text) { onStatus(text, b); };
        makeDir(b.data("log"));
        makeDir(b.data("error"));
        writeFile(b.data("log/rep48.log"), crlf(rep48));
        if (withCatalogue) writeFile(b.data("allerror.ini"), catalogue);
        b.input.files = {};
        RunContext ctx(DataDir(b.dataRoot), b.environment());
        ErrorAnalysis(ctx).run();
        errorstat = readFile(b.data("error/errorstat"));
    }
    std::string error(const std::string& name) const { return readFile(b.data("error/" + name)); }
    // The lines of errorstat between the column titles and the file list.
    std::vector<std::string> tableRows() const {
        std::vector<std::string> rows;
        const auto lines = splitCrlf(errorstat);
        for (size_t i = 8; i < lines.size() && lines[i] != " "; ++i) rows.push_back(lines[i]);
        return rows;
    }
    static std::vector<std::string> splitCrlf(const std::string& s) {
        std::vector<std::string> out;
        size_t pos = 0;
        while (pos < s.size()) {
            const size_t e = s.find("\r\n", pos);
            out.push_back(s.substr(pos, e - pos));
            pos = e + 2;
        }
        return out;
    }
};

}  // namespace

TEST(ErrorAnalysis, EmptyRep48GivesZeroCountsAndNoDetailFiles) {
    Analysis a({});
    const std::string expected = utf8ToCp1251(
        "              Статистика ошибок ZARYA-UZEL\r\n"
        "\r\n"
        "   Restart's   :  0 \r\n"
        "   Reboot's    :  0 \r\n"
        "   Всего ошибок:  0 \r\n"
        " \r\n"
        "  Тип ошибки Количество Значение\r\n"
        " \r\n"
        " \r\n"
        "         Обработаны файлы:\r\n"
        " \r\n");
    EXPECT_EQ(a.errorstat, expected);
    EXPECT_EQ(dirEntries(a.b.data("error")), std::vector<std::string>{"errorstat"});
    EXPECT_EQ(a.b.rec.statuses, std::vector<std::string>{"Составляется отчет"});
}

TEST(ErrorAnalysis, RestartAndRebootMarksAndTypeFiles) {
    const std::vector<std::string> rep48 = {
        anomaly("12  ", " RESTART REBOOT"),  // both marks
        anomaly("0012", " rest boot"),        // lower case: no mark; same number, other file
        anomaly("12  ", " BOOT"),
        anomaly("7   ", " PLAIN"),
    };
    Analysis a(rep48, "12   twelve\r\n7    seven\r\n");
    EXPECT_EQ(a.error("restart"), detail("RESTART'S", {rep48[0]}));
    EXPECT_EQ(a.error("reboot"), detail("REBOOT'S", {rep48[0], rep48[2]}));
    EXPECT_EQ(a.error("12"), detail("ERROR N 12", {rep48[0], rep48[2]}));
    // The heading goes with the first line of the number, so the second text's file has none.
    EXPECT_EQ(a.error("0012"), crlf({rep48[1]}));
    EXPECT_EQ(a.error("7"), detail("ERROR N 7", {rep48[3]}));
    EXPECT_NE(a.errorstat.find("   Restart's   :  1 \r\n   Reboot's    :  2 \r\n"), std::string::npos);
    EXPECT_NE(a.errorstat.find(utf8ToCp1251("   Всего ошибок:  4 \r\n")), std::string::npos);
    const auto rows = a.tableRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "  7" + sp(10) + "1" + sp(9) + "seven" + sp(54));
    EXPECT_EQ(rows[1], "  12" + sp(9) + "3" + sp(9) + "twelve" + sp(54));
    EXPECT_EQ(a.b.rec.statuses,
              (std::vector<std::string>{"  Идет обработка ошибок  1", "  Идет обработка ошибок  2",
                                        "  Идет обработка ошибок  3", "  Идет обработка ошибок  4",
                                        "Составляется отчет"}));
    EXPECT_EQ(a.b.rec.events.back(), "status:Составляется отчет");
    EXPECT_EQ(a.b.rec.events[a.b.rec.events.size() - 2], "pause:analysis");
}

TEST(ErrorAnalysis, TypeTextsThatAreNoNumber) {
    const std::vector<std::string> rep48 = {
        anomaly("    ", " REST"),  // blank type: counted, restart, no file
        anomaly("1A  "),
        anomaly("-5  "),
        anomaly(" 42 "),  // leading blank kept in the file name
        "short",           // no type columns at all
        "REST",            // nothing but the mark
    };
    Analysis a(rep48, "42   answer\r\n");
    EXPECT_EQ(a.error("restart"), detail("RESTART'S", {rep48[0], rep48[5]}));
    EXPECT_EQ(a.error(" 42"), detail("ERROR N  42", {rep48[3]}));
    EXPECT_EQ(dirEntries(a.b.data("error")), (std::vector<std::string>{" 42", "errorstat", "restart"}));
    EXPECT_NE(a.errorstat.find(utf8ToCp1251("   Всего ошибок:  6 \r\n")), std::string::npos);
    ASSERT_EQ(a.tableRows().size(), 1u);
    EXPECT_EQ(a.tableRows()[0].substr(0, 25), "  42" + sp(9) + "1" + sp(9) + "an");
}

TEST(ErrorAnalysis, CatalogueMatching) {
    struct Case {
        const char* what;
        std::string catalogue;
        std::vector<std::string> rows;
    } cases[] = {
        {"missing entry: no row", "13   other\r\n", {}},
        {"two lines for one number give two rows, catalogue order",
         "12   first\r\n13   x\r\n12   second\r\n",
         {"  12" + sp(9) + "2" + sp(9) + "first" + sp(55), "  12" + sp(9) + "2" + sp(9) + "second" + sp(54)}},
        {"leading blank or zero does not match", " 12  a\r\n012  b\r\n", {}},
        {"trailing blanks of the key are ignored; a short line matches with no description",
         "12\r\n",
         {"  12" + sp(9) + "2" + sp(69)}},
        {"column 5 is not read", "12  Xdesc\r\n", {"  12" + sp(9) + "2" + sp(9) + "desc" + sp(56)}},
    };
    for (const auto& c : cases) {
        Analysis a({anomaly("12  "), anomaly("0012")}, c.catalogue);
        EXPECT_EQ(a.tableRows(), c.rows) << c.what;
    }
    Analysis missing({anomaly("12  ")}, "", false);
    EXPECT_TRUE(missing.tableRows().empty());
    EXPECT_FALSE(missing.b.runner.outcome().anyFailure());
}

TEST(ErrorAnalysis, RowsInNumericOrderOfType) {
    // Met in the order 100, 5, 9999, 12, 5: rows by number, not by text or by first meeting.
    Analysis a({anomaly("100 "), anomaly("5   "), anomaly("9999"), anomaly("12  "), anomaly("5   ")},
               "9999 last\r\n12   twelve\r\n100  hundred\r\n5    five\r\n");
    std::vector<std::string> starts;
    for (const auto& row : a.tableRows()) starts.push_back(row.substr(0, 21));
    EXPECT_EQ(starts, (std::vector<std::string>{"  5" + sp(10) + "2" + sp(7), "  12" + sp(9) + "1" + sp(7),
                                                 "  100" + sp(8) + "1" + sp(7), "  9999" + sp(7) + "1" + sp(7)}));
}

TEST(ErrorAnalysisRow, WidthsAndCuts) {
    const std::string desc70(70, 'd');
    struct Case {
        int type;
        long count;
        std::string line;
        std::string expected;
    } cases[] = {
        {12, 5, "12   " + desc70, "  12" + sp(9) + "5" + sp(9) + std::string(60, 'd')},  // 58 + 2 kept
        {0, 1, "0    short", "  0" + sp(10) + "1" + sp(9) + "short" + sp(54)},
        {12, 12345, "12   x", "  12" + sp(9) + "1234" + sp(6) + "x" + sp(59)},
        {10000, 999, "10000d" + desc70, "  10000" + sp(6) + "999" + sp(7) + std::string(63, 'd')},
        {7, 3, "7    " + desc70 + "BEYOND75", "  7" + sp(10) + "3" + sp(9) + std::string(59, 'd')},
    };
    for (const auto& c : cases) {
        const std::string row = errorTableRow(c.type, c.count, c.line);
        EXPECT_EQ(row, c.expected) << c.type;
        EXPECT_EQ(row.size(), 81 + std::to_string(c.type).size());
    }
}

TEST(ErrorAnalysis, FileRowsFollowTheSelection) {
    Bench b;
    b.addInput("b.s12", "");
    b.addInput("Сеть.s12", "");  // a Cyrillic name is written in Windows-1251
    // And one that is Windows-1251 on disk keeps its bytes; Windows holds no such name.
    const std::string odd = kalvimo::sys::kWindows ? "\u041E\u0442\u0447\u0451\u0442.s12" : "\xCE\xF2\xF7\xB8\xF2.s12";
    b.addInput(odd, "");
    const std::string path = under(b.inputDir, "b.s12");
    std::tm tm{};
    tm.tm_year = 100;
    tm.tm_mon = 7;
    tm.tm_mday = 28;
    tm.tm_hour = 10;
    tm.tm_min = 15;
    tm.tm_sec = 32;
    tm.tm_isdst = -1;
    const time_t t = std::mktime(&tm);
    ASSERT_TRUE(setLastChange(path, t));
    b.runner.run(RunKind::Rrn48);
    const std::string stat = readFile(b.data("error/errorstat"));
    const std::string tail = utf8ToCp1251("         Обработаны файлы:\r\n \r\n  b.s12   от   28.08.2000 10:15:32\r\n  Сеть.s12   от   ");
    EXPECT_NE(stat.find(tail), std::string::npos);
    EXPECT_NE(stat.find("\r\n  \xCE\xF2\xF7\xB8\xF2.s12   \xEE\xF2   "), std::string::npos) << stat;  // Отчёт.s12
    EXPECT_EQ(b.input.current, 2);  // the last file stays selected

    // File mode: one row, for the current file.
    b.useFile("b.s12");
    b.runner.run(RunKind::Rrn48);
    const std::string one = readFile(b.data("error/errorstat"));
    EXPECT_NE(one.find("  b.s12   "), std::string::npos);
    EXPECT_EQ(one.find(utf8ToCp1251("Сеть")), std::string::npos);
}

TEST(ErrorAnalysis, DetailFilesMatchLineByLineAppendsOnALargeLog) {
    // More lines than the memory buffer holds, over many types: the files must be exactly
    // what appending one line at a time would give, and what waits in memory stays within
    // its limit (8 MiB) while the lines are counted.
    constexpr int kLines = 150000;
    std::vector<std::string> rep48;
    std::map<std::string, std::string> expected;
    std::map<int, int> counts;
    for (int i = 0; i < kLines; ++i) {
        const int type = (i * 7919) % 1500;
        char typeText[8];
        std::snprintf(typeText, sizeof typeText, i % 3 ? "%-4d" : "%04d", type);
        std::string line = anomaly(typeText, " " + std::string(60, 'x') + std::to_string(i));
        std::string name = typeText;
        while (name.back() == ' ') name.pop_back();
        if (++counts[type] == 1) expected[name] += crlf({std::string(21, ' ') + "ERROR N " + name, "", kTitles});
        expected[name] += line + "\r\n";
        rep48.push_back(std::move(line));
    }
    size_t total = 0;
    for (const auto& [name, content] : expected) total += content.size();
    size_t onDiskAtLastCount = 0;
    Analysis a(rep48, "", true, [&](const std::string& text, Bench& b) {
        if (text != "  Идет обработка ошибок  " + std::to_string(kLines)) return;
        for (const std::string& name : dirEntries(b.data("error"))) onDiskAtLastCount += readFile(b.data("error/" + name)).size();
    });
    EXPECT_GE(onDiskAtLastCount + (8u << 20) + 4096, total);
    size_t checked = 0;
    for (const auto& [name, content] : expected) {
        ASSERT_EQ(a.error(name), content) << name;
        ++checked;
    }
    EXPECT_EQ(checked + 1, dirEntries(a.b.data("error")).size());
}

TEST(ErrorAnalysis, CountingWhileTheScanWritesEqualsReadingBack) {
    // An RRN 48 run counts rep48.log as it is written, in pieces of the file's buffer (a
    // piece ends every kIoBlock bytes of the file): lines cut between two pieces, and lines
    // longer than a whole buffer, counted as they come, must count as a read of the finished
    // file counts them.
    std::vector<std::string> lines;
    const char* const types[] = {"0012", "12  ", "7   ", "x1  ", "-3  ", "0   ", "3276", "9999"};
    const char* const words[] = {"RESTART", "REBOOT", "RESTBOOT", "BOOTREST", "TEST", "RES T", ""};
    size_t offset = 0;  // where the next line of rep48.log begins
    const auto pieceEnd = [&offset](size_t after) { return (offset / kIoBlock + after) * kIoBlock; };
    for (int i = 0; i < 30000; ++i) {
        const std::string anomaly = "N" + std::to_string(i % 1000);
        std::string data = "0012345" + std::string(types[i % 8]) + " 1 0B ";
        const auto upTo = [&data](size_t length) { data.resize(length, 'x'); };
        if (i == 15000) {
            data += std::string(3 << 20, 'T');  // no mark
        } else if (i == 16000) {
            upTo(pieceEnd(3) - 2 - offset);  // a mark cut between two pieces
            data += "BOOT" + std::string(100, 'x');
        } else if (i == 17000 || i == 18000) {
            // A CR that is data ends a piece: the first one of the line, or a later one.
            upTo(pieceEnd(i == 17000 ? 2 : 3) - 1 - offset);
            data += "\r" + std::string(1000, 'x') + " REST";
        } else if (i == 19000 || i == 20000) {
            // The CR of the line break ends a piece, the LF begins the next.
            data += "BOOT ";
            upTo(pieceEnd(i == 19000 ? 2 : 3) - 1 - offset - 27 - anomaly.size());
        } else {
            data += words[i % 7] + std::string(" ") + std::string(static_cast<size_t>(i * 37 % 200), 'A' + i % 26);
        }
        offset += data.size() + 27 + anomaly.size() + 2;
        const auto report = anomalyReport("  " + data, anomaly);
        lines.insert(lines.end(), report.begin(), report.end());
    }
    Bench written;
    written.addInput("p.s12", crlf(lines));
    written.runner.run(RunKind::Rrn48);
    const std::string rep48 = readFile(written.data("log/rep48.log"));
    ASSERT_EQ(rep48.size(), offset);

    Bench readBack;
    readBack.input.dir = written.inputDir;
    readBack.input.files = written.input.files;
    makeDir(readBack.data("log"));
    makeDir(readBack.data("error"));
    writeFile(readBack.data("log/rep48.log"), rep48);
    RunContext ctx(DataDir(readBack.dataRoot), readBack.environment());
    ErrorAnalysis(ctx).run();

    const std::vector<std::string> names = dirEntries(written.data("error"));
    ASSERT_EQ(names, dirEntries(readBack.data("error")));
    EXPECT_EQ(names.size(), 9u);  // six types, restart, reboot, errorstat: "x1" and "-3" have none
    for (const std::string& name : names)
        EXPECT_EQ(readFile(written.data("error/" + name)), readFile(readBack.data("error/" + name))) << name;
}
