// The file operations: appends that never merge lines, whole rewrites, result files, listings,
// times of last change, and their failures.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/unprivileged.h"
#endif

#include "platform/files.h"
#include "platform/io_block.h"
#include "tests/file_size_limit.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

TEST(Files, AppendLineNeverMergesLines) {
    struct Case {
        std::optional<std::string> before;  // nothing: the file is missing
        std::string want;
    };
    const Case cases[] = {
        {std::nullopt, "b\r\n"},
        {"", "b\r\n"},
        {"a", "a\r\nb\r\n"},
        {"a\r\n", "a\r\nb\r\n"},
        {"a\n", "a\nb\r\n"},
        {"a\r", "a\r\r\nb\r\n"},
    };
    TempDir dir;
    const std::string path = dir / "list.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? testing::PrintToString(*c.before) : "missing");
        ::unlink(path.c_str());
        if (c.before) putFile(path, *c.before);
        appendLine(path, "b");
        EXPECT_EQ(getFile(path), c.want);
    }
    appendLine(path, "c");
    appendLine(path, "");
    EXPECT_EQ(getFile(path), "a\r\r\nb\r\nc\r\n\r\n");

    const auto err = catchIoError([&] { appendLine(dir / "no/such/dir.txt", "x"); });
    ASSERT_TRUE(err);
    EXPECT_EQ(err->op(), IoError::Op::Create);
}

TEST(Files, WriteFileAtomicallyReplacesWhollyAndLeavesNoTemporaryFiles) {
    TempDir dir;
    const std::string path = dir / "list.txt";
    writeFileAtomically(path, "first\r\n");  // creates
    EXPECT_EQ(getFile(path), "first\r\n");
    putFile(path, std::string(10000, 'x'));
    writeFileAtomically(path, "short");  // a shorter content leaves nothing of the old one
    EXPECT_EQ(getFile(path), "short");
    writeFileAtomically(path, "");
    EXPECT_EQ(getFile(path), "");
    const std::string big(1 << 20, 'y');
    writeFileAtomically(path, big);
    EXPECT_TRUE(getFile(path) == big);
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{"list.txt"});
}

#ifndef _WIN32  // interposes the C library's fsync, which Windows programs do not call
// Every fsync(2) of this test program, with the file it was asked for: a rewritten list must
// be on the disk before it takes the old one's name, or a crash can leave an empty list.
namespace {
std::vector<std::string> syncedFiles;
}
extern "C" int fsync(int fd) {
    char path[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    syncedFiles.push_back(n > 0 ? std::string(path, static_cast<size_t>(n)) : "");
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

TEST(Files, WriteFileAtomicallySyncsTheNewFileBeforeTheRename) {
    TempDir dir;
    const std::string path = dir / "list.txt";
    putFile(path, "old\r\n");
    syncedFiles.clear();
    std::vector<std::string> syncedBeforeRename;
    std::string temporary;
    setBeforeReplaceHook([&](const std::string& tmp) {
        temporary = tmp;
        syncedBeforeRename = syncedFiles;
    });
    writeFileAtomically(path, "new\r\n");
    setBeforeReplaceHook({});
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(std::count(syncedBeforeRename.begin(), syncedBeforeRename.end(), temporary), 1);
    EXPECT_EQ(getFile(path), "new\r\n");
}

// Permission bits, symbolic links and the user nobody are POSIX's; Windows has its own test below.
TEST(Files, WriteFileAtomicallyKeepsPermissionsAndLinks) {
    TempDir dir;
    const std::string path = dir / "list.txt";
    putFile(path, "old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    writeFileAtomically(path, "new\r\n");
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A list kept elsewhere behind a link is rewritten there; the link stays a link.
    makeDir(dir / "shared");
    putFile(dir / "shared/dev.ini", "A\r\n");
    ASSERT_EQ(::symlink((dir / "shared/dev.ini").c_str(), (dir / "dev.ini").c_str()), 0);
    writeFileAtomically(dir / "dev.ini", "B\r\n");
    EXPECT_EQ(getFile(dir / "shared/dev.ini"), "B\r\n");
    ASSERT_EQ(::lstat((dir / "dev.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dirEntries(dir / "shared"), std::vector<std::string>{"dev.ini"});

    // A file the user made read-only is not replaced.
    if (kalvimo::test::Unprivileged user(dir.path()); user.active()) {
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        const auto refused = catchIoError([&] { writeFileAtomically(path, "x"); });
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->error(), EACCES);
        EXPECT_EQ(getFile(path), "new\r\n");
    }
}
#else
TEST(Files, WriteFileAtomicallyLeavesReadOnlyAndHeldListsAsTheyAre) {
    TempDir dir;
    const std::string path = dir / "dev.ini";
    putFile(path, "old\r\n");
    {
        // Another program holds the list open without letting it be replaced.
        const HANDLE held = CreateFileW(fsPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const auto busy = catchIoError([&] { writeFileAtomically(path, "new\r\n"); });
        CloseHandle(held);
        ASSERT_TRUE(busy);
        EXPECT_EQ(busy->op(), IoError::Op::Write);
        EXPECT_EQ(busy->message(), "Ошибка записи в файл " + path + ": файл занят");
        EXPECT_EQ(getFile(path), "old\r\n");
    }
    // No temporary file of ours is left (wine's ReplaceFileW leaves an rf*.tmp of its own).
    const auto ours = [&] {
        std::vector<std::string> names = dirEntries(dir.path());
        std::erase_if(names, [](const std::string& n) { return n.starts_with("rf") && n.ends_with(".tmp"); });
        return names;
    };
    EXPECT_EQ(ours(), std::vector<std::string>{"dev.ini"});
    writeFileAtomically(path, "new\r\n");
    EXPECT_EQ(getFile(path), "new\r\n");
    // A file the user made read-only is not replaced.
    std::filesystem::permissions(fsPath(path), std::filesystem::perms::all, std::filesystem::perm_options::remove);
    const auto refused = catchIoError([&] { writeFileAtomically(path, "x"); });
    std::filesystem::permissions(fsPath(path), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->error(), EACCES);
    EXPECT_EQ(getFile(path), "new\r\n");
    EXPECT_EQ(ours(), std::vector<std::string>{"dev.ini"});
}
#endif

TEST(Files, WriteFileAtomicallyFailureLeavesTheOldFile) {
    TempDir dir;
    // The directory of the path is missing.
    const auto noDir = catchIoError([&] { writeFileAtomically(dir / "missing/list.txt", "x"); });
    ASSERT_TRUE(noDir);
    EXPECT_EQ(noDir->error(), ENOENT);
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{});

    // The path is a directory: the rename fails, the directory stays as it was.
    makeDir(dir / "sub");
    putFile(dir / "sub/keep.txt", "keep");
    const auto onDir = catchIoError([&] { writeFileAtomically(dir / "sub", "x"); });
    ASSERT_TRUE(onDir);
    EXPECT_EQ(getFile(dir / "sub/keep.txt"), "keep");
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{"sub"});

    // Writing fails half way (file size limit): the old content survives, no temporary remains.
    const std::string path = dir / "list.txt";
    putFile(path, "old content\r\n");
    std::optional<IoError> tooBig;
    {
        kalvimo::test::FileSizeLimit full(4096);
        tooBig = catchIoError([&] { writeFileAtomically(path, std::string(100000, 'n')); });
    }
    ASSERT_TRUE(tooBig);
    EXPECT_EQ(tooBig->op(), IoError::Op::Write);
    EXPECT_EQ(tooBig->error(), EFBIG);
    EXPECT_EQ(getFile(path), "old content\r\n");
    EXPECT_EQ(dirEntries(dir.path()), (std::vector<std::string>{"list.txt", "sub"}));
}

// Keeps what an OutFile shows it, taking every other buffer by swapping in a string of its own.
struct RecordingTap : WrittenBytes {
    std::string seen;
    std::string own = std::string(10, 'z');
    int calls = 0;
    bool failNext = false;
    int missed_ = 0;
    size_t largest = 0;
    void take(std::string& bytes) override {
        if (failNext) {
            failNext = false;
            throw std::bad_alloc();
        }
        seen += bytes;
        largest = std::max(largest, bytes.size());
        if (++calls % 2) bytes.swap(own);
    }
    void missed() noexcept override { ++missed_; }
};

TEST(Files, OutFileWritesCrLfLinesThroughItsBuffer) {
    TempDir dir;
    const std::string path = dir / "out.txt";
    putFile(path, "old content that must go");
    std::string want;
    RecordingTap tap;
    {
        OutFile f;
        EXPECT_FALSE(f.isOpen());
        f.setTap(&tap);
        f.create(path);
        EXPECT_TRUE(f.isOpen());
        EXPECT_EQ(f.path(), path);
        EXPECT_EQ(getFile(path), "");  // emptied at once
        f.writeLine("first");
        f.writeLine("");
        want = "first\r\n\r\n";
        EXPECT_EQ(getFile(path), "");  // still in the buffer
        f.flush();
        EXPECT_EQ(getFile(path), want);
        // Small and large pieces in order, the large ones beyond the buffer.
        std::mt19937 rng(seedFor(51));
        for (int k = 0; k < 60; ++k) {
            const size_t len = rng() % 5 == 0 ? 200000 + rng() % 200000 : rng() % 100;
            const std::string piece(len, static_cast<char>('a' + k % 26));
            if (k % 2) {
                f.writeLine(piece);
                want += piece + "\r\n";
            } else {
                f.write(piece);
                want += piece;
            }
        }
        f.close();
        EXPECT_FALSE(f.isOpen());
    }
    EXPECT_TRUE(getFile(path) == want);
    EXPECT_TRUE(tap.seen == want);  // every byte once, in order, only once written
    EXPECT_LE(tap.largest, kIoBlock);  // never a copy of a long piece: one buffer at a time
    EXPECT_EQ(tap.missed_, 0);

    // A tap that cannot take the bytes is told so; what was written is never written again.
    for (const size_t len : {size_t{100}, size_t{3} << 20}) {
        SCOPED_TRACE(len);
        RecordingTap failing;
        OutFile f;
        f.setTap(&failing);
        f.create(dir / "tapped.txt");
        f.writeLine("kept");
        failing.failNext = true;
        EXPECT_THROW(
            {
                f.writeLine(std::string(len, 'y'));
                f.flush();
            },
            std::bad_alloc);
        EXPECT_EQ(failing.missed_, 1);
        f.close();
        // A long line passes through the buffer a buffer at a time: what was written before
        // the tap failed stays, and nothing after it is written.
        EXPECT_EQ(getFile(dir / "tapped.txt").size(), len < 1000 ? 4 + 2 + len + 2 : kIoBlock);
    }

    // Moving keeps writing into the same file; appending keeps what is there.
    {
        OutFile a;
        a.openAppend(path);
        a.writeLine("appended");
        OutFile b(std::move(a));
        EXPECT_FALSE(a.isOpen());
        b.writeLine("moved");
        OutFile c;
        c = std::move(b);
        c.close();
    }
    EXPECT_TRUE(getFile(path) == want + "appended\r\nmoved\r\n");

    // The destructor closes without writing what a failed path still buffers.
    {
        OutFile f;
        f.create(dir / "abandoned.txt");
        f.writeLine("lost");
        f.abandon();
        EXPECT_FALSE(f.isOpen());
    }
    EXPECT_EQ(getFile(dir / "abandoned.txt"), "");
    // A missing file is created by openAppend.
    {
        OutFile f;
        f.openAppend(dir / "new.txt");
        f.writeLine("x");
        f.close();
    }
    EXPECT_EQ(getFile(dir / "new.txt"), "x\r\n");
}

TEST(Files, OutFileReportsAFullDiskNoLaterThanClose) {
    TempDir dir;
    const std::string path = dir / "full.txt";
    for (size_t len : {size_t{1}, size_t{1000}, size_t{600000}}) {
        SCOPED_TRACE(len);
        OutFile f;
        f.create(path);
        std::optional<IoError> err;
        {
            kalvimo::test::FileSizeLimit full(0);
            err = catchIoError([&] {
                f.writeLine(std::string(len, 'x'));
                f.close();
            });
        }
        ASSERT_TRUE(err);
        EXPECT_EQ(err->op(), IoError::Op::Write);
        EXPECT_EQ(err->error(), EFBIG);
        EXPECT_EQ(err->path(), path);
        EXPECT_EQ(err->message(), "Ошибка записи в файл " + path + ": файл слишком велик");
    }
    // Creating over a directory fails as a creation.
    OutFile f;
    const auto onDir = catchIoError([&] { f.create(dir.path()); });
    ASSERT_TRUE(onDir);
    EXPECT_EQ(onDir->op(), IoError::Op::Create);
    EXPECT_FALSE(f.isOpen());
}

TEST(Files, RemoveFile) {
    TempDir dir;
    const std::string path = dir / "x.txt";
    putFile(path, "x");
    removeFile(path);
    EXPECT_FALSE(exists(path));
    EXPECT_NO_THROW(removeFile(path));  // already gone
    makeDir(dir / "sub");
    const auto err = catchIoError([&] { removeFile(dir / "sub"); });
    ASSERT_TRUE(err);
    EXPECT_EQ(err->op(), IoError::Op::Delete);
    EXPECT_TRUE(exists(dir / "sub"));
}

TEST(Files, ListFilesGivesRegularFilesInAlphabeticalOrder) {
    TempDir dir;
#ifdef _WIN32  // names that differ only in case are one file there
    for (const char* name : {"b.txt", "A.txt", "\u0451.txt", "\u042F.txt", "x.log", "C.TXT"}) putFile(dir / name, "x");
    const std::vector<std::string> regular = {"A.txt", "b.txt", "C.TXT", "\u042F.txt", "\u0451.txt"};
    const std::vector<std::string> followed = regular;
#else
    for (const char* name : {"b.txt", "A.txt", "a.txt", "\u0451.txt", "\u042F.txt", "x.log", "B.TXT"}) putFile(dir / name, "x");
    // By hand: folded a a b b (link) я ё, equal folds by exact text.
    const std::vector<std::string> regular = {"A.txt", "a.txt", "B.TXT", "b.txt", "\u042F.txt", "\u0451.txt"};
    std::vector<std::string> followed = regular;
    // Symbolic links: a privilege on Windows, and none at all under wine.
    ASSERT_EQ(::symlink("a.txt", (dir / "link.txt").c_str()), 0);       // a link to a regular file
    ASSERT_EQ(::symlink("nowhere", (dir / "dead.txt").c_str()), 0);     // dangling
    ASSERT_EQ(::symlink("sub.txt", (dir / "dirlink.txt").c_str()), 0);  // a link to a directory
    followed.insert(followed.begin() + 4, "link.txt");
#endif
    makeDir(dir / "sub.txt");  // directories are not listed

    EXPECT_EQ(listFiles(dir.path(), "*.txt"), followed);
    EXPECT_EQ(listFiles(dir.path(), "*.txt", LinkPolicy::Skip), regular);
    std::vector<std::string> withLog = regular;
    withLog.insert(withLog.end() - 2, "x.log");
    EXPECT_EQ(listFiles(dir.path(), "*.log;?.txt", LinkPolicy::Skip), withLog);
    EXPECT_EQ(listFiles(dir.path() + "/", "x*"), std::vector<std::string>{"x.log"});
    EXPECT_EQ(listFiles(dir.path(), ""), std::vector<std::string>{});

    const auto err = catchIoError([&] { listFiles(dir / "missing", "*"); });
    ASSERT_TRUE(err);
    EXPECT_EQ(err->op(), IoError::Op::List);
    EXPECT_EQ(err->error(), ENOENT);
}

#ifndef _WIN32  // a zone named in TZ: Windows takes its zone from its settings
// Sets TZ for the life of the object and puts the old value back.
class ScopedTz {
public:
    explicit ScopedTz(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTz() {
        if (old_) ::setenv("TZ", old_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    std::optional<std::string> old_;
};
#endif

void setMtime(const std::string& path, time_t t) { ASSERT_TRUE(kalvimo::test::setLastChange(path, t)); }

TEST(Files, LastChangeTextIsLocalTime) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    putFile(path, "x");
    EXPECT_EQ(lastChangeText(dir / "missing"), std::nullopt);

    // The zone of the machine, the expectation built from the C library's local time.
    for (time_t t : {time_t{981173106}, time_t{1700000000}, time_t{0}, time_t{1719792000}}) {
        setMtime(path, t);
        std::tm tm{};
#ifdef _WIN32
        ASSERT_EQ(localtime_s(&tm, &t), 0);
#else
        ASSERT_NE(::localtime_r(&t, &tm), nullptr);
#endif
        auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
        const std::string want = two(tm.tm_mday) + "." + two(tm.tm_mon + 1) + "." + std::to_string(tm.tm_year + 1900) +
                                 " " + two(tm.tm_hour) + ":" + two(tm.tm_min) + ":" + two(tm.tm_sec);
        EXPECT_EQ(lastChangeText(path), want) << t;
    }
#ifndef _WIN32
    // Fixed zones, worked out by hand.
    struct Case {
        const char* tz;
        time_t t;
        const char* want;
    };
    const Case cases[] = {
        {"UTC0", 981173106, "03.02.2001 04:05:06"},   // 2001-02-03 04:05:06 UTC
        {"MSK-3", 981173106, "03.02.2001 07:05:06"},
        {"UTC0", 1700000000, "14.11.2023 22:13:20"},  // 2023-11-14 22:13:20 UTC
        {"MSK-3", 1700000000, "15.11.2023 01:13:20"}, // past midnight in Moscow
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1000000000, "09.09.2001 03:46:40"},  // summer time, +2
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1700000000, "14.11.2023 23:13:20"},  // winter time, +1
    };
    for (const auto& c : cases) {
        ScopedTz tz(c.tz);
        setMtime(path, c.t);
        EXPECT_EQ(lastChangeText(path), c.want) << c.tz << " " << c.t;
    }
#endif
}

TEST(Files, PathsDirectoriesAndWholeFiles) {
    // Windows joins with a backslash and takes both separators; elsewhere a backslash is part
    // of a name.
    const bool win = sys::kWindows;
    struct Join {
        const char *dir, *name, *posix, *windows;
    };
    for (const Join& c : std::initializer_list<Join>{
             {"a", "b", "a/b", "a\\b"},
             {"a/", "b", "a/b", "a/b"},
             {"a\\", "b", "a\\/b", "a\\b"},
             {"/", "b", "/b", "/b"},
             {"", "b", "b", "b"},
             {"c:", "x", "c:/x", "c:\\x"},
         })
        EXPECT_EQ(joinPath(c.dir, c.name), win ? c.windows : c.posix) << c.dir << " + " << c.name;
    struct Split {
        const char *path, *dirPosix, *dirWindows, *namePosix, *nameWindows;
    };
    for (const Split& c : std::initializer_list<Split>{
             {"a/b/c.s12", "a/b", "a/b", "c.s12", "c.s12"},
             {"c.s12", ".", ".", "c.s12", "c.s12"},
             {"/c.s12", "/", "/", "c.s12", "c.s12"},
             {"a\\b\\c.s12", ".", "a\\b", "a\\b\\c.s12", "c.s12"},
             {"c:\\c.s12", ".", "c:\\", "c:\\c.s12", "c.s12"},
             {"c:/in/c.s12", "c:/in", "c:/in", "c.s12", "c.s12"},
             {"a/", "a", "a", "", ""},
         }) {
        EXPECT_EQ(directoryOf(c.path), win ? c.dirWindows : c.dirPosix) << c.path;
        EXPECT_EQ(fileNameOf(c.path), win ? c.nameWindows : c.namePosix) << c.path;
    }

    TempDir dir;
    const std::string sub = dir / "sub";
    ensureDirectory(sub);
    EXPECT_TRUE(isDirectory(sub));
    EXPECT_NO_THROW(ensureDirectory(sub));  // already there
    putFile(dir / "file", "a\0b\r\n"s);
    EXPECT_TRUE(isRegularFile(dir / "file"));
    EXPECT_FALSE(isRegularFile(sub));
    EXPECT_FALSE(isDirectory(dir / "file"));
    EXPECT_EQ(readWholeFile(dir / "file"), "a\0b\r\n"s);
    const std::string big(200000, 'z');
    putFile(dir / "big", big);
    EXPECT_TRUE(readWholeFile(dir / "big") == big);

    const auto onFile = catchIoError([&] { ensureDirectory(dir / "file"); });
    ASSERT_TRUE(onFile);
    EXPECT_EQ(onFile->op(), IoError::Op::CreateDir);
    EXPECT_EQ(onFile->error(), ENOTDIR);
    const auto parentMissing = catchIoError([&] { ensureDirectory(dir / "a/b"); });
    ASSERT_TRUE(parentMissing);
    EXPECT_EQ(parentMissing->error(), ENOENT);
    const auto missing = catchIoError([&] { readWholeFile(dir / "missing"); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->op(), IoError::Op::Open);
    EXPECT_EQ(missing->error(), ENOENT);
    const auto onDir = catchIoError([&] { readWholeFile(sub); });
    ASSERT_TRUE(onDir);
    EXPECT_EQ(onDir->error(), EISDIR);
}

}  // namespace
