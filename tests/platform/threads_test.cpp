// The hand-over between threads, the read-ahead built on it, and the data directory's lock
// when its holder lets go at the worst moment. The threaded cases also run under
// ThreadSanitizer, which reports a missing lock as a race.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/data_lock.h"
#include "platform/hand_over.h"
#include "platform/read_ahead.h"
#include "platform/system.h"
#include "tests/platform/platform_test_support.h"

using namespace kalvimo;
using namespace kalvimo::platformtest;

TEST(HandOver, HoldsAtMostItsCapacityInOrder) {
    for (const size_t capacity : {size_t{1}, size_t{4}}) {
        SCOPED_TRACE(capacity);
        HandOver<std::string> h(capacity);
        for (size_t i = 0; i < capacity; ++i) {
            std::string item = "item " + std::to_string(i);
            ASSERT_TRUE(h.tryPut(item));
            EXPECT_TRUE(item.empty());  // moved in
        }
        std::string more = "one too many";
        EXPECT_FALSE(h.tryPut(more));
        EXPECT_EQ(more, "one too many");  // stays with the caller
        // Taking one makes room for exactly one, and the order holds around the ring.
        EXPECT_EQ(h.tryTake().value(), "item 0");
        EXPECT_TRUE(h.tryPut(more));
        EXPECT_FALSE(h.tryPut(more = "again"));
        std::vector<std::string> out;
        while (auto item = h.tryTake()) out.push_back(*item);
        std::vector<std::string> want;
        for (size_t i = 1; i < capacity; ++i) want.push_back("item " + std::to_string(i));
        want.push_back("one too many");
        EXPECT_EQ(out, want);
        EXPECT_FALSE(h.tryTake());
    }
}

TEST(HandOver, CloseEndsTheWaitsAndKeepsOrDropsWhatWaits) {
    for (const auto waiting : {HandOver<int>::Waiting::Kept, HandOver<int>::Waiting::Dropped}) {
        HandOver<int> h(2);
        int a = 1, b = 2;
        ASSERT_TRUE(h.put(a));
        ASSERT_TRUE(h.put(b));
        h.close(waiting);
        int c = 3;
        EXPECT_FALSE(h.put(c));
        EXPECT_FALSE(h.tryPut(c));
        std::vector<int> rest;
        while (auto item = h.take()) rest.push_back(*item);  // would hang were take() not ended
        EXPECT_EQ(rest, waiting == HandOver<int>::Waiting::Kept ? std::vector<int>({1, 2}) : std::vector<int>{});
    }
    // A thread waiting to take and one waiting to put are both let go.
    HandOver<int> empty(1), full(1);
    int x = 0;
    ASSERT_TRUE(full.put(x));
    std::thread taker([&] { EXPECT_FALSE(empty.take()); });
    std::thread putter([&] {
        int y = 1;
        EXPECT_FALSE(full.put(y));
    });
    empty.close();
    full.close(HandOver<int>::Waiting::Dropped);
    taker.join();
    putter.join();
}

TEST(HandOver, EveryItemPassesOnceBetweenThreads) {
    // A producer much faster than the consumer fills the ring again and again: every item
    // arrives once, in order, and nothing is lost to a wake-up that came too early.
    constexpr int kItems = 20000;
    HandOver<std::vector<int>> h(3);
    std::vector<int> seen;
    std::thread consumer([&] {
        while (auto batch = h.take()) seen.insert(seen.end(), batch->begin(), batch->end());
    });
    for (int i = 0; i < kItems; i += 4) {
        std::vector<int> batch(4);
        std::iota(batch.begin(), batch.end(), i);
        ASSERT_TRUE(h.put(batch));
    }
    h.close();
    consumer.join();
    std::vector<int> want(kItems);
    std::iota(want.begin(), want.end(), 0);
    EXPECT_EQ(seen, want);
}

TEST(ReadAhead, ReadsEachBlockAskedFor) {
    TempDir dir;
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\n";
    putFile(dir / "f", content);
    sys::File file;
    ASSERT_EQ(sys::openFile(dir / "f", sys::kRead, file), 0);
    std::string got;
    {
        std::vector<char> block(777);  // outlives the read left unawaited below
        ReadAhead ahead;
        for (;;) {
            ahead.start(file, got.size(), block.data(), block.size());
            const ReadAhead::Result r = ahead.wait();
            ASSERT_GE(r.bytes, 0) << r.error;
            if (r.bytes == 0) break;
            got.append(block.data(), static_cast<size_t>(r.bytes));
        }
        const sys::File none;
        ahead.start(none, 0, block.data(), 1);
        EXPECT_EQ(ahead.wait().error, EBADF);
        ahead.start(file, 0, block.data(), 1);  // left unawaited: the destructor must not hang
    }
    EXPECT_TRUE(got == content);
}

#ifndef _WIN32  // the holder removes the lock file on POSIX systems only; Windows has its test below
TEST(DataLock, AHolderLettingGoWhileTheFileIsOpenedIsNotMistakenForTheLock) {
    // Between the open and the lock of the lock file, its holder lets go and removes it: the
    // inode now locked is no longer the lock file, and whoever locks it holds nothing.
    TempDir dir;
    const std::string file = dir / kDataLockFile;
    int opened = 0;
    setLockFileOpenedHook([&](const std::string& lockFile) {
        if (++opened == 1) ::unlink(lockFile.c_str());
    });
    DataLock lock = DataLock::tryAcquire(dir.path());
    setLockFileOpenedHook({});
    ASSERT_TRUE(lock.held());
    EXPECT_EQ(opened, 2);  // opened anew
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);  // the lock file held is the one in the directory
    EXPECT_EQ(getFile(file), std::to_string(::getpid()) + "\n");
    lock.release();
    EXPECT_NE(::stat(file.c_str(), &st), 0);
}
#else
TEST(DataLock, TheLockFileGoesOnlyWhenNobodyHasItOpen) {
    // Were it deleted while open, a second program would make a new one and hold that too.
    TempDir dir;
    const std::string file = dir / kDataLockFile;
    bool deleted = true;
    setLockFileOpenedHook([&](const std::string& lockFile) { deleted = DeleteFileW(fsPath(lockFile).c_str()); });
    DataLock lock = DataLock::tryAcquire(dir.path());
    setLockFileOpenedHook({});
    ASSERT_TRUE(lock.held());
    EXPECT_FALSE(deleted);
    EXPECT_FALSE(MoveFileW(fsPath(file).c_str(), fsPath(dir / "moved").c_str()));
    EXPECT_EQ(getFile(file), std::to_string(GetCurrentProcessId()) + "\n");
    lock.release();
    EXPECT_FALSE(exists(file));
    // Another program has it open when the holder lets go: it stays, unlocked.
    lock = DataLock::tryAcquire(dir.path());
    ASSERT_TRUE(lock.held());
    const HANDLE other = CreateFileW(fsPath(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    lock.release();
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(dataLockHolder(dir.path()), std::nullopt);
    EXPECT_TRUE(DataLock::tryAcquire(dir.path()).held());
    CloseHandle(other);
}
#endif

// Set in the copy of this program that the test below starts to hold the lock.
constexpr const char* kHoldLockVariable = "KALVIMO_TEST_HOLD_LOCK";

TEST(DataLock, AnotherProgramHoldingItIsNamedUntilItLetsGo) {
    using namespace std::chrono_literals;
    const auto waitFor = [](const std::string& path) {
        for (int i = 0; i < 3000 && !exists(path); ++i) std::this_thread::sleep_for(10ms);
        return exists(path);
    };
    if (const std::string held = test::variable(kHoldLockVariable); !held.empty()) {
        // The other program: holds the lock until it is told to let go.
        const DataLock lock = DataLock::tryAcquire(held);
        ASSERT_TRUE(lock.held());
        putFile(test::under(held, "held"), "");
        ASSERT_TRUE(waitFor(test::under(held, "release")));
        return;
    }
    TempDir dir;
    test::setVariable(kHoldLockVariable, dir.path());
    test::ChildProgram other({sys::programPath(), "--gtest_filter=DataLock.AnotherProgramHoldingItIsNamedUntilItLetsGo"});
    test::setVariable(kHoldLockVariable, "");
    ASSERT_TRUE(other.started());
    ASSERT_TRUE(waitFor(dir / "held"));
    const DataLock refused = DataLock::tryAcquire(dir.path());
    EXPECT_FALSE(refused.held());
    EXPECT_EQ(refused.holder(), other.id());
    EXPECT_EQ(dataDirBusyText(refused.holder()), "Каталог данных занят: идёт обработка (PID " + std::to_string(other.id()) + ")");
    EXPECT_EQ(dataLockHolder(dir.path()), other.id());
    putFile(dir / "release", "");
    const DataLock taken = DataLock::acquire(dir.path(), std::chrono::seconds(30));
    EXPECT_TRUE(taken.held());
    EXPECT_EQ(other.wait(), 0);
}
