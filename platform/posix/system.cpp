// The system layer on POSIX systems (Linux).
#include "platform/system.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/io_error.h"
#include "platform/console.h"
#include "platform/process_setup.h"

namespace kalvimo {
namespace sys {
namespace {

int fd(const File& file) { return static_cast<int>(file.handle()); }

PathInfo infoFrom(const struct stat& st) {
    PathInfo info;
    info.kind = S_ISREG(st.st_mode)   ? Kind::Regular
                : S_ISDIR(st.st_mode) ? Kind::Directory
                : S_ISLNK(st.st_mode) ? Kind::Link
                                      : Kind::Other;
    info.size = static_cast<uint64_t>(st.st_size);
    info.changedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    info.id = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    info.permissions = st.st_mode & 07777;
    return info;
}

}  // namespace

int File::close() noexcept {
    if (handle_ == kNone) return 0;
    const int descriptor = static_cast<int>(handle_);
    handle_ = kNone;
    return ::close(descriptor) != 0 && errno != EINTR ? errno : 0;
}

int openFile(const std::string& path, unsigned flags, File& file) {
    // O_NONBLOCK: a FIFO would wait for a partner before open() returns.
    int oflags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    oflags |= (flags & kRead) && (flags & kWrite) ? O_RDWR : (flags & kWrite) ? O_WRONLY : O_RDONLY;
    if (flags & kCreate) oflags |= O_CREAT;
    if (flags & kTruncate) oflags |= O_TRUNC;
    if (flags & kAppend) oflags |= O_APPEND;
    if (flags & kNoFollow) oflags |= O_NOFOLLOW;
    int descriptor;
    do descriptor = ::open(path.c_str(), oflags, 0644);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const int err = errno;
        struct stat st;
        // ENXIO: a FIFO without a reader or a device without its driver; ELOOP under
        // O_NOFOLLOW: the name is a symbolic link.
        if (err == ENXIO || (err == ELOOP && (flags & kNoFollow) && ::lstat(path.c_str(), &st) == 0 &&
                             S_ISLNK(st.st_mode)))
            return kNotRegularFile;
        return err;
    }
    struct stat st;
    int err = ::fstat(descriptor, &st) != 0 ? errno
              : S_ISREG(st.st_mode)         ? 0
              : S_ISDIR(st.st_mode)         ? ((flags & kDirectoryToo) ? 0 : EISDIR)
                                            : kNotRegularFile;
    if (err == 0) {
        const int status = ::fcntl(descriptor, F_GETFL);
        if (status < 0 || ::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) != 0) err = errno;
    }
    if (err != 0) {
        ::close(descriptor);
        return err;
    }
    if (flags & kSequential) ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    file = File(descriptor, flags);
    return 0;
}

int readAt(const File& file, uint64_t offset, char* buffer, size_t size, size_t& got) {
    ssize_t n;
    do n = ::pread(fd(file), buffer, size, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    got = static_cast<size_t>(n);
    return 0;
}

int writeAll(const File& file, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd(file), data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int truncate(const File& file, uint64_t size) {
    while (::ftruncate(fd(file), static_cast<off_t>(size)) != 0)
        if (errno != EINTR) return errno;
    return 0;
}

int sync(const File& file) { return ::fsync(fd(file)) != 0 ? errno : 0; }

int fileInfo(const File& file, PathInfo& info) {
    struct stat st;
    if (::fstat(fd(file), &st) != 0) return errno;
    info = infoFrom(st);
    return 0;
}

int copyPermissions(const File& file, const PathInfo& like) {
    return ::fchmod(fd(file), static_cast<mode_t>(like.permissions)) != 0 ? errno : 0;
}

int tryLock(const File& file, bool exclusive) {
    while (::flock(fd(file), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        if (errno != EINTR) return errno;
    return 0;
}

int unlock(const File& file) { return ::flock(fd(file), LOCK_UN) != 0 ? errno : 0; }

int pathInfo(const std::string& path, bool followLinks, PathInfo& info) {
    struct stat st;
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return errno;
    info = infoFrom(st);
    return 0;
}

int checkWritable(const std::string& path) { return ::access(path.c_str(), W_OK) != 0 ? errno : 0; }

int listDirectory(const std::string& dir, std::vector<std::string>& names) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return errno;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return 0;
}

int makeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) != 0 ? errno : 0; }

int removeFile(const std::string& path) { return ::unlink(path.c_str()) != 0 ? errno : 0; }

int removeUnlessOpen(const std::string& path) { return removeFile(path); }

int replaceFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
}

int realPath(const std::string& path, std::string& real) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return errno;
    real = resolved;
    std::free(resolved);
    return 0;
}

int createUniqueFile(const std::string& prefix, File& file, std::string& path) {
    std::string name = prefix + "XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) return errno;
    file = File(descriptor, kWrite);
    path = std::move(name);
    return 0;
}

std::FILE* openStream(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool localTime(int64_t secondsSince1970, std::tm& tm) {
    const time_t t = static_cast<time_t>(secondsSince1970);
    return ::localtime_r(&t, &tm) != nullptr;
}

ProcessId processId() { return ::getpid(); }

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

std::string programPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

bool isProgram(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

int runInstead(const std::string& program, const std::vector<std::string>& args, int&) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    return errno;
}

void onStopRequest(void (*handler)(int signal)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the second signal of a kind has its default effect and ends the program.
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool isRedrawingTerminal(std::FILE* out) {
    const char* term = std::getenv("TERM");
    return ::isatty(fileno(out)) == 1 && !(term && std::strcmp(term, "dumb") == 0);
}

int terminalColumns(std::FILE* out) {
    struct winsize ws {};
    return ::ioctl(fileno(out), TIOCGWINSZ, &ws) == 0 ? ws.ws_col : 0;
}

static_assert(kInterrupt == SIGINT && kTerminate == SIGTERM);

}  // namespace sys

unsigned reopenClosedStandardDescriptors() {
    unsigned closed = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        closed |= 1u << fd;
        // The lowest free number is this one, as the ones below it are open.
        const int got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (got >= 0 && got != fd) {
            ::dup2(got, fd);
            ::close(got);
        }
    }
    return closed;
}

void ignoreFileSizeLimitSignal() { std::signal(SIGXFSZ, SIG_IGN); }

void raiseOpenFileLimit() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);  // where it is refused, files are opened per write
}

void ignoreBrokenPipeSignal() { std::signal(SIGPIPE, SIG_IGN); }

void writeOutputAsUtf8() {}  // the bytes pass as they are

void useParentConsole() {}  // a program started from a terminal writes to it

}  // namespace kalvimo
