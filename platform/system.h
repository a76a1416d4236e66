#pragma once
// The one place that talks to the operating system: files, directories, locks, the process and
// its console. platform/posix/system.cpp implements it with POSIX calls, platform/windows/
// system.cpp with Win32 ones; every other file of the program is the same on both systems.
//
// Paths are UTF-8 (turned into UTF-16 at the Windows API). A call that fails returns an errno
// value (the Windows codes mapped to the ones the status texts know) or one of the program's own
// (kNotRegularFile, ...); 0 is success.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace kalvimo::sys {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// What joins the parts of a path. Windows takes "/" as well.
inline constexpr char kSeparator = kWindows ? '\\' : '/';
inline constexpr bool isSeparator(char c) { return c == '/' || (kWindows && c == '\\'); }
// What a program file's name ends in.
inline constexpr const char* kProgramSuffix = kWindows ? ".exe" : "";

using ProcessId = long long;

// Identity of a file, the same through every name and link of it.
struct FileId {
    uint64_t device = 0, index = 0;
    bool operator==(const FileId&) const = default;
};

enum class Kind { Regular, Directory, Link, Other };

struct PathInfo {
    Kind kind = Kind::Other;  // Link only when links are not followed
    uint64_t size = 0;
    int64_t changedNs = 0;  // the last change, in nanoseconds since 1970 UTC
    FileId id;
    unsigned permissions = 0;  // POSIX mode bits; 0 on Windows, where a file's copy keeps them
};

// An open file, closed when it goes.
class File {
public:
    File() = default;
    ~File() { close(); }
    File(File&& other) noexcept : handle_(other.handle_), flags_(other.flags_) { other.handle_ = kNone; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.handle_;
            flags_ = other.flags_;
            other.handle_ = kNone;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return handle_ != kNone; }
    // 0, or the failure of the close (a write the system held back may fail only there).
    int close() noexcept;

    // For the implementation: the descriptor or handle, and the flags it was opened with.
    static constexpr intptr_t kNone = -1;
    File(intptr_t handle, unsigned flags) : handle_(handle), flags_(flags) {}
    intptr_t handle() const { return handle_; }
    unsigned flags() const { return flags_; }

private:
    intptr_t handle_ = kNone;
    unsigned flags_ = 0;
};

// How openFile opens.
enum OpenFlags : unsigned {
    kRead = 1,
    kWrite = 2,
    kCreate = 4,    // a missing file is created
    kTruncate = 8,  // emptied
    kAppend = 16,   // every write goes to the end
    kNoFollow = 32,  // a symbolic link (a Windows reparse point standing for another name) is
                     // refused with kNotRegularFile, never followed
    kDirectoryToo = 64,  // a directory opens as well; reading it fails with EISDIR
    kSequential = 128,   // read from the start to the end: the system may read ahead
    kKeepName = 256,     // nobody may delete or rename it while it is open (only Windows can
                         // refuse that)
};

// Opens path without ever waiting on it: anything but a regular file (a FIFO, a device) fails
// with kNotRegularFile, a directory with EISDIR (see kDirectoryToo). Others may go on writing,
// renaming and deleting the file while it is open.
int openFile(const std::string& path, unsigned flags, File& file);

// Up to size bytes from offset; got is 0 at the end of the file. Any number of threads may
// read one file at once.
int readAt(const File& file, uint64_t offset, char* buffer, size_t size, size_t& got);
// All of it, at the file's position (at its end for kAppend). A failure may leave part written.
// On Windows a read moves that position.
int writeAll(const File& file, const char* data, size_t size);
int truncate(const File& file, uint64_t size);
int sync(const File& file);  // on the disk before it returns
int fileInfo(const File& file, PathInfo& info);
// The permission bits of like, given to file (nothing on Windows: the replace keeps them).
int copyPermissions(const File& file, const PathInfo& like);

// An advisory lock on the file, taken without waiting: EWOULDBLOCK when another open of it
// holds one that excludes it. The lock goes with the open file, and the system lets go of it
// when the process ends, however it ends.
int tryLock(const File& file, bool exclusive);
int unlock(const File& file);

// ENOENT when nothing is there.
int pathInfo(const std::string& path, bool followLinks, PathInfo& info);
// Whether this process may write the existing file path (EACCES when it is read-only).
int checkWritable(const std::string& path);
// The names in dir, without "." and "..", in the order the system gives them.
int listDirectory(const std::string& dir, std::vector<std::string>& names);
// EEXIST when anything is there already.
int makeDirectory(const std::string& path);
// A file, or a link itself (never its target); EISDIR for a directory.
int removeFile(const std::string& path);
// Removes a file unless someone has it open: EBUSY then (Windows; POSIX cannot tell and
// removes it). Meanwhile nobody else can open it.
int removeUnlessOpen(const std::string& path);
// Gives from the name to, replacing what was there, at once for anyone who opens to.
int replaceFile(const std::string& from, const std::string& to);
// The path with every link resolved.
int realPath(const std::string& path, std::string& real);
// A new empty file named prefix and a few characters more, opened for writing.
int createUniqueFile(const std::string& prefix, File& file, std::string& path);
// std::fopen of a UTF-8 path.
std::FILE* openStream(const std::string& path, const char* mode);
// secondsSince1970 in the local time of the system; false when it cannot say.
bool localTime(int64_t secondsSince1970, std::tm& tm);

ProcessId processId();
// The user's home directory (the profile folder on Windows).
std::string homeDirectory();
// The arguments after the program name, UTF-8 (Windows passes main() another code page).
std::vector<std::string> programArguments(int argc, char** argv);
// The path of the running program.
std::string programPath();
bool isProgram(const std::string& path);
// Runs program with args (args[0] is its name) in place of this program: it takes over the
// process (POSIX), or is started and waited for (Windows), and status is its exit status.
// Returns the failure when it cannot be started.
int runInstead(const std::string& program, const std::vector<std::string>& args, int& status);

// Calls handler (from wherever the system calls it, so it may only set atomics) with SIGINT
// for Ctrl+C (and Ctrl+Break), SIGTERM for a request to end; the second one of a kind ends
// the program at once.
void onStopRequest(void (*handler)(int signal));
// SIGINT and SIGTERM as handler receives them.
inline constexpr int kInterrupt = 2, kTerminate = 15;
#ifdef _WIN32
// For tests, in place of ulimit -f: a write that would take a file past this many bytes
// writes what fits and fails with EFBIG.
inline constexpr uint64_t kNoFileSizeLimit = ~uint64_t{0};
void limitFileSizeForTests(uint64_t bytes);
#endif

// Whether out is a terminal that can redraw its last line (a console on Windows).
bool isRedrawingTerminal(std::FILE* out);
// The width of the terminal of out in characters; 0 when it cannot say.
int terminalColumns(std::FILE* out);

}  // namespace kalvimo::sys
