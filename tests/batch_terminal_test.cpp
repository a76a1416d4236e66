// The progress line of kalvimo-batch: what it says and how it fits a terminal, and whole runs
// on a pseudo-terminal against the same runs into a pipe, which must get the status lines alone.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "cli/terminal_progress.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

size_t chars(const std::string& s) {
    size_t n = 0;
    for (const char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace

TEST(ProgressLine, SaysWhereTheRunIsAndNeverWraps) {
    ProgressFigures walk;
    walk.pass = "Идет обработка каталога RRN - 48";
    walk.fileIndex = 2;
    walk.fileCount = 12;
    walk.fileName = "28082000.s12";
    walk.bytesRead = 152'400'000;  // 145,34 MB in 2 s
    walk.seconds = 2;
    walk.bytesLeft = 145'344'000;  // 1,9 s at that speed
    ProgressFigures analysis = walk;
    analysis.count = "  Идет обработка ошибок  8801";
    analysis.bytesLeft = -1;
    ProgressFigures starting = walk;
    starting.fileName = "bad\x1b[2Jname.s12";
    starting.bytesRead = 0;
    starting.seconds = 0;
    ProgressFigures hours = walk;
    hours.bytesLeft = 152'400'000LL * 3700 / 2;
    struct Case {
        const char* what;
        const ProgressFigures& figures;
        int columns;
        std::string line;
    } cases[] = {
        {"wide", walk, 200, "Идет обработка каталога RRN - 48 · файл 3/12 28082000.s12 · 145,3 МБ · 72,7 МБ/с · осталось 0:02"},
        {"80 columns: the pass keeps its end", walk, 80,
         "…алога RRN - 48 · файл 3/12 28082000.s12 · 145,3 МБ · 72,7 МБ/с · осталось 0:02"},
        {"then the name keeps its end", walk, 72, "… RRN - 48 · файл 3/12 …2000.s12 · 145,3 МБ · 72,7 МБ/с · осталось 0:02"},
        {"then the end goes", walk, 30, "… RRN - 48 · файл 3/12 …000.…"},
        {"a running count instead of the file, no time left", analysis, 200,
         "Идет обработка каталога RRN - 48 · Идет обработка ошибок  8801 · 145,3 МБ · 72,7 МБ/с"},
        {"nothing read yet; control bytes of a name", starting, 200,
         "Идет обработка каталога RRN - 48 · файл 3/12 bad?[2Jname.s12 · 0,0 МБ"},
        {"hours", hours, 200,
         "Идет обработка каталога RRN - 48 · файл 3/12 28082000.s12 · 145,3 МБ · 72,7 МБ/с · осталось 1:01:40"},
    };
    for (const auto& c : cases) {
        const std::string line = progressLine(c.figures, c.columns);
        EXPECT_EQ(line, c.line) << c.what;
        EXPECT_LT(chars(line), static_cast<size_t>(c.columns)) << c.what;
    }
}

TEST(ProgressLine, BytesLeftOverFilesAndPasses) {
    const std::vector<long long> three = {100, 200, 300};
    struct Case {
        const char* what;
        std::vector<long long> sizes;
        int index;
        long long read;
        int max, value;
        long long left;
    } cases[] = {
        {"one file", {100}, 0, 30, 1, 0, 70},
        {"second of three files, one pass", three, 1, 50, 2, 1, 450},
        {"first of two passes", three, 1, 50, 4, 1, 450 + 600},
        {"second of two passes", three, 1, 50, 4, 3, 450},
        {"last file of the first pass, whose value the next pass shares", three, 2, 0, 4, 2, 300 + 600},
        {"read past the file's size", three, 1, 500, 2, 1, 300},
        {"no file yet", three, -1, 0, 2, 0, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(bytesLeft(c.sizes, c.index, c.read, 0, c.max, c.value), c.left) << c.what;
}

namespace {

struct Output {
    std::string bytes;
    int exitCode = -1;
    double seconds = 0;
};

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Runs kalvimo-batch with standard error on a pseudo-terminal `columns` wide (raw, so the
// bytes arrive as written) or on a pipe, and stops it with SIGINT after stopAfter.
Output runStopped(const std::vector<std::string>& args, bool terminal, std::chrono::milliseconds stopAfter,
                  int columns) {
    std::vector<std::string> argvStrings = {KALVIMO_BATCH};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = {"TERM=xterm", "HOME=/nonexistent", "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    const std::vector<char*> argv = pointers(argvStrings), envp = pointers(envStrings);
    Output out;
    const auto started = std::chrono::steady_clock::now();
    int readEnd = -1;
    pid_t pid = -1;
    if (terminal) {
        struct termios raw {};
        ::cfmakeraw(&raw);
        struct winsize size {};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = 24;
        pid = ::forkpty(&readEnd, nullptr, &raw, &size);
    } else {
        int fds[2];
        if (::pipe(fds) != 0) return out;
        pid = ::fork();
        if (pid == 0) ::dup2(fds[1], 2);
        ::close(fds[1]);
        readEnd = fds[0];
    }
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) return out;
    bool stopped = false;
    char buf[65536];
    for (;;) {
        if (!stopped && std::chrono::steady_clock::now() - started >= stopAfter) {
            ::kill(pid, SIGINT);
            stopped = true;
        }
        struct pollfd p = {readEnd, POLLIN, 0};
        if (::poll(&p, 1, 20) == 0) continue;
        const ssize_t n = ::read(readEnd, buf, sizeof buf);
        if (n > 0) out.bytes.append(buf, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR) break;  // a terminal whose other end closed says EIO
    }
    ::close(readEnd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return out;
}

// The progress line is drawn as "\r" TEXT "\x1b[K" and taken away as "\r\x1b[K".
struct Split {
    std::string lines;               // everything else
    std::vector<std::string> drawn;  // the texts drawn, in order
};

Split split(const std::string& tty) {
    Split s;
    size_t pos = 0;
    for (;;) {
        const size_t cr = tty.find('\r', pos);
        s.lines += tty.substr(pos, cr - pos);
        if (cr == std::string::npos) return s;
        const size_t end = tty.find("\x1b[K", cr);
        if (end == std::string::npos || tty.find('\n', cr) < end) {
            ADD_FAILURE() << "a carriage return that is not part of the progress line";
            return s;
        }
        if (end > cr + 1) s.drawn.push_back(tty.substr(cr + 1, end - cr - 1));
        pos = end + 3;
    }
}

}  // namespace

TEST(BatchTerminal, ProgressLineOnATerminalOnlyAndTheLinesAsInAPipe) {
    // A small printout, then a terabyte of NUL bytes (sparse: nothing on the disk) that keeps
    // the run reading until it is stopped.
    TempDir tmp;
    const std::string in = tmp.file("in"), data = tmp.file("data");
    ASSERT_EQ(::mkdir(in.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(data.c_str(), 0755), 0);
    writeFile(in + "/a.s12", "ZARYA-UZEL   28.08.2000   10:15:32\r\n  LINE\r\n");
    writeFile(data + "/dev.ini", "0012/0034/0005 CBR\r\n");
    const int fd = ::open((in + "/b.s12").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(::ftruncate(fd, off_t{1} << 40) == 0 || ::ftruncate(fd, off_t{1} << 34) == 0);
    ::close(fd);

    const std::vector<std::string> args = {"--data-dir", data, "--dir", in, "--kinds", "devices,rrn48", "full"};
    const auto stopAfter = std::chrono::milliseconds(600);
    const Output pipe = runStopped(args, false, stopAfter, 0);
    const Output tty = runStopped(args, true, stopAfter, 120);
    EXPECT_EQ(pipe.exitCode, 130) << pipe.bytes;
    EXPECT_EQ(tty.exitCode, 130) << tty.bytes;

    // A pipe gets one status a line and nothing else.
    EXPECT_EQ(pipe.bytes, "Идет обработка каталога по устройству CBR\nОбработка остановлена\n" + kStop + "\n");

    // The terminal gets the same lines, byte for byte, with the progress line among them.
    const Split s = split(tty.bytes);
    EXPECT_EQ(s.lines, pipe.bytes);
    ASSERT_FALSE(s.drawn.empty());
    bool sawFile = false;
    for (const auto& text : s.drawn) {
        EXPECT_LT(chars(text), 120u) << text;
        sawFile = sawFile || (text.find("по устройству CBR 0012/0034/0005 · файл 2/2 b.s12 · ") != std::string::npos &&
                              text.find(" МБ/с · осталось ") != std::string::npos);
    }
    EXPECT_TRUE(sawFile) << tty.bytes;
    // At most ten a second, and taken away at the end: the terminal's last line is clear.
    EXPECT_LE(static_cast<double>(s.drawn.size()), 1 + 10 * tty.seconds);
    const std::string last = tty.bytes.substr(tty.bytes.rfind('\n') + 1);
    EXPECT_TRUE(last.empty() || (last.size() >= 4 && last.substr(last.size() - 4) == "\r\x1b[K")) << last;
}
