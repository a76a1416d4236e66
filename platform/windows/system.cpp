// The system layer on Windows: the W functions with UTF-16 names, handles read and written at
// offsets, failures mapped to the errno values the status texts know.
#include "platform/system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "platform/io_error.h"
#include "platform/console.h"
#include "platform/process_setup.h"

#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace kalvimo {
namespace sys {
namespace {

// FileDispositionInfoEx, which the headers declare only for Windows 10 builds from 2016 on.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
// Opened as a directory (kDirectoryToo): reading it fails as it does on POSIX systems.
constexpr unsigned kIsDirectory = 1u << 16;
// The most one ReadFile or WriteFile is asked for.
constexpr size_t kChunk = 1u << 30;
// Everyone else may read, write, rename and delete a file we have open: the exchange goes on
// writing its printout, and a run may clear results that the viewer shows.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(const File& file) { return reinterpret_cast<HANDLE>(file.handle()); }

int errnoOf(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_PRIVILEGE_NOT_HELD: return EPERM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
#ifdef EDQUOT
    case ERROR_DISK_QUOTA_EXCEEDED: return EDQUOT;
#else
    case ERROR_DISK_QUOTA_EXCEEDED: return ENOSPC;
#endif
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: return EBUSY;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_FILE_TOO_LARGE: return EFBIG;
    case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED: return EIO;
    default: return kOtherSystemError - static_cast<int>(code & 0xFFFF);
    }
}

int lastError() { return errnoOf(GetLastError()); }

std::wstring wide(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string narrow(const wchar_t* w, size_t size) {
    if (size == 0) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(size), s.data(), n, nullptr, nullptr);
    return s;
}

std::string narrow(const std::wstring& w) { return narrow(w.data(), w.size()); }

bool startsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// A path for the W functions. A long one goes through the \\?\ prefix, which takes it whole
// once it is absolute.
std::wstring apiPath(const std::string& path) {
    std::wstring w = wide(path);
    if (w.size() < MAX_PATH - 12 || startsWith(w, L"\\\\?\\")) return w;
    const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::wstring full(n, L'\0');
    full.resize(GetFullPathNameW(w.c_str(), n, full.data(), nullptr));
    if (startsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// What a path is as the system shows it, back to the form people write.
std::string fromApiPath(std::wstring w) {
    if (startsWith(w, L"\\\\?\\UNC\\")) w = L"\\\\" + w.substr(8);
    else if (startsWith(w, L"\\\\?\\")) w = w.substr(4);
    return narrow(w);
}

int64_t nsSince1970(const FILETIME& ft) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return (ticks - 116444736000000000LL) * 100;  // 100 ns since 1601
}

// A symbolic link or a junction: a reparse point that stands for another name. Others (a
// cloud file's placeholder, a deduplicated file) are the file itself.
bool isLinkTag(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(tag);
}

bool isLink(HANDLE h) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) &&
           isLinkTag(tag.FileAttributes, tag.ReparseTag);
}

int infoOf(HANDLE h, bool linkItself, PathInfo& info) {
    BY_HANDLE_FILE_INFORMATION bi;
    if (!GetFileInformationByHandle(h, &bi)) return lastError();
    info = {};
    info.kind = GetFileType(h) != FILE_TYPE_DISK                   ? Kind::Other
                : linkItself && isLink(h)                           ? Kind::Link
                : (bi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory
                                                                    : Kind::Regular;
    info.size = (static_cast<uint64_t>(bi.nFileSizeHigh) << 32) | bi.nFileSizeLow;
    info.changedNs = nsSince1970(bi.ftLastWriteTime);
    info.id = FileId{bi.dwVolumeSerialNumber, (static_cast<uint64_t>(bi.nFileIndexHigh) << 32) | bi.nFileIndexLow};
    return 0;
}

std::atomic<uint64_t> fileSizeLimit{kNoFileSizeLimit};

// Where the next write of the file lands.
uint64_t writePosition(const File& file) {
    LARGE_INTEGER at{};
    if (file.flags() & kAppend) GetFileSizeEx(handleOf(file), &at);
    else SetFilePointerEx(handleOf(file), LARGE_INTEGER{}, &at, FILE_CURRENT);
    return static_cast<uint64_t>(at.QuadPart);
}

}  // namespace

int File::close() noexcept {
    if (handle_ == kNone) return 0;
    const HANDLE h = reinterpret_cast<HANDLE>(handle_);
    handle_ = kNone;
    return CloseHandle(h) ? 0 : lastError();
}

int openFile(const std::string& path, unsigned flags, File& file) {
    const std::wstring name = apiPath(path);
    DWORD access = 0;
    if (flags & kRead) access |= GENERIC_READ;
    if (flags & kWrite) access |= GENERIC_WRITE;
    // A directory opens too (BACKUP_SEMANTICS), so that it is told apart from a file that may
    // not be opened. OPEN_REPARSE_POINT: the link itself, to be refused.
    DWORD attributes = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS;
    if (flags & kNoFollow) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    if (flags & kSequential) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;
    // Emptied only once it is known to be a regular file, never a link's own data.
    const DWORD disposition = (flags & kCreate) ? OPEN_ALWAYS : OPEN_EXISTING;
    const DWORD share = (flags & kKeepName) ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll;
    HANDLE h = CreateFileW(name.c_str(), access, share, nullptr, disposition, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        const DWORD existing = GetFileAttributesW(name.c_str());
        if (code == ERROR_ACCESS_DENIED && existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
            return EISDIR;
        return errnoOf(code);
    }
    BY_HANDLE_FILE_INFORMATION bi;
    int err = 0;
    if (GetFileType(h) != FILE_TYPE_DISK) err = kNotRegularFile;  // a pipe, a console, a device
    else if (!GetFileInformationByHandle(h, &bi)) err = lastError();
    else if ((flags & kNoFollow) && (bi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (isLink(h)) err = kNotRegularFile;
        else {
            // Not a link: the file itself is opened as usual.
            CloseHandle(h);
            return openFile(path, flags & ~kNoFollow, file);
        }
    } else if (bi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (flags & kDirectoryToo) flags |= kIsDirectory;
        else err = EISDIR;
    }
    if (err == 0 && (flags & kTruncate) && !(flags & kIsDirectory)) {
        FILE_END_OF_FILE_INFO end{};
        if (!SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) err = lastError();
    }
    if (err != 0) {
        CloseHandle(h);
        return err;
    }
    file = File(reinterpret_cast<intptr_t>(h), flags);
    return 0;
}

int readAt(const File& file, uint64_t offset, char* buffer, size_t size, size_t& got) {
    got = 0;
    if (file.flags() & kIsDirectory) return EISDIR;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    if (!ReadFile(handleOf(file), buffer, static_cast<DWORD>(size < kChunk ? size : kChunk), &n, &at)) {
        const DWORD code = GetLastError();
        return code == ERROR_HANDLE_EOF ? 0 : errnoOf(code);
    }
    got = n;
    return 0;
}

int writeAll(const File& file, const char* data, size_t size) {
    // Offset all ones: at the end of the file, as FILE_APPEND_DATA would write.
    OVERLAPPED atEnd{};
    atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
    OVERLAPPED* where = (file.flags() & kAppend) ? &atEnd : nullptr;
    int failure = 0;
    if (const uint64_t limit = fileSizeLimit.load(); limit != kNoFileSizeLimit) {
        const uint64_t at = writePosition(file);
        const uint64_t room = at < limit ? limit - at : 0;
        if (size > room) {
            size = static_cast<size_t>(room);
            failure = EFBIG;
        }
    }
    while (size > 0) {
        DWORD n = 0;
        if (!WriteFile(handleOf(file), data, static_cast<DWORD>(size < kChunk ? size : kChunk), &n, where))
            return lastError();
        if (n == 0) return EIO;
        data += n;
        size -= n;
    }
    return failure;
}

int truncate(const File& file, uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return SetFileInformationByHandle(handleOf(file), FileEndOfFileInfo, &end, sizeof end) ? 0 : lastError();
}

int sync(const File& file) { return FlushFileBuffers(handleOf(file)) ? 0 : lastError(); }

int fileInfo(const File& file, PathInfo& info) { return infoOf(handleOf(file), false, info); }

int copyPermissions(const File&, const PathInfo&) { return 0; }

namespace {
// The byte locked: far past any content, so that the lock, which Windows enforces on reads and
// writes of its range, never keeps anyone from the holder's number at the start of the file.
OVERLAPPED lockRange() {
    OVERLAPPED range{};
    range.OffsetHigh = 0x7FFFFFFF;
    return range;
}
}  // namespace

int tryLock(const File& file, bool exclusive) {
    OVERLAPPED range = lockRange();
    const DWORD how = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(handleOf(file), how, 0, 1, 0, &range)) return 0;
    const DWORD code = GetLastError();
    return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? EWOULDBLOCK : errnoOf(code);
}

int unlock(const File& file) {
    OVERLAPPED range = lockRange();
    return UnlockFileEx(handleOf(file), 0, 1, 0, &range) ? 0 : lastError();
}

int pathInfo(const std::string& path, bool followLinks, PathInfo& info) {
    const std::wstring name = apiPath(path);
    DWORD attributes = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE h = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // A file the system keeps open for itself still shows its attributes.
        WIN32_FILE_ATTRIBUTE_DATA d;
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) ||
            !GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &d))
            return errnoOf(code);
        info = {};
        info.kind = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory : Kind::Regular;
        info.size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
        info.changedNs = nsSince1970(d.ftLastWriteTime);
        return 0;
    }
    const int err = infoOf(h, !followLinks, info);
    CloseHandle(h);
    return err;
}

int checkWritable(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(apiPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return lastError();
    return (attributes & FILE_ATTRIBUTE_READONLY) ? EACCES : 0;
}

int listDirectory(const std::string& dir, std::vector<std::string>& names) {
    std::string pattern = dir.empty() ? "." : dir;
    if (!isSeparator(pattern.back())) pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileExW(apiPath(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                      nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // The root of a drive has no "." and "..": empty, it gives nothing at all.
        PathInfo info;
        if (code == ERROR_FILE_NOT_FOUND && pathInfo(dir, true, info) == 0 && info.kind == Kind::Directory) return 0;
        return errnoOf(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) continue;
        names.push_back(narrow(found.cFileName, std::wcslen(found.cFileName)));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return 0;
}

int makeDirectory(const std::string& path) { return CreateDirectoryW(apiPath(path).c_str(), nullptr) ? 0 : lastError(); }

int removeFile(const std::string& path) {
    const HANDLE h = CreateFileW(apiPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    FILE_BASIC_INFO basic{};
    int err = 0;
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) err = lastError();
    else if ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink(h)) err = EISDIR;
    if (err == 0) {
        // As on POSIX systems: the name goes at once, even while others have the file open, and
        // a read-only file goes too.
        FILE_DISPOSITION_INFO_EX now{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                                     FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE};
        if (!SetFileInformationByHandle(h, kDispositionInfoEx, &now, sizeof now)) {
            // A system or a file system without that: gone once the last handle of it closes.
            if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
                basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
                SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
            }
            FILE_DISPOSITION_INFO later{TRUE};
            if (!SetFileInformationByHandle(h, FileDispositionInfo, &later, sizeof later)) err = lastError();
        }
    }
    CloseHandle(h);
    return err;
}

int removeUnlessOpen(const std::string& path) {
    // Sharing nothing, the open fails while anyone has the file open, and stops anyone from
    // opening it until it is gone.
    const HANDLE h = CreateFileW(apiPath(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    return CloseHandle(h) ? 0 : lastError();
}

int replaceFile(const std::string& from, const std::string& to) {
    const std::wstring source = apiPath(from), target = apiPath(to);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                     nullptr, nullptr))
        return 0;
    // Nothing to replace (or gone meanwhile): a rename, on the disk before it returns.
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) return errnoOf(code);
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : lastError();
}

int realPath(const std::string& path, std::string& real) {
    const HANDLE h = CreateFileW(apiPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n);
        n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    const int err = n == 0 || n >= final.size() ? lastError() : 0;
    CloseHandle(h);
    if (err != 0) return err;
    final.resize(n);
    real = fromApiPath(final);
    return 0;
}

int createUniqueFile(const std::string& prefix, File& file, std::string& path) {
    static std::atomic<unsigned> counter{0};
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t seed = static_cast<uint64_t>(now.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL + counter++;
        std::string name = prefix;
        for (int i = 0; i < 6; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[(seed >> (10 + 5 * i)) % 36];
        const HANDLE h = CreateFileW(apiPath(name).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file = File(reinterpret_cast<intptr_t>(h), kWrite);
            path = std::move(name);
            return 0;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return errnoOf(code);
    }
    return EEXIST;
}

std::FILE* openStream(const std::string& path, const char* mode) {
    return _wfopen(apiPath(path).c_str(), wide(mode).c_str());
}

bool localTime(int64_t secondsSince1970, std::tm& tm) {
    constexpr int64_t k1601 = 11644473600LL;  // seconds from 1601 to 1970
    if (secondsSince1970 < -k1601 || secondsSince1970 > 900000000000LL) return false;
    const uint64_t ticks = static_cast<uint64_t>(secondsSince1970 + k1601) * 10000000ULL;
    const FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return false;
    tm = {};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_wday = local.wDayOfWeek;
    tm.tm_isdst = -1;
    return true;
}

ProcessId processId() { return static_cast<ProcessId>(GetCurrentProcessId()); }

namespace {
std::string environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? narrow(value, std::wcslen(value)) : std::string();
}
}  // namespace

std::string homeDirectory() {
    if (std::string profile = environment(L"USERPROFILE"); !profile.empty()) return profile;
    const std::string drive = environment(L"HOMEDRIVE"), path = environment(L"HOMEPATH");
    if (!drive.empty() && !path.empty()) return drive + path;
    return "c:\\";
}

std::vector<std::string> programArguments(int, char**) {
    std::vector<std::string> args;
    int n = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wargv) return args;
    for (int i = 1; i < n; ++i) args.push_back(narrow(wargv[i], std::wcslen(wargv[i])));
    LocalFree(wargv);
    return args;
}

std::string programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return fromApiPath(path);
        }
        path.resize(path.size() * 2);
    }
}

bool isProgram(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(apiPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
// One argument as CommandLineToArgvW reads it back: quoted, backslashes before a quote doubled.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}
}  // namespace

int runInstead(const std::string& program, const std::vector<std::string>& args, int& status) {
    std::wstring line;
    for (const std::string& a : args) appendQuoted(line, wide(a));
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE* slots[] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
    for (int i = 0; i < 3; ++i) {
        *slots[i] = GetStdHandle(streams[i]);
        if (*slots[i] && *slots[i] != INVALID_HANDLE_VALUE) SetHandleInformation(*slots[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(apiPath(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child))
        return lastError();
    CloseHandle(child.hThread);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    status = static_cast<int>(code);
    return 0;
}

namespace {
void (*stopHandler)(int) = nullptr;
std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (interrupted.exchange(true)) return FALSE;  // the second one: the default ends the program
    stopHandler(kInterrupt);
    return TRUE;
}

HANDLE osHandle(std::FILE* out) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out))); }
}  // namespace

void onStopRequest(void (*handler)(int signal)) {
    stopHandler = handler;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool isRedrawingTerminal(std::FILE* out) {
    const HANDLE h = osHandle(out);
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return false;
    // The progress line is redrawn with "\r" and "ESC [ K"; a console that does not take them
    // shows none.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) || SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int terminalColumns(std::FILE* out) {
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (!GetConsoleScreenBufferInfo(osHandle(out), &screen)) return 0;
    return screen.srWindow.Right - screen.srWindow.Left + 1;
}

void limitFileSizeForTests(uint64_t bytes) { fileSizeLimit.store(bytes); }

}  // namespace sys

unsigned reopenClosedStandardDescriptors() { return 0; }

void ignoreFileSizeLimitSignal() {}

void raiseOpenFileLimit() {}

void ignoreBrokenPipeSignal() {}

void writeOutputAsUtf8() {
    for (std::FILE* out : {stdout, stderr}) {
        _setmode(_fileno(out), _O_BINARY);
        DWORD mode;
        if (GetConsoleMode(sys::osHandle(out), &mode)) SetConsoleOutputCP(CP_UTF8);
    }
}

void useParentConsole() {
    // Redirected output already has a handle and stays where it goes.
    if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace kalvimo
