#pragma once
// Another program's run on a data directory, for tests: kalvimo-batch scanning a printout of a
// terabyte of NUL bytes (a sparse file: nothing on the disk), so that it holds the directory's
// lock for as long as a test needs. Killing it lets the kernel release the lock, as when a run
// dies.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

extern char** environ;

namespace kalvimo::test {

class BusyDataDir {
public:
    // scratch: a directory for the printout, outside the data directory.
    BusyDataDir(const std::string& batch, const std::string& dataRoot, const std::string& scratch)
        : printout_(scratch + "/endless.s12") {
        const std::string result = dataRoot + "/log/rep121.log";
        ::unlink(result.c_str());
        const int fd = ::open(printout_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return;
        const bool sized = ::ftruncate(fd, off_t{1} << 40) == 0 || ::ftruncate(fd, off_t{1} << 34) == 0;
        ::close(fd);
        if (!sized) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        std::string args[] = {batch, "--data-dir", dataRoot, "--file", printout_, "rrn121"};
        char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                        args[5].data(), nullptr};
        const bool started = posix_spawn(&pid_, batch.c_str(), &fa, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&fa);
        if (!started) {
            pid_ = -1;
            return;
        }
        // Under way once it has cleared the outputs and made its result file; it took the lock
        // before that.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            if (::access(result.c_str(), F_OK) == 0) {
                holding_ = true;
                return;
            }
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~BusyDataDir() {
        kill();
        ::unlink(printout_.c_str());
    }
    BusyDataDir(const BusyDataDir&) = delete;
    BusyDataDir& operator=(const BusyDataDir&) = delete;

    // Its run is under way.
    bool holding() const { return holding_ && pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Ends it the hard way: the lock is let go by the kernel, not by the program.
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::string printout_;
    pid_t pid_ = -1;
    bool holding_ = false;
};

}  // namespace kalvimo::test
