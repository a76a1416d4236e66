// kalvimo-batch end to end: the command line, exit codes, the status lines, and whole runs
// over generated printouts checked against the line-by-line model.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cp1251.h"
#include "printout_builder.h"
#include "reference_rrn48.h"
#include "test_support.h"

extern char** environ;

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

const std::string kStop = "C\xD1\x82\xD0\xBE\xD0\xBF";

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

Result run(const std::string& program, const std::vector<std::string>& args, const std::string& home) {
    TempDir io;
    const std::string outPath = io.file("out"), errPath = io.file("err");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = {"HOME=" + home, "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    Result r;
    if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data()) != 0) return r;
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

Result batch(const std::vector<std::string>& args, const std::string& home) { return run(KALVIMO_BATCH, args, home); }

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
    writeFile(p.in + "/a.s12", crlf(anomalyReport("A1")));
    ::mkdir((p.data + "/log").c_str(), 0755);
    ASSERT_EQ(::symlink("/dev/full", (p.data + "/log/rep48.log").c_str()), 0);
    const Result full = batch({"--data-dir", p.data, "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.errLines().back(), "Ошибка записи в файл " + p.data + "/log/rep48.log: нет места на диске");

    ::unlink((p.data + "/log/rep48.log").c_str());
    // Listed as a regular file, but every read of it fails with EIO.
    ASSERT_EQ(::symlink("/proc/self/mem", (p.in + "/b.s12").c_str()), 0);
    const Result skipped = batch({"--data-dir", p.data, "--dir", p.in, "rrn48"}, p.home);
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_EQ(skipped.errLines().back(), kStop);
    EXPECT_EQ(skipped.errLines()[1], "Ошибка чтения файла " + p.in + "/b.s12: ошибка ввода-вывода; файл пропущен");
    EXPECT_EQ(readFile(p.data + "/log/rep48.log"), crlf({"A1 N123 " + kDate}));
}
