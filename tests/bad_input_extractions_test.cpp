// Bad input and failing files for the extractions by number, by device, the alarms and the
// full run: printouts cut short, input files that cannot be read, result files that cannot be
// made, huge lines, list entries that would name a file outside log/, list files that cannot
// be read.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#endif

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "engine/list_source.h"
#include "platform/cp1251.h"
#include "platform/system.h"
#include "tests/file_size_limit.h"
#include "tests/printout_builder.h"
#include "tests/test_support.h"
#ifndef _WIN32
#include "tests/unprivileged.h"
#endif

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::string kDevice = "0012/0034/0005";  // 14 characters: a whole device text
const std::string kOtherDevice = "0099/0099/0099";
const std::string kDirDone = "Каталог обработан";

// One printout that every member finds something in: a report 121 of kDevice, ended for the
// number extraction by "NO = 0" and for the device extraction by "LAST REPORT", then an
// alarm report. The indices are used by the expectations below.
std::vector<std::string> printout() {
    return {
        "JUNK BEFORE",                    // 0
        header(),                         // 1  header of the report 121
        line2(kDevice, "STATUS REPORT"),  // 2  device line
        numberLine("121"),                // 3  number line
        "  BODY 1",                       // 4
        "  END NO = 0",                   // 5  end of the block by number
        "  LAST REPORT",                  // 6  end of the block by device
        header(),                         // 7  header of the alarm report
        "  ALARM TITLE",                  // 8
        numberLine("00011"),              // 9
        "  PRE 4",                        // 10 preamble, lines 4 to 9 of the report
        "  PRE 5",
        "  PRE 6",
        "  PRE 7",
        "  PRE 8",
        "  PRE 9",                        // 15
        "  ALARM ONE",                    // 16
        "  EXTERNAL X",                   // 17 filtered out
        "  ALARM TWO",                    // 18
        "",                               // 19 ends the alarm lines
        "JUNK AFTER",                     // 20
    };
}
constexpr int kWholeNumberBody = 2;  // lines 4 and 5
constexpr int kWholeDeviceBody = 4;  // lines 3 to 6
constexpr int kWholeAlarmLines = 2;  // lines 16 and 18

// The block of a report by number whose first `body` body lines were read; nothing for -1
// (the number line was never read). L holds the lines as the reader gives them.
std::string numberBlock(const std::vector<std::string>& L, int body) {
    if (body < 0) return "";
    std::string out = L[1] + "\r\n\r\n";
    for (int i = 0; i < body; ++i) out += L[static_cast<size_t>(4 + i)] + "\r\n";
    return out + "\r\n\r\n";
}

// The same for the device extraction: header, device line, empty line, body from line 3.
std::string deviceBlock(const std::vector<std::string>& L, int body) {
    if (body < 0) return "";
    std::string out = L[1] + "\r\n" + L[2] + "\r\n\r\n";
    for (int i = 0; i < body; ++i) out += L[static_cast<size_t>(3 + i)] + "\r\n";
    return out + "\r\n\r\n";
}

// The first `count` written alarm lines (line 17 holds a filter word).
std::string alarmLines(const std::vector<std::string>& L, int count) {
    static const size_t written[] = {16, 18, 19};
    std::string out;
    for (int i = 0; i < count; ++i) out += L[written[i]] + "\r\n";
    return out;
}

enum class Member { Rrn121, Reports, Devices, Alarms, Full };

struct MemberCase {
    const char* name;
    Member member;
};
const MemberCase kMembers[] = {
    {"rrn121", Member::Rrn121}, {"reports", Member::Reports}, {"devices", Member::Devices},
    {"alarms", Member::Alarms}, {"full", Member::Full},
};

void click(Runner& r, Member m) {
    switch (m) {
    case Member::Rrn121: r.run(RunKind::Rrn121); break;
    case Member::Reports: r.run(RunKind::Reports); break;
    case Member::Devices: r.run(RunKind::Devices); break;
    case Member::Alarms: r.run(RunKind::Alarms); break;
    case Member::Full: r.run(RunKind::Full); break;
    }
}

// The lists every test starts from: "21" matches the number line of a report 121 and "7"
// matches nothing; the first device has a comment, the second none and matches nothing.
// The full run ticks every kind but RRN 48.
void standardSetup(Bench& b) {
    b.lists.reports = {"21", "7"};
    b.lists.devices = {kDevice + " CBR", kOtherDevice};
    for (Box box : {RunKind::Reports, RunKind::Devices, RunKind::Rrn121, RunKind::Alarms})
        b.options.set(box, 1);
}

using Files = std::map<std::string, std::string>;

// The result files a member leaves under the standard setup, given the text each kind wrote.
Files expectedFiles(Member m, const std::string& byNumber, const std::string& byDevice, const std::string& alarms) {
    Files f;
    if (m == Member::Rrn121 || m == Member::Full) f["rep121.log"] = byNumber;
    if (m == Member::Reports || m == Member::Full) {
        f["rep21.log"] = byNumber;
        f["rep7.log"] = "";
    }
    if (m == Member::Devices || m == Member::Full) {
        f["CBRrep.log"] = byDevice;
        f["rep.log"] = "";
    }
    if (m == Member::Alarms || m == Member::Full) f["alarm.log"] = alarms;
    return f;
}

// The regular files of log/; anything else is named as such.
Files logFiles(const Bench& b) {
    Files f;
    for (const auto& name : dirEntries(b.data("log"))) {
        const std::string path = b.data("log/" + name);
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(fsPath(path)))) f[name] = readFile(path);
        else f[name] = "<not a regular file>";
    }
    return f;
}

// Compares without printing megabytes on a mismatch.
void expectSameFiles(const Files& actual, const Files& expected, const std::string& what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (const auto& [name, bytes] : expected) {
        const auto it = actual.find(name);
        ASSERT_NE(it, actual.end()) << what << ": no " << name;
        if (bytes.size() < 4096) {
            EXPECT_EQ(it->second, bytes) << what << ": " << name;
        } else {
            EXPECT_TRUE(it->second == bytes) << what << ": " << name << " has " << it->second.size()
                                             << " bytes, expected " << bytes.size();
        }
    }
}

int openDescriptors() { return openFileCount(); }

// After a failed result file: the failure text is the last thing shown, with no pause and
// no "Cтоп" after it, the progress back at 0 and the run state at rest.
void expectEndedBy(const Bench& b, const Runner& r, const std::string& failure, const std::string& what) {
    ASSERT_FALSE(b.rec.statuses.empty()) << what;
    EXPECT_EQ(b.rec.statuses.back(), failure) << what;
    const auto& ev = b.rec.events;
    const auto at = std::find(ev.begin(), ev.end(), "status:" + failure);
    ASSERT_NE(at, ev.end()) << what;
    for (auto it = at + 1; it != ev.end(); ++it) {
        EXPECT_NE(it->rfind("pause:", 0), 0u) << what << ": " << *it;
        EXPECT_NE(it->rfind("status:", 0), 0u) << what << ": " << *it;
    }
    ASSERT_FALSE(b.rec.values.empty()) << what;
    EXPECT_EQ(b.rec.values.back(), 0) << what;
    EXPECT_EQ(r.context().progressCount(), 0) << what;
    EXPECT_FALSE(r.context().inFullRun()) << what;
    EXPECT_TRUE(r.outcome().aborted) << what;
}

}  // namespace

TEST(BadInputExtractions, PrintoutCutAfterEveryLine) {
    // Per number of whole lines left: body lines of the block by number (-1: no block), of
    // the block by device, and alarm lines written. A cut block keeps what was read and is
    // closed with the two empty lines; alarm lines written stay.
    struct Row {
        int lines, number, device, alarm;
    } rows[] = {
        {0, -1, -1, 0},  {1, -1, -1, 0}, {2, -1, -1, 0}, {3, -1, 0, 0},  {4, 0, 1, 0},   {5, 1, 2, 0},
        {6, 2, 3, 0},    {7, 2, 4, 0},   {8, 2, 4, 0},   {9, 2, 4, 0},   {10, 2, 4, 0},  {11, 2, 4, 0},
        {12, 2, 4, 0},   {13, 2, 4, 0},  {14, 2, 4, 0},  {15, 2, 4, 0},  {16, 2, 4, 0},  {17, 2, 4, 1},
        {18, 2, 4, 1},   {19, 2, 4, 2},  {20, 2, 4, 2},  {21, 2, 4, 2},
    };
    const std::vector<std::string> whole = printout();
    ASSERT_EQ(std::size(rows), whole.size() + 1);
    enum Ending { WithLineBreak, WithoutLineBreak, CrWithoutLf };
    for (const Row& row : rows) {
        for (Ending ending : {WithLineBreak, WithoutLineBreak, CrWithoutLf}) {
            const size_t k = static_cast<size_t>(row.lines);
            std::vector<std::string> seen(whole.begin(), whole.begin() + static_cast<long>(k));
            std::string content;
            for (size_t i = 0; i < k; ++i) content += (i ? "\r\n" : "") + seen[i];
            if (k > 0 && ending == WithLineBreak) content += "\r\n";
            // A CR with no LF after it is data: the last line keeps it.
            if (k > 0 && ending == CrWithoutLf) {
                content += "\r";
                seen.back() += "\r";
            }
            int alarm = row.alarm;
            // Line 19 is then "\r", not empty: written, and reading goes on to the end.
            if (ending == CrWithoutLf && k == 20) alarm = 3;
            seen.resize(whole.size());

            const std::string what = "cut after " + std::to_string(k) + " lines, ending " + std::to_string(ending);
            const std::vector<std::string>& W = whole;
            const std::string byNumber = numberBlock(seen, row.number) + numberBlock(W, kWholeNumberBody);
            const std::string byDevice = deviceBlock(seen, row.device) + deviceBlock(W, kWholeDeviceBody);
            const std::string alarms = alarmLines(seen, alarm) + alarmLines(W, kWholeAlarmLines);

            // The cut file first, a whole one after it: the walk goes on.
            Bench b;
            standardSetup(b);
            b.addInput("a.s12", content);
            b.addInput("b.s12", crlf(whole));
            for (const auto& m : kMembers) {
                click(b.runner, m.member);
                expectSameFiles(logFiles(b), expectedFiles(m.member, byNumber, byDevice, alarms), what + ", " + m.name);
                EXPECT_FALSE(b.runner.outcome().anyFailure()) << what << ", " << m.name;
                EXPECT_EQ(b.rec.statuses.back(), kStop) << what << ", " << m.name;
            }
            if (HasFailure()) return;
        }
    }
}

TEST(BadInputExtractions, UnreadableOrVanishedInputFileIsSkippedByEveryPass) {
    const std::string numberDir = "Идет обработка каталога RRN - ";
    const std::string deviceDir = "Идет обработка каталога по устройству ";
    const std::string alarmDir = "Идет обработка каталога Аварии";
    struct Failure {
        const char* what;
        std::function<void(const std::string& path)> make;
        std::string message;  // after the path
    } failures[] = {
        {"vanished after the listing", [](const std::string&) {}, ": файл или каталог не найден"},
        {"a directory", [](const std::string& p) { ASSERT_TRUE(makeDir(p)); }, ": это каталог"},
#ifndef _WIN32  // a file no read of succeeds: Linux's /proc/self/mem read from offset 0
        {"every read fails", [](const std::string& p) { ASSERT_EQ(::symlink("/proc/self/mem", p.c_str()), 0); },
         ": ошибка ввода-вывода"},
#endif
    };
    for (const auto& f : failures) {
        for (const auto& m : kMembers) {
            const std::string what = std::string(f.what) + ", " + m.name;
            Bench b;
            standardSetup(b);
            b.addInput("a.s12", crlf(printout()));
            f.make(under(b.inputDir, "b.s12"));
            b.input.files.push_back("b.s12");
            b.addInput("c.s12", crlf(printout()));
            const bool openFails = std::string(f.what).starts_with("vanished");
            const std::string skip = (openFails ? "Не удалось открыть файл " : "Ошибка чтения файла ") +
                                     under(b.inputDir, "b.s12") + f.message + "; файл пропущен";
            const int before = openDescriptors();
            click(b.runner, m.member);
            EXPECT_EQ(openDescriptors(), before) << what;

            const std::vector<std::string> byNumber = {numberDir + "21", skip, numberDir + "7", skip, kDirDone, kStop, kStop};
            const std::vector<std::string> byDevice = {deviceDir + "CBR", skip, kDirDone, deviceDir, skip, kDirDone};
            const std::vector<std::string> rrn121 = {numberDir + "121", skip, kDirDone, kStop, kStop};
            const std::vector<std::string> alarms = {alarmDir, skip, kDirDone};
            std::vector<std::string> expected;
            int passes = 0;
            switch (m.member) {
            case Member::Rrn121: expected = rrn121; passes = 1; break;
            case Member::Reports: expected = byNumber; passes = 2; break;
            case Member::Devices: expected = byDevice + std::vector<std::string>{kStop}; passes = 2; break;
            case Member::Alarms: expected = alarms + std::vector<std::string>{kStop}; passes = 1; break;
            case Member::Full:
                // In a full run the number runs of a directory still end with their pause and
                // "Cтоп", once; devices and alarms leave theirs out.
                expected = std::vector<std::string>{numberDir + "21", skip, numberDir + "7", skip, kDirDone, kStop} +
                           byDevice + std::vector<std::string>{numberDir + "121", skip, kDirDone, kStop} + alarms +
                           std::vector<std::string>{kStop};
                passes = 6;
                break;
            }
            EXPECT_EQ(b.rec.statuses, expected) << what;
            EXPECT_EQ(b.runner.outcome().inputFailures, passes) << what;
            EXPECT_FALSE(b.runner.outcome().aborted) << what;
            const std::vector<std::string>& W = printout();
            expectSameFiles(logFiles(b),
                            expectedFiles(m.member, numberBlock(W, kWholeNumberBody) + numberBlock(W, kWholeNumberBody),
                                          deviceBlock(W, kWholeDeviceBody) + deviceBlock(W, kWholeDeviceBody),
                                          alarmLines(W, kWholeAlarmLines) + alarmLines(W, kWholeAlarmLines)),
                            what);
            EXPECT_EQ(b.runner.context().progressCount(), 0) << what;
            EXPECT_EQ(b.rec.values.back(), 0) << what;
        }
    }
}

TEST(BadInputExtractions, ResultFileThatCannotBeMadeEndsTheRun) {
    // The disk is full from the moment the blocked file's pass begins.
    struct Blocker {
        const char* what;
        bool create;      // a directory in its place: the failure comes when creating
        bool bigReports;  // lines longer than any write buffer: writing fails amid a report
    } blockers[] = {
        {"a directory in its place", true, false},
        {"a full disk", false, false},
        {"a full disk, big reports", false, true},
    };
    const std::map<Member, std::string> passBegins = {
        {Member::Rrn121, ""}, {Member::Reports, ""}, {Member::Devices, ""},
        {Member::Alarms, ""}, {Member::Full, "Идет обработка каталога RRN - 121"},
    };
    // The file of the first pass of each member, except in the full run, where the kinds
    // before RRN 121 have finished their files.
    const std::map<Member, std::string> blocked = {
        {Member::Rrn121, "rep121.log"}, {Member::Reports, "rep21.log"}, {Member::Devices, "CBRrep.log"},
        {Member::Alarms, "alarm.log"},  {Member::Full, "rep121.log"},
    };
    for (const auto& bl : blockers) {
        std::vector<std::string> W = printout();
        if (bl.bigReports) {
            W[4] += std::string(3 << 20, 'b');   // body of the report 121
            W[16] += std::string(3 << 20, 'a');  // an alarm line
        }
        for (const auto& m : kMembers) {
            const std::string what = std::string(bl.what) + ", " + m.name;
            Bench b;
            standardSetup(b);
            b.addInput("a.s12", crlf(W));
            b.addInput("b.s12", crlf(W));
            makeDir(b.data("log"));
            const std::string path = b.data("log/" + blocked.at(m.member));
            if (bl.create) {
                ASSERT_TRUE(makeDir(path));
            }
            std::optional<FileSizeLimit> full;
            const std::string& trigger = passBegins.at(m.member);
            if (!bl.create && trigger.empty()) full.emplace(0);
            b.rec.onStatus = [&](const std::string& text) {
                if (!bl.create && text == trigger) full.emplace(0);
            };
            const int before = openDescriptors();
            click(b.runner, m.member);
            full.reset();
            EXPECT_EQ(openDescriptors(), before) << what;
            expectEndedBy(b, b.runner,
                          bl.create ? "Не удалось создать файл " + path + ": это каталог"
                                    : "Ошибка записи в файл " + path + ": файл слишком велик",
                          what);
            // Files finished before the failure stay whole; no later pass ran.
            Files expected;
            if (m.member == Member::Full) {
                expected = expectedFiles(Member::Reports, numberBlock(W, kWholeNumberBody) + numberBlock(W, kWholeNumberBody), "", "");
                expected.merge(expectedFiles(Member::Devices, "", deviceBlock(W, kWholeDeviceBody) + deviceBlock(W, kWholeDeviceBody), ""));
            }
            Files actual = logFiles(b);
            actual.erase(blocked.at(m.member));
            expectSameFiles(actual, expected, what);
            const auto st = std::filesystem::symlink_status(fsPath(path));  // the blocker itself is left alone
            EXPECT_TRUE(bl.create ? st.type() == std::filesystem::file_type::directory
                                  : st.type() == std::filesystem::file_type::regular &&
                                        std::filesystem::file_size(fsPath(path)) == 0)
                << what;
        }
    }
}

#ifndef _WIN32  // a directory's permission bits and the user nobody are POSIX's
TEST(BadInputExtractions, ReadOnlyLogDirectoryEndsTheRun) {
    const std::map<Member, std::string> first = {
        {Member::Rrn121, "rep121.log"}, {Member::Reports, "rep21.log"}, {Member::Devices, "CBRrep.log"},
        {Member::Alarms, "alarm.log"},  {Member::Full, "rep21.log"},
    };
    for (const auto& m : kMembers) {
        Bench b;
        standardSetup(b);
        b.addInput("a.s12", crlf(printout()));
        makeDir(b.data("log"));
        ::chmod(b.data("log").c_str(), 0555);
        Unprivileged user(b.tmp.path());
        if (!user.active()) GTEST_SKIP() << "root cannot give up its rights here";
        const int probe = ::open(b.data("log/probe").c_str(), O_WRONLY | O_CREAT, 0644);
        if (probe >= 0) {
            ::close(probe);
            GTEST_SKIP() << "permission bits do not stop writes here";
        }
        click(b.runner, m.member);
        expectEndedBy(b, b.runner, "Не удалось создать файл " + b.data("log/" + first.at(m.member)) + ": нет доступа",
                      m.name);
        EXPECT_TRUE(dirEntries(b.data("log")).empty()) << m.name;
    }
}
#endif

TEST(BadInputExtractions, HugeLinesInsideCopiedReportsAreCopiedByteExactly) {
    // Lines of a few MB with every kind of byte but LF; none holds a filter word or "NO = 0"
    // or "LAST REPORT", which are all capitals.
    auto big = [](size_t size, unsigned seed) {
        std::string s(size, ' ');
        for (size_t i = 0; i < size; ++i) {
            const unsigned v = static_cast<unsigned>((i * 2654435761u + seed) >> 7) % 40;
            s[i] = v < 26 ? static_cast<char>('a' + v) : "\x00\x98\xFF\r\t ~!#$%&()*"[v - 26];
        }
        return s;
    };
    std::vector<std::string> lines = printout();
    lines[0] = big(5 << 20, 1);                  // not a header
    lines[1] = big(3 << 20, 2) + lines[1];        // the header, station at its end
    lines[2] = lines[2] + big(2 << 20, 3);        // device line
    lines[4] = "  BODY 1" + big(4 << 20, 4);      // body
    lines[16] = "  ALARM ONE" + big(3 << 20, 5);  // alarm line
    const std::string content = crlf(lines);
    for (const auto& m : kMembers) {
        Bench b;
        standardSetup(b);
        b.addInput("a.s12", content);
        click(b.runner, m.member);
        expectSameFiles(logFiles(b),
                        expectedFiles(m.member, numberBlock(lines, kWholeNumberBody), deviceBlock(lines, kWholeDeviceBody),
                                      alarmLines(lines, kWholeAlarmLines)),
                        m.name);
        EXPECT_FALSE(b.runner.outcome().anyFailure()) << m.name;
    }
}

TEST(BadInputExtractions, EntriesThatWouldNameAFileOutsideLogAreRefused) {
    enum Kind { Comment, Number };
    const std::string zh = utf8ToCp1251("Ж");  // one byte here, two in a file name
    auto repeat = [](const std::string& s, size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i) out += s;
        return out;
    };
    struct Case {
        Kind kind;
        std::string raw;    // the comment or the list entry, Windows-1251
        std::string shown;  // in the refusal; empty: accepted
        std::string file;   // accepted: the result file it names
    };
    std::vector<Case> cases = {
        {Comment, "../x", "../x", ""},
        {Comment, "a/b", "a/b", ""},
        {Comment, "a\\b", "a\\b", ""},
        {Comment, "..", "..", ""},
        {Comment, ".", ".", ""},
        {Comment, "  ..  ", "..", ""},  // spaces around a comment do not count
        {Comment, std::string("a\0b", 3), "a?b", ""},
        {Comment, std::string(300, 'C'), std::string(60, 'C') + "…", ""},
        {Comment, std::string(249, 'C'), std::string(60, 'C') + "…", ""},  // 256 bytes with "rep.log"
        {Comment, std::string(248, 'C'), "", std::string(248, 'C') + "rep.log"},  // 255 bytes
        {Comment, repeat(zh, 125), repeat("Ж", 60) + "…", ""},  // 257 bytes in UTF-8
        {Comment, repeat(zh, 124), "", repeat("Ж", 124) + "rep.log"},
        {Number, "../x", "../x", ""},
        {Number, "a/b", "a/b", ""},
        {Number, "a\\b", "a\\b", ""},
        {Number, "..", "..", ""},
        {Number, ".", ".", ""},
        {Number, ".   ", ".", ""},  // trailing spaces are removed first
        {Number, ".. ", "..", ""},
        {Number, std::string("\0", 1), "?", ""},
        {Number, std::string("1\0", 2), "1?", ""},
        {Number, std::string(300, '9'), std::string(60, '9') + "…", ""},
        {Number, std::string(249, '9'), std::string(60, '9') + "…", ""},
        {Number, std::string(248, '9'), "", "rep" + std::string(248, '9') + ".log"},
    };
    // Names Windows cannot hold, takes for a stream of another file ("a:b") or for a device.
    for (const std::string raw : {"a:b", "a*", "a?b", "<a>", "a|b", "a\"b", "\x01", "NUL.", "con .x", "COM1."}) {
        const std::string shown = raw == "\x01" ? "?" : raw;
        cases.push_back({Comment, raw, sys::kWindows ? shown : "", sys::kWindows ? "" : raw + "rep.log"});
    }
    cases.push_back({Number, "7:8", sys::kWindows ? "7:8" : "", sys::kWindows ? "" : "rep7:8.log"});
    const std::vector<std::string>& W = printout();
    for (const auto& c : cases) {
        const std::string what = (c.kind == Comment ? "comment \"" : "number \"") + c.raw + "\"";
        Bench b;
        b.addInput("a.s12", crlf(W));
        Files expected;
        std::vector<std::string> statuses;
        if (c.kind == Comment) {
            b.lists.devices = {kDevice + " " + c.raw, kDevice + " GTS"};
            b.runner.run(RunKind::Devices);
            expected["GTSrep.log"] = deviceBlock(W, kWholeDeviceBody);
            if (c.shown.empty()) {
                expected[c.file] = deviceBlock(W, kWholeDeviceBody);
                statuses = {"Идет обработка каталога по устройству " + cp1251ToUtf8(c.raw), kDirDone};
            } else {
                statuses = {"Комментарий «" + c.shown + "» не годится для имени файла результата; устройство пропущено"};
            }
            statuses = statuses + std::vector<std::string>{"Идет обработка каталога по устройству GTS", kDirDone, kStop};
        } else {
            b.lists.reports = {c.raw, "21"};
            b.runner.run(RunKind::Reports);
            expected["rep21.log"] = numberBlock(W, kWholeNumberBody);
            if (c.shown.empty()) {
                expected[c.file] = "";
                statuses = {"Идет обработка каталога RRN - " + c.raw};
            } else {
                statuses = {"Номер «" + c.shown + "» не годится для имени файла результата; номер пропущен"};
            }
            statuses = statuses + std::vector<std::string>{"Идет обработка каталога RRN - 21", kDirDone, kStop, kStop};
        }
        EXPECT_EQ(b.rec.statuses, statuses) << what;
        EXPECT_EQ(b.runner.outcome().refusals, c.shown.empty() ? 0 : 1) << what;
        EXPECT_FALSE(b.runner.outcome().aborted) << what;
        expectSameFiles(logFiles(b), expected, what);
        // Nothing anywhere else.
        EXPECT_EQ(dirEntries(b.dataRoot), (std::vector<std::string>{"error", "log"})) << what;
        EXPECT_TRUE(dirEntries(b.data("error")).empty()) << what;
        EXPECT_EQ(dirEntries(b.tmp.path()), (std::vector<std::string>{"data", "in"})) << what;
        EXPECT_EQ(dirEntries(b.inputDir), (std::vector<std::string>{"a.s12"})) << what;
    }
}

TEST(BadInputExtractions, RefusedEntriesInsideAFullRunLetItGoOn) {
    Bench b;
    standardSetup(b);
    b.lists.reports = {"..", "21"};
    b.lists.devices = {kDevice + " a/b", kDevice + " GTS"};
    b.addInput("a.s12", crlf(printout()));
    b.runner.run(RunKind::Full);
    const std::vector<std::string> expected = {
        "Номер «..» не годится для имени файла результата; номер пропущен",
        "Идет обработка каталога RRN - 21",
        kDirDone,
        kStop,
        "Комментарий «a/b» не годится для имени файла результата; устройство пропущено",
        "Идет обработка каталога по устройству GTS",
        kDirDone,
        "Идет обработка каталога RRN - 121",
        kDirDone,
        kStop,
        "Идет обработка каталога Аварии",
        kDirDone,
        kStop,
    };
    EXPECT_EQ(b.rec.statuses, expected);
    EXPECT_EQ(b.runner.outcome().refusals, 2);
    EXPECT_FALSE(b.runner.outcome().aborted);
    const std::vector<std::string>& W = printout();
    expectSameFiles(logFiles(b),
                    Files{{"rep21.log", numberBlock(W, kWholeNumberBody)},
                          {"GTSrep.log", deviceBlock(W, kWholeDeviceBody)},
                          {"rep121.log", numberBlock(W, kWholeNumberBody)},
                          {"alarm.log", alarmLines(W, kWholeAlarmLines)}},
                    "full run");
    EXPECT_EQ(dirEntries(b.dataRoot), (std::vector<std::string>{"error", "log"}));
}

TEST(BadInputExtractions, ListFileThatExistsButCannotBeReadEndsTheRun) {
    struct Case {
        const char* what;
        Member member;
        std::string unreadable;  // made a directory
        std::vector<RunKind> ticked;
    } cases[] = {
        {"reports", Member::Reports, "reports.ini", {}},
        {"devices", Member::Devices, "dev.ini", {}},
        {"full run, reports ticked", Member::Full, "reports.ini", {RunKind::Reports, RunKind::Alarms}},
        {"full run, devices ticked", Member::Full, "dev.ini", {RunKind::Devices, RunKind::Rrn121}},
    };
    for (const auto& c : cases) {
        Bench b;
        b.addInput("a.s12", crlf(printout()));
        const std::string other = c.unreadable == "dev.ini" ? "reports.ini" : "dev.ini";
        const std::string otherContent = "121\r\n" + kDevice + " CBR\r\n";
        writeFile(b.data(other), otherContent);
        ASSERT_TRUE(makeDir(b.data(c.unreadable)));
        makeDir(b.data("log"));
        writeFile(b.data("log/old.log"), "old");  // cleared before the list is read
        for (Box box : c.ticked) b.options.set(box, 1);
        ListFilesSource lists(b.dataRoot);
        Runner runner(DataDir(b.dataRoot), RunEnvironment{b.rec, b.rec, b.input, b.options, lists, b.rec, b.rec, nullptr});
        const int before = openDescriptors();
        click(runner, c.member);
        EXPECT_EQ(openDescriptors(), before) << c.what;
        expectEndedBy(b, runner, "Не удалось открыть файл " + b.data(c.unreadable) + ": это каталог", c.what);
        EXPECT_EQ(b.rec.statuses.size(), 1u) << c.what;  // nothing ran before the list was read
        EXPECT_TRUE(dirEntries(b.data("log")).empty()) << c.what;
        EXPECT_EQ(readFile(b.data(other)), otherContent) << c.what;
        EXPECT_TRUE(std::filesystem::is_directory(fsPath(b.data(c.unreadable)))) << c.what;
    }
}
