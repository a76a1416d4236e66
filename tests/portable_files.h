#pragma once
// The steps tests take on files by themselves, the same on both systems and apart from the code
// under test: std::filesystem with UTF-8 names, and the system's own calls where it has no word.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace kalvimo::test {

#ifdef _WIN32
inline constexpr char kSep = '\\';
#else
inline constexpr char kSep = '/';
#endif

inline std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// dir and a relative path written with "/", joined as the program joins paths.
inline std::string under(const std::string& dir, std::string name) {
    for (char& c : name)
        if (c == '/') c = kSep;
    return dir + kSep + name;
}

// A fresh directory for a test: under /tmp, or the user's temporary folder on Windows, where its
// name is Cyrillic too, as many folders of the users are: every test meets such a path there.
inline std::string makeTempDir(const char* prefix) {
#ifdef _WIN32
    std::random_device seed;
    std::mt19937_64 rng(seed());
    for (;;) {
        const std::string name = std::string(prefix) + "\u0434\u0430\u043D\u043D\u044B\u0435-" + std::to_string(rng() % 1000000000);
        const std::filesystem::path p = std::filesystem::temp_directory_path() / fsPath(name);
        std::error_code ec;
        if (std::filesystem::create_directory(p, ec)) {
            const std::u8string s = p.u8string();
            return std::string(s.begin(), s.end());
        }
        if (ec) throw std::runtime_error("cannot make a temporary directory");
    }
#else
    std::string templ = std::string("/tmp/") + prefix + "XXXXXX";
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    return templ;
#endif
}

// mkdir(path, 0755); false when it was not made.
inline bool makeDir(const std::string& path) {
    std::error_code ec;
    return std::filesystem::create_directory(fsPath(path), ec);
}

// Whether anything is there, a link itself included.
inline bool existsItself(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(fsPath(path), ec).type() != std::filesystem::file_type::not_found;
}

// The time of the last change of a file, in seconds since 1970.
inline bool setLastChange(const std::string& path, time_t t) {
#ifdef _WIN32
    const HANDLE h = CreateFileW(fsPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const unsigned long long ticks = (static_cast<unsigned long long>(t) + 11644473600ULL) * 10000000ULL;
    const FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    const bool set = SetFileTime(h, nullptr, &ft, &ft);
    CloseHandle(h);
    return set;
#else
    struct timespec times[2] = {{t, 0}, {t, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

// How many files (handles, on Windows) the process has open.
inline int openFileCount() {
#ifdef _WIN32
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return static_cast<int>(n);
#else
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

#ifdef _WIN32
// A junction at link to the directory target: the link to a directory that Windows lets every
// user make. False where the file system has none (wine).
inline bool makeJunction(const std::string& target, const std::string& link) {
    if (!makeDir(link)) return false;
    const HANDLE h = CreateFileW(fsPath(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool made = false;
    if (h != INVALID_HANDLE_VALUE) {
        // A mount point's reparse data: the target as substitute name, an empty print name.
        const std::wstring name = L"\\??\\" + std::filesystem::absolute(fsPath(target)).wstring();
        const size_t nameBytes = name.size() * sizeof(wchar_t);
        std::vector<char> data(16 + nameBytes + 2 * sizeof(wchar_t), 0);
        const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        const WORD fields[6] = {static_cast<WORD>(data.size() - 8), 0, 0, static_cast<WORD>(nameBytes),
                                static_cast<WORD>(nameBytes + sizeof(wchar_t)), 0};
        std::memcpy(data.data(), &tag, 4);
        std::memcpy(data.data() + 4, fields, sizeof fields);
        std::memcpy(data.data() + 16, name.data(), nameBytes);
        DWORD got = 0;
        made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()), nullptr, 0,
                               &got, nullptr);
        CloseHandle(h);
    }
    if (!made) RemoveDirectoryW(fsPath(link).c_str());
    return made;
}
#endif

// An environment variable in UTF-8 (set to nothing: removed), inherited by programs started later.
inline void setVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    _wputenv_s(fsPath(name).c_str(), fsPath(value).c_str());
#else
    if (value.empty()) ::unsetenv(name);
    else ::setenv(name, value.c_str(), 1);
#endif
}

inline std::string variable(const char* name) {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(fsPath(name).c_str());
    if (!value) return {};
    const std::u8string s = std::filesystem::path(value).u8string();
    return std::string(s.begin(), s.end());
#else
    const char* value = std::getenv(name);
    return value ? value : "";
#endif
}

// A program started with args (args[0] is its path), waited for when it goes.
class ChildProgram {
public:
    explicit ChildProgram(std::vector<std::string> args) {
#ifdef _WIN32
        std::wstring line;
        for (const std::string& a : args) line += L"\"" + fsPath(a).wstring() + L"\" ";  // no quotes inside
        STARTUPINFOW start{};
        start.cb = sizeof start;
        PROCESS_INFORMATION child{};
        if (!CreateProcessW(fsPath(args[0]).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                            &child))
            return;
        CloseHandle(child.hThread);
        process_ = child.hProcess;
        id_ = child.dwProcessId;
#else
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0) id_ = pid;
#endif
    }
    ~ChildProgram() { wait(); }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool started() const { return id_ > 0; }
    long long id() const { return id_; }
    // Its exit status; -1 when it did not start or did not end by itself.
    int wait() {
        if (id_ <= 0) return status_;
#ifdef _WIN32
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process_, &code)) status_ = static_cast<int>(code);
        CloseHandle(process_);
#else
        int status = 0;
        if (::waitpid(static_cast<pid_t>(id_), &status, 0) > 0 && WIFEXITED(status)) status_ = WEXITSTATUS(status);
#endif
        id_ = 0;
        return status_;
    }

private:
    long long id_ = 0;
    int status_ = -1;
#ifdef _WIN32
    HANDLE process_ = nullptr;
#endif
};

// Runs a program and waits for it: its exit status, -1 when it did not start or end.
inline int runAndWait(std::vector<std::string> args) { return ChildProgram(std::move(args)).wait(); }

}  // namespace kalvimo::test
