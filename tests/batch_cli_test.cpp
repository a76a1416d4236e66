// kalvimo-batch end to end: the command line, exit codes, the status lines, and whole runs
// over generated printouts checked against the line-by-line model.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <tuple>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "engine/data_dir.h"
#include "engine/error_tally.h"
#include "platform/cp1251.h"
#include "tests/busy_data_dir.h"
#include "tests/file_size_limit.h"
#include "tests/printout_builder.h"
#include "tests/reference_rrn48.h"
#include "tests/test_support.h"

extern char** environ;

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

struct Result {
    int exitCode = -1;
    std::string out, err;
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        size_t pos = 0;
        while (pos < err.size()) {
            const size_t e = err.find('\n', pos);
            lines.push_back(err.substr(pos, e - pos));
            if (e == std::string::npos) break;
            pos = e + 1;
        }
        return lines;
    }
};

// How the child's standard output and error are set up, and what else it inherits.
struct Spawn {
    enum Stream { ToFile, Closed, BrokenPipe, DiskFull };
    Stream out = ToFile, err = ToFile;
    rlim_t fileSizeLimit = RLIM_INFINITY;  // a disk that fills up at this size
    int timeoutSeconds = 0;                 // 0: wait as long as it takes
};

void setUpStream(posix_spawn_file_actions_t& fa, int fd, Spawn::Stream how, const std::string& path, int pipeEnd) {
    switch (how) {
    case Spawn::ToFile: posix_spawn_file_actions_addopen(&fa, fd, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); break;
    case Spawn::Closed: posix_spawn_file_actions_addclose(&fa, fd); break;
    case Spawn::BrokenPipe: posix_spawn_file_actions_adddup2(&fa, pipeEnd, fd); break;
    case Spawn::DiskFull: posix_spawn_file_actions_addopen(&fa, fd, "/dev/full", O_WRONLY, 0); break;
    }
}

// A started program; wait() collects what it wrote. A program still running after the
// timeout (0: none) is killed and reported as exit code kHung.
constexpr int kHung = -2;
struct Running {
    pid_t pid = -1;
    std::shared_ptr<TempDir> io = std::make_shared<TempDir>();
    std::string errText() const { return readFile(io->file("err")); }
    Result wait(int timeoutSeconds = 0) const {
        Result r;
        if (pid < 0) return r;
        int status = 0;
        if (timeoutSeconds > 0) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
            while (::waitpid(pid, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > until) {
                    ::kill(pid, SIGKILL);
                    ::waitpid(pid, &status, 0);
                    r.exitCode = kHung;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        } else {
            ::waitpid(pid, &status, 0);
        }
        if (r.exitCode != kHung) r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = readFile(io->file("out"));
        r.err = errText();
        return r;
    }
};

Running start(const std::string& program, const std::vector<std::string>& args, const std::string& home,
              const Spawn& how = {}) {
    Running running;
    // A pipe nobody reads: every write to it fails, as after "| head -1" has gone.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return running;
    ::close(pipeFds[0]);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    setUpStream(fa, 1, how.out, running.io->file("out"), pipeFds[1]);
    setUpStream(fa, 2, how.err, running.io->file("err"), pipeFds[1]);
    // As a shell starts it: a closed pipe's signal in its default state.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"HOME=" + home, "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    {
        std::optional<FileSizeLimit> limit;
        if (how.fileSizeLimit != RLIM_INFINITY) limit.emplace(how.fileSizeLimit);
        if (posix_spawn(&running.pid, program.c_str(), &fa, &attr, argv.data(), envp.data()) != 0) running.pid = -1;
    }
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(pipeFds[1]);
    return running;
}

Result run(const std::string& program, const std::vector<std::string>& args, const std::string& home,
           const Spawn& how = {}) {
    return start(program, args, home, how).wait(how.timeoutSeconds);
}

Result batch(const std::vector<std::string>& args, const std::string& home, const Spawn& how = {}) {
    return run(KALVIMO_BATCH, args, home, how);
}

std::string generate(const std::string& path, int seed, size_t size, const std::string& station = "ZARYA-UZEL") {
    const Result g = run(KALVIMO_GENPRINT,
                         {"--size", std::to_string(size), "--seed", std::to_string(seed), "--station", station,
                          "--out", path},
                         "/tmp");
    EXPECT_EQ(g.exitCode, 0) << g.err;
    return readFile(path);
}

struct Place {
    TempDir tmp;
    std::string home = tmp.file("home");
    std::string data = tmp.file("data");
    std::string in = tmp.file("in");
    Spawn spawn;
    Place() {
        ::mkdir(home.c_str(), 0755);
        ::mkdir(data.c_str(), 0755);
        ::mkdir(in.c_str(), 0755);
    }
};

}  // namespace

TEST(BatchCommandLine, UsageErrorsTouchNothing) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
    } cases[] = {
        {"no command", {}},
        {"unknown command", {"rrn49"}},
        {"unknown option", {"--fast", "rrn48"}},
        {"option given twice", {"--station", "A", "--station=B", "rrn48"}},
        {"two commands", {"rrn48", "rrn121"}},
        {"kinds with another command", {"--kinds", "rrn48", "rrn48"}},
        {"unknown kind", {"--kinds", "rrn48,bogus", "full"}},
        {"dir and file", {"--dir", "/tmp", "--file", "/tmp/x", "rrn48"}},
        {"station not in Windows-1251", {"--station", "ZARYA\xE2\x98\x83", "rrn48"}},
        {"option without value", {"rrn48", "--dir"}},
        {"value for a flag", {"--new-reports=1", "rrn48"}},
        {"chart without --out", {"chart"}},
        {"--out with another command", {"--out", "x.png", "rrn48"}},
        {"--by with another command", {"--by", "time", "full"}},
        {"chart picture neither PNG nor SVG", {"chart", "--out", "x.jpg"}},
        {"chart by an unknown kind", {"chart", "--out", "x.png", "--by", "week"}},
        {"chart with an input", {"chart", "--out", "x.png", "--dir", "/tmp"}},
        {"chart with a station", {"chart", "--out=x.svg", "--station", "A"}},
    };
    for (const auto& c : cases) {
        Place p;
        auto args = c.args;
        args.insert(args.begin(), "--data-dir=" + p.data);
        const Result r = batch(args, p.home);
        EXPECT_EQ(r.exitCode, 2) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find("kalvimo-batch: "), std::string::npos) << c.what;
        EXPECT_TRUE(dirEntries(p.data).empty()) << c.what;
        EXPECT_TRUE(dirEntries(p.home).empty()) << c.what;
    }
    Place p;
    const Result help = batch({"--help"}, p.home);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("rrn48"), std::string::npos);
}

TEST(BatchCommandLine, DataDirectory) {
    Place p;
    const Result missing = batch({"--data-dir", p.tmp.file("nowhere"), "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(fileExists(p.tmp.file("nowhere")));

    // The default one, in the home directory, is made when missing.
    writeFile(p.in + "/a.s12", crlf(anomalyReport("A1")));
    const Result made = batch({"--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(readFile(p.home + "/KARDOVELNIST/log/rep48.log"), crlf({"A1 N123 " + kDate}));
}

TEST(BatchRuns, RefusalsExitOne) {
    Place p;
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> lines;
    } cases[] = {
        {"missing file", {"--file", p.in + "/none.s12"}, {"Файл не выбран", kStop}},
        {"file that is a directory", {"--file", p.in}, {"Файл не выбран", kStop}},
        {"directory that cannot be listed", {"--dir", p.tmp.file("nodir")}, {"Нет файлов *.s12 в выбранном каталоге", kStop}},
        {"pattern matching nothing", {"--dir", p.in, "--pattern", "*.log"}, {"Нет файлов *.s12 в выбранном каталоге", kStop}},
    };
    for (const auto& c : cases) {
        auto args = c.args;
        args.insert(args.end(), {"--data-dir", p.data, "rrn48"});
        const Result r = batch(args, p.home);
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_EQ(r.errLines(), c.lines) << c.what;
    }
}

TEST(BatchRuns, GeneratedPrintoutsMatchTheModel) {
    Place p;
    const std::string a = generate(p.in + "/day1.s12", 1, 300000);
    const std::string b = generate(p.in + "/Day2.S12", 2, 200000);
    generate(p.in + "/other.txt", 3, 1000);  // not matched by the pattern
    const std::vector<std::string> catalogue = {"0012/0034/0005", "0017/0078/0020 comment"};
    writeFile(p.data + "/alldev.ini", crlf(catalogue));
    writeFile(p.data + "/allreports.ini", crlf({"121  call failure", "441  traffic"}));
    const Result r = batch({"rrn48", "--data-dir", p.data, "--dir", p.in, "--new-devices", "--new-reports"}, p.home);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto expected = referenceRrn48({a, b}, "ZARYA-UZEL", true, true, catalogue, {"121  call failure", "441  traffic"});
    EXPECT_EQ(readFile(p.data + "/log/rep48.log"), expected.rep48);
    EXPECT_EQ(readFile(p.data + "/error/newdev"), crlf(expected.newdev));
    EXPECT_EQ(readFile(p.data + "/error/newrep"), crlf(expected.newrep));
    EXPECT_EQ(readFile(p.data + "/alldev.ini"), crlf(expected.alldev));
    EXPECT_GT(expected.newdev.size(), 10u);
    const size_t total = referenceLines(expected.rep48).size();
    EXPECT_GT(total, 100u);
    EXPECT_EQ(r.errLines(), (std::vector<std::string>{"Идет обработка каталога RRN - 48", "Каталог обработан",
                                                      "  Идет обработка ошибок  " + std::to_string(total),
                                                      "Составляется отчет", kStop}));
    const std::string stat = readFile(p.data + "/error/errorstat");
    EXPECT_NE(stat.find(utf8ToCp1251("   Всего ошибок:  " + std::to_string(total) + " \r\n")), std::string::npos);
    // The file rows in the order of the file list: case ignored, so day1 before Day2.
    const size_t d1 = stat.find("  day1.s12   "), d2 = stat.find("  Day2.S12   ");
    EXPECT_NE(d1, std::string::npos);
    EXPECT_NE(d2, std::string::npos);
    EXPECT_LT(d1, d2);
    EXPECT_EQ(stat.find("other.txt"), std::string::npos);
}

TEST(BatchRuns, DefaultsComeFromTheSettingsFile) {
    Place p;
    // A Cyrillic station, saved in Windows-1251, and a directory of printouts.
    const std::string station = utf8ToCp1251("ГТС-2");
    generate(p.in + "/a.s12", 5, 50000, station);
    std::vector<std::string> lines = {p.in, "ГТС-2", " 0    заданные рапорта", " 0    заданные устройства",
                                      " 0    121 рапорт", " 0    аварии", " 1    48 рапорт",
                                      " 0    искать новые рапорта", " 1    искать новые устройства",
                                      "False обрабатывать файл", "True  обрабатывать каталог"};
    writeFile(p.data + "/Kalvimo.ini", utf8ToCp1251(crlf(lines)));
    const Result r = batch({"--data-dir", p.data, "rrn48"}, p.home);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto expected = referenceRrn48({readFile(p.in + "/a.s12")}, station, false, true, {}, {});
    EXPECT_EQ(readFile(p.data + "/log/rep48.log"), expected.rep48);
    EXPECT_FALSE(expected.rep48.empty());
    EXPECT_EQ(readFile(p.data + "/error/newdev"), crlf(expected.newdev));
    EXPECT_FALSE(fileExists(p.data + "/error/newrep"));
    EXPECT_NE(readFile(p.data + "/error/errorstat").find(utf8ToCp1251("Статистика ошибок ГТС-2\r\n")),
              std::string::npos);

    // The same station given on the command line in UTF-8.
    const Result given = batch({"--data-dir", p.data, "--station", "ГТС-2", "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(given.exitCode, 0);
    EXPECT_EQ(readFile(p.data + "/log/rep48.log"), expected.rep48);

    // Saved file mode has no current file.
    lines[9] = "True обрабатывать файл";
    lines[10] = "False  обрабатывать каталог";
    writeFile(p.data + "/Kalvimo.ini", utf8ToCp1251(crlf(lines)));
    const Result fileMode = batch({"--data-dir", p.data, "rrn48"}, p.home);
    EXPECT_EQ(fileMode.exitCode, 1);
    EXPECT_EQ(fileMode.errLines().front(), "Файл не выбран");
}

TEST(BatchRuns, FailuresExitOneWithTheFileNamed) {
    Place p;
    // The disk holds the status texts but not the anomaly line.
    writeFile(p.in + "/a.s12", crlf(anomalyReport("A1" + std::string(5000, 'x'))));
    const Result full = batch({"--data-dir", p.data, "--dir", p.in, "rrn48"}, p.home, Spawn{.fileSizeLimit = 4096});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.errLines().back(), "Ошибка записи в файл " + p.data + "/log/rep48.log: файл слишком велик");

    writeFile(p.in + "/a.s12", crlf(anomalyReport("A1")));
    // Listed as a regular file, but every read of it fails with EIO.
    ASSERT_EQ(::symlink("/proc/self/mem", (p.in + "/b.s12").c_str()), 0);
    const Result skipped = batch({"--data-dir", p.data, "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_EQ(skipped.errLines().back(), kStop);
    EXPECT_EQ(skipped.errLines()[1], "Ошибка чтения файла " + p.in + "/b.s12: ошибка ввода-вывода; файл пропущен");
    EXPECT_EQ(readFile(p.data + "/log/rep48.log"), crlf({"A1 N123 " + kDate}));
}

// The commands beyond rrn48, on a small corpus whose results are written out by hand.
namespace {

const std::string kDevice = "0012/0034/0005";
const std::string kOtherDevice = "0099/0099/0099";
const std::string kDirDone = "Каталог обработан";
const std::string kFileDone = "Файл обработан";

// a.s12: a report 121 of kDevice, an alarm report and an anomaly report; b.s12: a report 7
// of kOtherDevice whose body line also ends the block by number.
struct Corpus : Place {
    Corpus() {
        writeFile(in + "/a.s12",
                  crlf(std::vector<std::string>{"JUNK BEFORE", header(), line2(kDevice, "STATUS REPORT"), numberLine("121"), "  BODY 1",
                        "  END NO = 0", "  LAST REPORT", header(), "  ALARM TITLE", numberLine("00011"), "  PRE 4",
                        "  PRE 5", "  PRE 6", "  PRE 7", "  PRE 8", "  PRE 9", "  ALARM ONE", "  EXTERNAL X",
                        "  ALARM TWO", "", "JUNK AFTER"} +
                       anomalyReport("A1", "N123", "0055/0055/0055")));
        writeFile(in + "/b.s12", crlf({header(), line2(kOtherDevice, "STATUS REPORT"), numberLine("7"),
                                       "  B BODY NO = 0", "  B LAST REPORT"}));
        // Entries as the list windows keep them: the first five characters, sorted.
        writeFile(data + "/reports.ini", "7    seven\r\n21\r\n");
        writeFile(data + "/dev.ini", kOtherDevice + "\r\n" + kDevice + " CBR\r\n");
    }
};

const std::string kRep121 = crlf({header(), "", "  BODY 1", "  END NO = 0", "", ""});
const std::string kRep7 = crlf({header(), "", "  B BODY NO = 0", "", ""});
const std::string kCbrRep = crlf({header(), line2(kDevice, "STATUS REPORT"), "", numberLine("121"), "  BODY 1",
                                  "  END NO = 0", "  LAST REPORT", "", ""});
const std::string kRep = crlf({header(), line2(kOtherDevice, "STATUS REPORT"), "", numberLine("7"), "  B BODY NO = 0",
                               "  B LAST REPORT", "", ""});
const std::string kAlarm = crlf({"  ALARM ONE", "  ALARM TWO"});
const std::string kLong(6000, 'L');
const std::string kLongRep = crlf({header(), line2(kOtherDevice, "STATUS REPORT"), "", numberLine("7"),
                                   "  B BODY NO = 0" + kLong, "  B LAST REPORT", "", ""});

using Files = std::map<std::string, std::string>;

// The regular files of a directory with their bytes.
Files filesOf(const std::string& dir) {
    Files f;
    for (const auto& name : dirEntries(dir)) {
        const std::string path = dir + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) f[name] = readFile(path);
    }
    return f;
}

}  // namespace

TEST(BatchExtractions, EachCommandOnASmallCorpus) {
    const std::string numberDir = "Идет обработка каталога RRN - ", numberFile = "Идет обработка файла RRN - ";
    const std::string deviceDir = "Идет обработка каталога по устройству ", deviceFile = "Идет обработка файла по устройству ";
    struct Case {
        const char* what;
        std::vector<std::string> args;  // the input is added: "dir" or a file of in/
        std::string input;
        Files log;
        std::vector<std::string> lines;
    } cases[] = {
        {"rrn121, directory", {"rrn121"}, "dir", {{"rep121.log", kRep121}},
         {numberDir + "121", kDirDone, kStop, kStop}},  // "Cтоп" after the directory variant and again at the run's end
        {"rrn121, file", {"rrn121"}, "a.s12", {{"rep121.log", kRep121}},
         {numberFile + "121", "Выбранный файл обработан", kStop}},
        {"reports, directory", {"reports"}, "dir", {{"rep21.log", kRep121}, {"rep7.log", kRep7}},
         {numberDir + "21", numberDir + "7    ", kDirDone, kStop, kStop}},  // the entry as held, spaces and all
        {"reports, file", {"reports"}, "b.s12", {{"rep21.log", ""}, {"rep7.log", kRep7}},
         {numberFile + "21", numberFile + "7    ", "Выбранный файл обработан", kStop}},
        {"devices, directory", {"devices"}, "dir", {{"CBRrep.log", kCbrRep}, {"rep.log", kRep}},
         {deviceDir + "CBR", kDirDone, deviceDir, kDirDone, kStop}},
        {"devices, file", {"devices"}, "a.s12", {{"CBRrep.log", kCbrRep}, {"rep.log", ""}},
         {deviceFile + "CBR", kFileDone, deviceFile, kFileDone, kStop}},
        {"alarms, directory", {"alarms"}, "dir", {{"alarm.log", kAlarm}}, {"Идет обработка каталога Аварии", kDirDone, kStop}},
        {"alarms, file", {"alarms"}, "b.s12", {{"alarm.log", ""}}, {"Идет обработка файла Аварии", kFileDone, kStop}},
        {"full, every kind listed backwards",
         {"full", "--kinds", "rrn48,alarms,rrn121,devices,reports"},
         "dir",
         {{"rep21.log", kRep121}, {"rep7.log", kRep7}, {"CBRrep.log", kCbrRep}, {"rep.log", kRep},
          {"rep121.log", kRep121}, {"alarm.log", kAlarm}, {"rep48.log", crlf({"A1 N123 " + kDate})}},
         {numberDir + "21", numberDir + "7    ", kDirDone, kStop,  // the directory variant keeps its "Cтоп"
          deviceDir + "CBR", kDirDone, deviceDir, kDirDone,
          numberDir + "121", kDirDone, kStop,
          "Идет обработка каталога Аварии", kDirDone,
          "Идет обработка каталога RRN - 48", kDirDone, "  Идет обработка ошибок  1", "Составляется отчет",
          kStop}},
    };
    for (const auto& c : cases) {
        Corpus p;
        auto args = c.args;
        args.insert(args.end(), {"--data-dir", p.data});
        if (c.input == "dir") args.insert(args.end(), {"--dir", p.in});
        else args.insert(args.end(), {"--file", p.in + "/" + c.input});
        const Result r = batch(args, p.home);
        EXPECT_EQ(r.exitCode, 0) << c.what << "\n" << r.err;
        EXPECT_EQ(r.errLines(), c.lines) << c.what;
        EXPECT_EQ(filesOf(p.data + "/log"), c.log) << c.what;
        if (c.log.count("rep48.log")) EXPECT_TRUE(fileExists(p.data + "/error/errorstat")) << c.what;
        else EXPECT_TRUE(dirEntries(p.data + "/error").empty()) << c.what;
        EXPECT_EQ(readFile(p.data + "/reports.ini"), "7    seven\r\n21\r\n") << c.what;  // lists untouched
        EXPECT_EQ(readFile(p.data + "/dev.ini"), kOtherDevice + "\r\n" + kDevice + " CBR\r\n") << c.what;
        EXPECT_TRUE(r.out.empty()) << c.what;
    }
}

TEST(BatchExtractions, RefusalsAndFailuresExitOne) {
    const std::string unsafe = "Комментарий «../x» не годится для имени файла результата; устройство пропущено";
    struct Case {
        const char* what;
        std::vector<std::string> args;  // --data-dir and, unless --file is given, --dir in/ are added
        std::function<void(Corpus&)> setUp;
        std::function<std::vector<std::string>(Corpus&)> lines;
        Files log;
    } cases[] = {
        {"empty working list", {"reports"}, [](Corpus& p) { writeFile(p.data + "/reports.ini", ""); },
         [](Corpus&) { return std::vector<std::string>{"Список  пустой", kStop, kStop}; }, {}},
        {"missing working list", {"reports"}, [](Corpus& p) { ::unlink((p.data + "/reports.ini").c_str()); },
         [](Corpus&) { return std::vector<std::string>{"Список  пустой", kStop, kStop}; }, {}},
        {"empty working list, file mode", {"reports", "--file", "a.s12"},
         [](Corpus& p) { writeFile(p.data + "/reports.ini", ""); },
         [](Corpus&) { return std::vector<std::string>{"Список  пустой", kStop}; }, {}},
        {"empty working list inside a full run that goes on", {"full", "--kinds", "reports,alarms"},
         [](Corpus& p) { writeFile(p.data + "/reports.ini", ""); },
         [](Corpus&) {
             return std::vector<std::string>{"Список  пустой", kStop, kStop, "Идет обработка каталога Аварии", kDirDone,
                                             kStop};
         },
         {{"alarm.log", kAlarm}}},
        {"unsafe comment", {"devices"},
         [](Corpus& p) { writeFile(p.data + "/dev.ini", kDevice + " ../x\r\n" + kOtherDevice + "\r\n"); },
         [&](Corpus&) {
             return std::vector<std::string>{unsafe, "Идет обработка каталога по устройству ", kDirDone, kStop};
         },
         {{"rep.log", kRep}}},
        {"unsafe comment inside a full run that goes on", {"full", "--kinds", "devices,reports"},
         [](Corpus& p) { writeFile(p.data + "/dev.ini", kDevice + " ../x\r\n" + kOtherDevice + "\r\n"); },
         [&](Corpus&) {
             return std::vector<std::string>{"Идет обработка каталога RRN - 21", "Идет обработка каталога RRN - 7    ",
                                             kDirDone, kStop, unsafe, "Идет обработка каталога по устройству ",
                                             kDirDone, kStop};
         },
         {{"rep21.log", kRep121}, {"rep7.log", kRep7}, {"rep.log", kRep}}},
        {"result file on a full disk", {"devices"},
         [](Corpus& p) {
             // The second device's report outgrows the disk; the first one's fits.
             writeFile(p.in + "/b.s12", crlf({header(), line2(kOtherDevice, "STATUS REPORT"), numberLine("7"),
                                              "  B BODY NO = 0" + kLong, "  B LAST REPORT"}));
             p.spawn.fileSizeLimit = 4096;
         },
         [](Corpus& p) {
             return std::vector<std::string>{"Идет обработка каталога по устройству CBR", kDirDone,
                                             "Идет обработка каталога по устройству ", kDirDone,
                                             "Ошибка записи в файл " + p.data + "/log/rep.log: файл слишком велик"};
         },
         {{"CBRrep.log", kCbrRep}, {"rep.log", kLongRep.substr(0, 4096)}}},
        {"input file whose reads fail", {"alarms"},
         [](Corpus& p) { ASSERT_EQ(::symlink("/proc/self/mem", (p.in + "/c.s12").c_str()), 0); },
         [](Corpus& p) {
             return std::vector<std::string>{
                 "Идет обработка каталога Аварии",
                 "Ошибка чтения файла " + p.in + "/c.s12: ошибка ввода-вывода; файл пропущен", kDirDone, kStop};
         },
         {{"alarm.log", kAlarm}}},
        {"working list that cannot be read", {"reports"},
         [](Corpus& p) {
             ::unlink((p.data + "/reports.ini").c_str());
             ::mkdir((p.data + "/reports.ini").c_str(), 0755);
         },
         [](Corpus& p) {
             return std::vector<std::string>{"Не удалось открыть файл " + p.data + "/reports.ini: это каталог"};
         },
         {}},
        {"device list that cannot be read, full run", {"full", "--kinds", "alarms,devices"},
         [](Corpus& p) {
             ::unlink((p.data + "/dev.ini").c_str());
             ::mkdir((p.data + "/dev.ini").c_str(), 0755);
         },
         [](Corpus& p) { return std::vector<std::string>{"Не удалось открыть файл " + p.data + "/dev.ini: это каталог"}; },
         {}},
    };
    for (const auto& c : cases) {
        Corpus p;
        c.setUp(p);
        std::vector<std::string> args = c.args;
        const auto file = std::find(args.begin(), args.end(), "--file");
        if (file != args.end()) file[1] = p.in + "/" + file[1];
        else args.insert(args.end(), {"--dir", p.in});
        args.insert(args.end(), {"--data-dir", p.data});
        const Result r = batch(args, p.home, p.spawn);
        EXPECT_EQ(r.exitCode, 1) << c.what << "\n" << r.err;
        EXPECT_EQ(r.errLines(), c.lines(p)) << c.what;
        EXPECT_EQ(filesOf(p.data + "/log"), c.log) << c.what;
        // Nothing written beside the lists, wherever a comment pointed.
        for (const auto& name : dirEntries(p.data))
            EXPECT_TRUE(name == "log" || name == "error" || name == "reports.ini" || name == "dev.ini")
                << c.what << ": " << name;
        EXPECT_EQ(dirEntries(p.tmp.path()), (std::vector<std::string>{"data", "home", "in"})) << c.what;
    }
}

TEST(BatchCommandLine, KindsBelongToTheFullRunOnly) {
    const std::vector<std::vector<std::string>> cases = {
        {"--kinds", "alarms", "rrn121"},          {"reports", "--kinds=reports"},
        {"--kinds", "", "devices"},               {"alarms", "--kinds", "alarms"},
        {"full", "--kinds", "alarms,rrn122"},     {"full", "--kinds", "alarms,"},
        {"full", "--kinds", "reports,,devices"},
    };
    for (const auto& args : cases) {
        Corpus p;
        auto all = args;
        all.insert(all.end(), {"--data-dir", p.data, "--dir", p.in});
        const Result r = batch(all, p.home);
        std::string what;
        for (const auto& a : args) what += a + " ";
        EXPECT_EQ(r.exitCode, 2) << what << "\n" << r.err;
        EXPECT_NE(r.err.find("kalvimo-batch: "), std::string::npos) << what;
        // Nothing touched: no output directories made, the lists as they were.
        EXPECT_EQ(dirEntries(p.data), (std::vector<std::string>{"dev.ini", "reports.ini"})) << what;
        EXPECT_TRUE(dirEntries(p.home).empty()) << what;
    }
}

TEST(BatchRuns, FullWithNoKindsOnlyEmptiesTheOutputs) {
    Corpus p;
    ::mkdir((p.data + "/log").c_str(), 0755);
    ::mkdir((p.data + "/error").c_str(), 0755);
    writeFile(p.data + "/log/rep121.log", "old");
    writeFile(p.data + "/log/OLD.LOG", "old");
    writeFile(p.data + "/log/notes.txt", "kept");
    writeFile(p.data + "/error/errorstat", "old");
    writeFile(p.data + "/error/7", "old");
    const Result r = batch({"full", "--kinds", "", "--data-dir", p.data, "--dir", p.in}, p.home);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.errLines(), (std::vector<std::string>{kStop}));
    EXPECT_EQ(filesOf(p.data + "/log"), (Files{{"notes.txt", "kept"}}));
    EXPECT_TRUE(dirEntries(p.data + "/error").empty());
}

// Runs the batch program with standard error on a pipe that is already full, so that it stands
// still on its first status line; sends the signal while it stands there, then reads on.
Result runSignalledAtFirstStatus(const std::vector<std::string>& args, const std::string& home, int signal) {
    Result r;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return r;
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    size_t filled = 0;
    while (::write(fds[1], "j", 1) == 1) ++filled;
    ::fcntl(fds[1], F_SETFL, 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
    std::vector<std::string> all = {KALVIMO_BATCH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"HOME=" + home, "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawn(&pid, KALVIMO_BATCH, &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return r;
    }
    // The kernel shows the system call a process waits in: a write to descriptor 2.
    const std::string waiting = std::to_string(SYS_write) + " 0x2 ";
    const std::string syscallFile = "/proc/" + std::to_string(pid) + "/syscall";
    bool blocked = false;
    for (int i = 0; i < 1000 && !blocked; ++i) {
        blocked = readFile(syscallFile).rfind(waiting, 0) == 0;
        if (!blocked) ::usleep(10000);
    }
    if (blocked) ::kill(pid, signal);
    else ::kill(pid, SIGKILL);
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) r.err.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.err.erase(0, filled);
    r.exitCode = !blocked ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

TEST(BatchRuns, SignalsStopTheRun) {
    if (readFile("/proc/self/syscall").empty()) GTEST_SKIP() << "/proc/PID/syscall cannot be read here";
    struct Case {
        int signal;
        int exitCode;
    } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
    for (const auto& c : cases) {
        Corpus p;
        writeFile(p.data + "/alldev.ini", "0000/0000/0000\r\n");
        const Files lists = filesOf(p.data);
        const Result r = runSignalledAtFirstStatus(
            {"full", "--kinds", "reports,rrn48", "--new-devices", "--data-dir", p.data, "--dir", p.in}, p.home, c.signal);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.errLines().front(), "Идет обработка каталога RRN - 21");
        const auto lines = r.errLines();
        ASSERT_GE(lines.size(), 2u) << r.err;
        EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
                  (std::vector<std::string>{"Обработка остановлена", kStop}));
        EXPECT_EQ(filesOf(p.data), lists) << c.signal;  // lists and catalogues untouched
        EXPECT_FALSE(fileExists(p.data + "/error/errorstat"));
    }
}

TEST(BatchRuns, FullTakesItsKindsFromTheSettingsFile) {
    // Lines 3 to 7 hold Check1, Check5, Check7, Check3, Check2; 2 is a greyed box.
    auto settings = [](const std::string& dir, const char* c1, const char* c5, const char* c7, const char* c3,
                       const char* c2) {
        return utf8ToCp1251(crlf({dir, "ZARYA-UZEL", std::string(" ") + c1 + "    заданные рапорта",
                                  std::string(" ") + c5 + "    заданные устройства", std::string(" ") + c7 + "    121 рапорт",
                                  std::string(" ") + c3 + "    аварии", std::string(" ") + c2 + "    48 рапорт",
                                  " 0    искать новые рапорта", " 0    искать новые устройства", "False обрабатывать файл",
                                  "True  обрабатывать каталог"}));
    };
    const std::string deviceDir = "Идет обработка каталога по устройству ";
    {
        Corpus p;
        writeFile(p.data + "/Kalvimo.ini", settings(p.in, "0", "1", "2", "1", "2"));
        const Result r = batch({"full", "--data-dir", p.data}, p.home);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.errLines(), (std::vector<std::string>{deviceDir + "CBR", kDirDone, deviceDir, kDirDone,
                                                          "Идет обработка каталога Аварии", kDirDone, kStop}));
        EXPECT_EQ(filesOf(p.data + "/log"), (Files{{"CBRrep.log", kCbrRep}, {"rep.log", kRep}, {"alarm.log", kAlarm}}));
        EXPECT_TRUE(dirEntries(p.data + "/error").empty());

        // --kinds replaces the boxes.
        const Result given = batch({"full", "--kinds", "rrn121", "--data-dir", p.data}, p.home);
        EXPECT_EQ(given.exitCode, 0) << given.err;
        EXPECT_EQ(filesOf(p.data + "/log"), (Files{{"rep121.log", kRep121}}));
    }
    {
        // The same file with the greyed boxes ticked runs those kinds too.
        Corpus p;
        writeFile(p.data + "/Kalvimo.ini", settings(p.in, "0", "1", "1", "1", "1"));
        const Result r = batch({"full", "--data-dir", p.data}, p.home);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(filesOf(p.data + "/log"),
                  (Files{{"CBRrep.log", kCbrRep}, {"rep.log", kRep}, {"rep121.log", kRep121}, {"alarm.log", kAlarm},
                         {"rep48.log", crlf({"A1 N123 " + kDate})}}));
        EXPECT_TRUE(fileExists(p.data + "/error/errorstat"));
    }
}

// ---- sharing the data directory, standard streams, files that are no regular files ----

TEST(BatchDataLock, ARunFindingTheDirectoryBusyIsRefusedOrWaits) {
    for (const bool wait : {false, true}) {
        Corpus p;
        BusyDataDir holder(KALVIMO_BATCH, p.data, p.tmp.path());
        ASSERT_TRUE(holder.holding());
        writeFile(p.data + "/log/alarm.log", "old");
        const Files before = filesOf(p.data + "/log");
        const std::string busy = "Каталог данных занят: идёт обработка (PID " + std::to_string(holder.pid()) + ")";
        std::vector<std::string> args = {"alarms", "--data-dir", p.data, "--dir", p.in};
        if (wait) args.push_back("--wait");
        const Running second = start(KALVIMO_BATCH, args, p.home);
        if (!wait) {
            const Result r = second.wait(60);
            EXPECT_EQ(r.exitCode, 1) << r.err;
            EXPECT_EQ(r.errLines(), std::vector<std::string>{busy});
            EXPECT_EQ(filesOf(p.data + "/log"), before);  // nothing cleared, nothing written
            continue;
        }
        // It says that it waits, and touches nothing until the holder is gone.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (second.errText().empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(second.errText(), busy + "; ожидание\n");
        EXPECT_EQ(filesOf(p.data + "/log"), before);
        holder.kill();  // killed: the kernel lets go of its lock
        const Result r = second.wait(60);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.errLines(), (std::vector<std::string>{busy + "; ожидание", "Идет обработка каталога Аварии", kDirDone,
                                                          kStop}));
        EXPECT_EQ(filesOf(p.data + "/log"), (Files{{"alarm.log", kAlarm}}));
    }
}

TEST(BatchDataLock, RunsStartedTogetherNeverMix) {
    // Two nightly runs on different printouts, both searching for new devices: the results
    // are those of the two runs one after the other, in one order or the other.
    Place p;
    const std::string dirs[2] = {p.in + "/1", p.in + "/2"};
    std::string contents[2];
    for (int i = 0; i < 2; ++i) {
        ::mkdir(dirs[i].c_str(), 0755);
        contents[i] = generate(dirs[i] + "/p" + std::to_string(i) + ".s12", 31 + i, 3000000);
    }
    Files alone[2];
    for (int i = 0; i < 2; ++i) {
        Place q;
        ASSERT_EQ(batch({"rrn48", "--new-devices", "--data-dir", q.data, "--dir", dirs[i]}, q.home).exitCode, 0);
        alone[i] = filesOf(q.data + "/error");
        alone[i].erase("newdev");
        alone[i]["rep48.log"] = readFile(q.data + "/log/rep48.log");
    }
    Running runs[2];
    for (int i = 0; i < 2; ++i)
        runs[i] = start(KALVIMO_BATCH, {"rrn48", "--new-devices", "--wait", "--data-dir", p.data, "--dir", dirs[i]}, p.home);
    for (const Running& r : runs) EXPECT_EQ(r.wait(120).exitCode, 0);

    Files results = filesOf(p.data + "/error");
    const std::string newdev = results["newdev"];
    results.erase("newdev");
    results["rep48.log"] = readFile(p.data + "/log/rep48.log");
    bool matched = false;
    for (const int last : {0, 1}) {
        const auto first = referenceRrn48({contents[1 - last]}, "ZARYA-UZEL", false, true, {}, {});
        const auto second = referenceRrn48({contents[last]}, "ZARYA-UZEL", false, true, first.alldev, {});
        ASSERT_FALSE(second.newdev.empty());
        if (results == alone[last] && newdev == crlf(second.newdev) &&
            readFile(p.data + "/alldev.ini") == crlf(second.alldev))
            matched = true;
    }
    EXPECT_TRUE(matched);
}

TEST(BatchCommandLine, ClosedOrBrokenStandardStreams) {
    struct Case {
        const char* what;
        std::vector<std::string> args;  // a run gets --data-dir and --dir in/ added
        Spawn how;
        int exitCode;
        std::string out;  // for --help and --version: what standard output holds
    } cases[] = {
        {"standard error closed", {"full", "--kinds", "alarms,rrn48"}, {.err = Spawn::Closed}, 0, ""},
        {"standard output and error closed", {"full", "--kinds", "alarms,rrn48"},
         {.out = Spawn::Closed, .err = Spawn::Closed}, 0, ""},
        {"status lines into a pipe nobody reads", {"full", "--kinds", "alarms,rrn48"}, {.err = Spawn::BrokenPipe}, 0, ""},
        {"--help onto a full disk", {"--help"}, {.out = Spawn::DiskFull}, 1, ""},
        {"--help with standard output closed", {"--help"}, {.out = Spawn::Closed}, 1, ""},
        {"--version into a pipe nobody reads", {"--version"}, {.out = Spawn::BrokenPipe}, 1, ""},
        {"--version", {"--version"}, {}, 0, "kalvimo-batch " KALVIMO_VERSION "\n"},
    };
    for (const auto& c : cases) {
        Corpus p;
        auto args = c.args;
        const bool isRun = args.front() == "full";
        if (isRun) args.insert(args.end(), {"--data-dir", p.data, "--dir", p.in});
        const Result r = batch(args, p.home, c.how);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.err;
        if (!isRun) {
            EXPECT_EQ(r.out, c.out) << c.what;
            continue;
        }
        // The run went to its end, and no status text reached a result.
        EXPECT_EQ(filesOf(p.data + "/log"), (Files{{"alarm.log", kAlarm}, {"rep48.log", crlf({"A1 N123 " + kDate})}}))
            << c.what;
        EXPECT_NE(readFile(p.data + "/error/errorstat").find(utf8ToCp1251("Всего ошибок:  1 \r\n")), std::string::npos)
            << c.what;
    }
}

TEST(BatchRuns, FilesThatAreNoRegularFilesAreNeverWaitedOn) {
    // A FIFO put in the place of a file of the data directory: the run says so at once and
    // treats it as a file it cannot read or write.
    struct Case {
        const char* what;
        std::string fifo;               // in the data directory
        std::vector<std::string> args;  // --data-dir and --dir in/ are added
        int exitCode;
        std::string last;               // the last status line; a path starts with the data directory
    } cases[] = {
        {"result file", "log/rep48.log", {"rrn48"}, 1, "/log/rep48.log"},
        {"detail file of the analysis", "error/restart", {"rrn48"}, 1, "/error/restart"},
        {"device catalogue", "alldev.ini", {"rrn48", "--new-devices"}, 1, "/alldev.ini"},
        {"working list", "reports.ini", {"reports"}, 1, "/reports.ini"},
        {"the lock file", ".kalvimo.lock", {"alarms"}, 1, "/.kalvimo.lock"},
        {"settings, read as missing", "Kalvimo.ini", {"alarms"}, 0, kStop},
    };
    for (const auto& c : cases) {
        Corpus p;
        writeFile(p.in + "/r.s12", crlf(anomalyReport("0012345XX   RESTART")));
        ::mkdir((p.data + "/log").c_str(), 0755);
        ::mkdir((p.data + "/error").c_str(), 0755);
        ::unlink((p.data + "/" + c.fifo).c_str());
        ASSERT_EQ(::mkfifo((p.data + "/" + c.fifo).c_str(), 0644), 0) << c.what;
        auto args = c.args;
        args.insert(args.end(), {"--data-dir", p.data, "--dir", p.in});
        const Result r = batch(args, p.home, Spawn{.timeoutSeconds = 20});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.err;
        ASSERT_FALSE(r.errLines().empty()) << c.what;
        const std::string want =
            c.last[0] == '/' ? "Файл " + p.data + c.last + " не является обычным файлом" : c.last;
        EXPECT_EQ(r.errLines().back(), want) << c.what;
    }
    // An input given by name that is a FIFO is no file to process.
    Corpus p;
    ASSERT_EQ(::mkfifo((p.in + "/f.s12").c_str(), 0644), 0);
    const Result r = batch({"alarms", "--data-dir", p.data, "--file", p.in + "/f.s12"}, p.home, Spawn{.timeoutSeconds = 20});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.errLines(), (std::vector<std::string>{"Файл не выбран", kStop}));
}

TEST(BatchRuns, LongLinesUnderALimitOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    // Sparse files, nothing on the disk: 256 MB without a line break under a 160 MB limit of
    // address space (a line passed over is never held whole, a header line must be and cannot:
    // the file is skipped); and an anomaly report whose data line is 100 MiB, with its type and
    // a restart mark, under 320 MB: read once, written into rep48.log, its type file and restart
    // without being held a second time, and analysed with the rest of the folder.
    const off_t huge = off_t{256} << 20, data = off_t{100} << 20;
    const std::string dataLineStart = "0012345" "12  " " REST ";
    struct Case {
        const char* what;
        bool dataLine;  // else the header line without end
        long limitKb;
        int exitCode;
        std::vector<std::string> status;
    } cases[] = {
        {"a header line that cannot be held", false, 160000, 1,
         {"Идет обработка каталога RRN - 48", "Ошибка чтения файла @/b.s12: недостаточно памяти; файл пропущен",
          kDirDone, "  Идет обработка ошибок  1", "Составляется отчет", kStop}},
        {"a data line of 100 MiB", true, 320000, 0,
         {"Идет обработка каталога RRN - 48", kDirDone, "  Идет обработка ошибок  2", "Составляется отчет", kStop}},
    };
    for (const auto& c : cases) {
        Place p;
        const std::string bigPath = p.in + "/b.s12";
        if (c.dataLine) {
            const std::string start = crlf({header(), line2("0012/0034/0005", "ANOMALY REPORT", "N1"), numberLine("48")}) +
                                      dataLineStart;
            writeFile(bigPath, start);
            ASSERT_EQ(::truncate(bigPath.c_str(), static_cast<off_t>(start.size()) + data), 0);
            const int fd = ::open(bigPath.c_str(), O_WRONLY | O_APPEND);
            ASSERT_EQ(::write(fd, "\r\n", 2), 2);
            ::close(fd);
        } else {
            writeFile(p.in + "/a.s12", "OTHER-STATION");
            ASSERT_EQ(::truncate((p.in + "/a.s12").c_str(), huge), 0);
            writeFile(bigPath, "ZARYA-UZEL");
            ASSERT_EQ(::truncate(bigPath.c_str(), huge), 0);
        }
        writeFile(p.in + "/c.s12", crlf(anomalyReport("A1")));
        const Result r = run("/bin/sh",
                             {"-c", "ulimit -v " + std::to_string(c.limitKb) + " && exec \"$0\" \"$@\"", KALVIMO_BATCH,
                              "rrn48", "--data-dir", p.data, "--dir", p.in},
                             p.home);
        std::vector<std::string> status = c.status;
        for (auto& line : status)
            if (const size_t at = line.find('@'); at != std::string::npos) line.replace(at, 1, p.in);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(r.errLines(), status) << c.what;
        const std::string small = "A1 N123 " + kDate + "\r\n";
        if (!c.dataLine) {
            EXPECT_EQ(readFile(p.data + "/log/rep48.log"), small) << c.what;
            continue;
        }
        // The line itself, byte for byte, in each of its three files.
        const std::string line = dataLineStart + std::string(static_cast<size_t>(data), '\0') + " N1 " + kDate + "\r\n";
        EXPECT_TRUE(readFile(p.data + "/log/rep48.log") == line + small) << c.what;
        const std::string heading = "\r\n\r\nErclac Ertyp Seq Rlvl Fmm   Proc Cs_ip     Userdata                      Na   Data   Time\r\n";
        EXPECT_TRUE(readFile(p.data + "/error/12") == std::string(21, ' ') + "ERROR N 12" + heading + line) << c.what;
        EXPECT_TRUE(readFile(p.data + "/error/restart") == std::string(21, ' ') + "RESTART'S" + heading + line) << c.what;
    }
#endif
}
namespace {

// Every file under a directory with its bytes, by path below it.
Files treeOf(const std::string& dir, const std::string& prefix = "") {
    Files f;
    for (const auto& name : dirEntries(dir)) {
        const std::string path = dir + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) f.merge(treeOf(path, prefix + name + "/"));
        else f[prefix + name] = readFile(path);
    }
    return f;
}

// The counts errorstat gives: restarts, reboots, total, and the table by type.
struct Errorstat {
    long restarts = -1, reboots = -1, total = -1;
    std::map<int, long> types;
    explicit Errorstat(const std::string& text) {
        std::vector<std::string> lines;
        for (size_t pos = 0; pos < text.size();) {
            const size_t e = text.find("\r\n", pos);
            lines.push_back(text.substr(pos, e - pos));
            pos = e + 2;
        }
        if (lines.size() < 9) return;
        restarts = std::stol(lines[2].substr(17));
        reboots = std::stol(lines[3].substr(17));
        total = std::stol(lines[4].substr(utf8ToCp1251("   Всего ошибок: ").size()));
        for (size_t i = 8; i < lines.size() && lines[i] != " "; ++i)
            types[std::stoi(lines[i].substr(2, 11))] = std::stol(lines[i].substr(13, 4));
    }
};

}  // namespace

TEST(BatchChart, AgreesWithErrorstatAndDrawsBothKindsReadingOnly) {
    Place p;
    generate(p.in + "/day.s12", 7, 1536 * 1024);
    std::string catalogue;  // every number, so that errorstat has a row for each type met
    for (int t = 0; t < 10000; ++t) catalogue += std::to_string(t) + std::string(5 - std::to_string(t).size(), ' ') + "E" + std::to_string(t) + "\r\n";
    writeFile(p.data + "/allerror.ini", catalogue);
    ASSERT_EQ(batch({"--data-dir", p.data, "--file", p.in + "/day.s12", "rrn48"}, p.home).exitCode, 0);

    const ChartSource source = readChartSource(DataDir(p.data));
    ASSERT_EQ(source.state, ChartSource::State::Ready);
    const Errorstat stat(readFile(p.data + "/error/errorstat"));
    EXPECT_EQ(source.tally.lines(), stat.total);
    EXPECT_EQ(source.tally.restarts(), stat.restarts);
    EXPECT_EQ(source.tally.reboots(), stat.reboots);
    std::map<int, long> tallied;
    for (int t : source.tally.typesByCount()) tallied[t] = source.tally.count(t);
    EXPECT_GT(tallied.size(), 20u);  // enough for the rest to be summed
    EXPECT_GT(source.tally.untyped(), 0);
    EXPECT_EQ(tallied, stat.types);

    const Files before = treeOf(p.data);
    for (const auto& [by, name, start] :
         {std::tuple<std::string, std::string, std::string>{"type", "types.png", "\x89PNG\r\n"},
          {"time", "times.svg", "<?xml"}}) {
        const std::string out = p.tmp.file(name);
        const Result r = batch({"chart", "--data-dir", p.data, "--by", by, "--out", out}, p.home);
        EXPECT_EQ(r.exitCode, 0) << by << "\n" << r.err;
        EXPECT_EQ(r.err, "") << by;
        const std::string picture = readFile(out);
        EXPECT_GT(picture.size(), 10000u) << by;
        EXPECT_EQ(picture.substr(0, start.size()), start) << by;
    }
    EXPECT_EQ(treeOf(p.data), before);
    EXPECT_TRUE(dirEntries(p.home).empty());
}

// The texts of an SVG picture, either kind of no-break space read as " ".
std::vector<std::string> svgTexts(const std::string& picture) {
    std::string svg;
    for (size_t i = 0; i < picture.size(); ++i) {
        const size_t nbsp = picture.compare(i, 2, "\xC2\xA0") == 0 ? 2 : picture.compare(i, 3, "\xE2\x80\xAF") == 0 ? 3 : 0;
        svg += nbsp ? ' ' : picture[i];
        if (nbsp) i += nbsp - 1;
    }
    std::vector<std::string> texts;
    for (size_t at = svg.find("<text"); at != std::string::npos; at = svg.find("<text", at + 1)) {
        const size_t from = svg.find('>', at) + 1;
        texts.push_back(svg.substr(from, svg.find("</text>", from) - from));
    }
    return texts;
}

TEST(BatchChart, CountsOfAMillionAndMoreAreExactAndGrouped) {
    Place p;
    ::mkdir((p.data + "/log").c_str(), 0755);
    std::string lines;
    for (long n = 0; n < 1000003; ++n) lines += "ERC001 0012 28-08-00 10:15\r\n";
    writeFile(p.data + "/log/rep48.log", lines);
    for (const std::string by : {"type", "time"}) {
        const std::string out = p.tmp.file(by + ".svg");
        ASSERT_EQ(batch({"chart", "--data-dir", p.data, "--by", by, "--out", out}, p.home).exitCode, 0) << by;
        const std::vector<std::string> texts = svgTexts(readFile(out));
        const auto shown = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
        EXPECT_TRUE(shown("1 000 000")) << by << testing::PrintToString(texts);  // on the count axis
        if (by == "type") {
            EXPECT_TRUE(shown("1 000 003")) << testing::PrintToString(texts);  // beside the bar
            EXPECT_TRUE(shown("rep48.log: 1 000 003; ")) << testing::PrintToString(texts);
        }
    }
}

TEST(BatchChart, ARunningRunIsRefusedOrWaitedFor) {
    for (const bool wait : {false, true}) {
        Place p;
        BusyDataDir holder(KALVIMO_BATCH, p.data, p.tmp.path());
        ASSERT_TRUE(holder.holding());
        writeFile(p.data + "/log/rep48.log", crlf({"ERC001 0045 SEQ1 N123 " + kDate}));
        const std::string out = p.tmp.file("c.png");
        const std::string busy = "Каталог данных занят: идёт обработка (PID " + std::to_string(holder.pid()) + ")";
        std::vector<std::string> args = {"chart", "--data-dir", p.data, "--out", out};
        if (!wait) {
            const Result r = batch(args, p.home);
            EXPECT_EQ(r.exitCode, 1) << r.err;
            EXPECT_EQ(r.err, "kalvimo-batch: " + busy + "\n");
            EXPECT_FALSE(fileExists(out));
            continue;
        }
        args.push_back("--wait");
        const Running chart = start(KALVIMO_BATCH, args, p.home);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (chart.errText().empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(chart.errText(), busy + "; ожидание\n");
        EXPECT_FALSE(fileExists(out));
        holder.kill();
        const Result r = chart.wait(60);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_GT(readFile(out).size(), 1000u);
    }
}

TEST(BatchChart, NothingToDrawWritesNothing) {
    const std::string noData = "kalvimo-batch: Нет данных: сначала выполните обработку RRN 48\n";
    struct Case {
        const char* what;
        std::function<void(Place&)> setUp;
        bool givenDataDir;
        std::string message;
    } cases[] = {
        {"no rep48.log", [](Place&) {}, true, noData},
        {"empty rep48.log",
         [](Place& p) {
             ::mkdir((p.data + "/log").c_str(), 0755);
             writeFile(p.data + "/log/rep48.log", "");
         },
         true, noData},
        {"no default data directory", [](Place&) {}, false, noData},
        {"given data directory missing", [](Place& p) { ::rmdir(p.data.c_str()); }, true, "не существует"},
    };
    for (const auto& c : cases) {
        Place p;
        c.setUp(p);
        const Files before = treeOf(p.tmp.path());
        std::vector<std::string> args = {"chart", "--out", p.tmp.file("c.png")};
        if (c.givenDataDir) args.push_back("--data-dir=" + p.data);
        const Result r = batch(args, p.home);
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << "\n" << r.err;
        EXPECT_EQ(treeOf(p.tmp.path()), before) << c.what;
    }
}

TEST(BatchCommandLine, QuietPrintsOnlyTheFailures) {
    Place p;
    writeFile(p.in + "/a.s12", crlf(anomalyReport("A1")));
    const std::string bad = p.tmp.file("bad");
    ASSERT_EQ(::mkdir(bad.c_str(), 0755), 0);
    writeFile(bad + "/a.s12", crlf(anomalyReport("A1")));
    ASSERT_EQ(::symlink("/proc/self/mem", (bad + "/b.s12").c_str()), 0);  // every read fails
    writeFile(p.tmp.file("big.s12"), crlf(anomalyReport("A1" + std::string(5000, 'x'))));
    const std::string copied = p.tmp.file("copied");  // names on disk in Windows-1251, as from a Windows PC
    ASSERT_EQ(::mkdir(copied.c_str(), 0755), 0);
    ASSERT_EQ(::symlink("/proc/self/mem", (copied + "/\xCE\xF2\xF7\xB8\xF2.s12").c_str()), 0);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::vector<std::string> lines;
        int exitCode;
        Spawn how;
    } cases[] = {
        {"a run that gets to its end", {"--dir", p.in, "rrn48"}, {}, 0, {}},
        {"a refusal", {"--file", p.in + "/none.s12", "rrn48"}, {"Файл не выбран"}, 1, {}},
        {"a refusal in a full run that goes on", {"--dir", p.in, "--kinds", "reports,rrn48", "full"}, {"Список  пустой"}, 1, {}},
        {"an input file skipped", {"--dir", bad, "rrn48"},
         {"Ошибка чтения файла " + bad + "/b.s12: ошибка ввода-вывода; файл пропущен"}, 1, {}},
        {"an input file named in Windows-1251 skipped", {"--dir", copied, "rrn48"},
         {"Ошибка чтения файла " + copied + "/Отчёт.s12: ошибка ввода-вывода; файл пропущен"}, 1, {}},
        {"a result file that cannot be written", {"--file", p.tmp.file("big.s12"), "rrn48"},
         {"Ошибка записи в файл " + p.data + "/log/rep48.log: файл слишком велик"}, 1, Spawn{.fileSizeLimit = 4096}},
    };
    for (const auto& c : cases) {
        auto args = c.args;
        args.insert(args.end(), {"--quiet", "--data-dir", p.data});
        const Result r = batch(args, p.home, c.how);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(r.errLines(), c.lines) << c.what;
    }
    BusyDataDir holder(KALVIMO_BATCH, p.data, p.tmp.path());
    ASSERT_TRUE(holder.holding());
    const Result busy = batch({"--quiet", "--data-dir", p.data, "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.errLines(),
              std::vector<std::string>{"Каталог данных занят: идёт обработка (PID " + std::to_string(holder.pid()) + ")"});
}
