// The line reader against the rules of line splitting: hand cases, random content and block sizes,
// lines of megabytes, failures and the cancel flag.
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
#endif

#include "platform/files.h"
#include "platform/line_reader.h"
#include "platform/read_ahead.h"
#include "tests/file_size_limit.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

std::vector<std::string> readAll(LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

TEST(LineReader, HandCasesSplitLikeTheRules) {
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"\n", {""}},
        {"\n\n", {"", ""}},
        {"a\r\n", {"a"}},
        {"\r\n\r\n", {"", ""}},
        {"a\rb", {"a\rb"}},             // a lone CR is data
        {"a\r\r\n", {"a\r"}},           // only one CR is dropped
        {"a\r", {"a\r"}},               // no LF, so the CR stays
        {"\r", {"\r"}},
        {"a\n\rb\r\n", {"a", "\rb"}},
        {"a\0b\nc"s, {"a\0b"s, "c"}},   // NUL is data
        {"x\ny", {"x", "y"}},
        {"\xFF\xD0\n", {"\xFF\xD0"}},
    };
    TempDir dir;
    const std::string path = dir / "f.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.content));
        putFile(path, c.content);
        LineReader reader(64);
        reader.open(path);
        EXPECT_EQ(readAll(reader), c.lines);
        std::string_view line;
        EXPECT_FALSE(reader.next(line));  // stays at the end
        EXPECT_EQ(splitLines(c.content), c.lines);
        EXPECT_EQ(refSplit(c.content), c.lines);  // the reference itself agrees with the hand cases
    }
}

TEST(LineReader, NextContainingHandCases) {
    struct Case {
        std::string content;
        std::string needle;
        std::optional<std::string> found;
        std::vector<std::string> rest;  // what next() gives afterwards
    };
    const Case cases[] = {
        {"a\nxSTy\nb\n", "ST", "xSTy", {"b"}},
        {"a\nb\n", "ST", std::nullopt, {}},
        {"X\r\nY\n", "X\r", std::nullopt, {}},       // the CR belongs to the line break
        {"X\r\r\nY\n", "X\r", "X\r", {"Y"}},
        {"X\rZ\n", "X\r", "X\rZ", {}},
        {"X\r", "X\r", "X\r", {}},                    // last line without LF keeps its CR
        {"a\nb\n", "a\nb", std::nullopt, {}},         // no line holds an LF
        {"\n\n\nq\n\n", "", "q", {""}},               // empty needle: first non-empty line
        {"\n\r\n", "", std::nullopt, {}},
        {"a\0b\nc\n"s, "\0b"s, "a\0b"s, {"c"}},
        {"aST\r\nST", "ST", "aST", {"ST"}},
        {"T\r\nT\r\r\n", "T\r", "T\r", {}},
    };
    TempDir dir;
    const std::string path = dir / "f.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.content) + " / " + testing::PrintToString(c.needle));
        putFile(path, c.content);
        LineReader reader(64);
        reader.open(path);
        std::string_view line;
        const bool found = reader.nextContaining(c.needle, line);
        EXPECT_EQ(found, c.found.has_value());
        if (found && c.found) {
            EXPECT_EQ(std::string(line), *c.found);
        }
        EXPECT_EQ(readAll(reader), c.rest);
    }
}

// One random scenario: the reader against the reference, with next() and nextContaining()
// interleaved. Returns a description of the first difference, empty when none.
std::string runReaderScenario(const std::string& path, const std::string& content, size_t blockSize, bool readAhead,
                              std::mt19937& rng) {
    static const std::string needles[] = {"ST", "S", "", "T\r", "aSTb", "\r", "\n", "S\nT", "\0"s, "b\r", "\r\r", " a"};
    const std::vector<std::string> lines = refSplit(content);
    LineReader reader(blockSize, readAhead);
    reader.open(path);
    size_t cur = 0;
    int endsSeen = 0;
    std::string log;
    for (int step = 0; endsSeen < 3; ++step) {
        std::string_view got;
        bool gotOk;
        std::optional<std::string> want;
        if (rng() % 2) {
            log += "next;";
            gotOk = reader.next(got);
            if (cur < lines.size()) want = lines[cur++];
        } else {
            std::string needle;
            if (rng() % 4 == 0) {
                static const char alphabet[] = {'a', 'b', 'S', 'T', '\r', ' ', '\0'};
                const int len = 1 + static_cast<int>(rng() % 3);
                for (int k = 0; k < len; ++k) needle += alphabet[rng() % sizeof alphabet];
            } else {
                needle = needles[rng() % std::size(needles)];
            }
            log += "contains(" + testing::PrintToString(needle) + ");";
            gotOk = reader.nextContaining(needle, got);
            for (; cur < lines.size(); ++cur) {
                if (needle.find('\n') == std::string::npos && refContains(lines[cur], needle)) {
                    want = lines[cur++];
                    break;
                }
            }
        }
        if (gotOk != want.has_value() || (gotOk && std::string(got) != *want)) {
            std::ostringstream out;
            out << "step " << step << " block " << blockSize << (readAhead ? " read ahead" : "") << " size " << content.size() << ": got "
                << (gotOk ? testing::PrintToString(std::string(got)) : "<end>") << ", want "
                << (want ? testing::PrintToString(*want) : "<end>") << "; ops " << log;
            if (content.size() <= 400) out << "; content " << testing::PrintToString(content);
            return out.str();
        }
        if (!gotOk) ++endsSeen;
    }
    return "";
}

std::string randomContent(std::mt19937& rng, size_t maxLen) {
    static const char others[] = {'a', 'b', 'S', 'T', '\r', '\0', ' '};
    static const double lfChance[] = {0.0, 0.002, 0.02, 0.125, 0.4};
    const double pLf = lfChance[rng() % std::size(lfChance)];
    const size_t len = rng() % 3 ? rng() % (maxLen + 1) : rng() % 21;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string s;
    s.reserve(len);
    for (size_t k = 0; k < len; ++k) s += unit(rng) < pLf ? '\n' : others[rng() % sizeof others];
    return s;
}

TEST(LineReader, RandomContentAgreesWithTheNaiveReference) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    std::mt19937 rng(seedFor(41));
    for (int iter = 0; iter < 3000; ++iter) {
        const std::string content = randomContent(rng, 5000);
        putFile(path, content);
        const size_t blockSize = 64 + rng() % 237;
        const std::string diff = runReaderScenario(path, content, blockSize, iter % 2 == 1, rng);
        ASSERT_EQ(diff, "") << "iteration " << iter;
    }
}

TEST(LineReader, SplitLinesAgreesWithTheReader) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    std::mt19937 rng(seedFor(42));
    for (int iter = 0; iter < 500; ++iter) {
        const std::string content = randomContent(rng, 3000);
        putFile(path, content);
        LineReader reader(64 + rng() % 237);
        reader.open(path);
        const auto fromReader = readAll(reader);
        ASSERT_EQ(splitLines(content), fromReader) << "iteration " << iter;
        ASSERT_EQ(fromReader, refSplit(content)) << "iteration " << iter;
    }
}

TEST(LineReader, LinesOfMegabytesNeedNoLineBreak) {
    TempDir dir;
    const std::string path = dir / "big.txt";
    std::mt19937 rng(seedFor(43));
    std::string big(3 * 1024 * 1024 + 7, ' ');
    static const char alphabet[] = {'a', 'b', 'S', 'T', '\r', '\0', ' '};
    for (auto& c : big) c = alphabet[rng() % sizeof alphabet];
    big.back() = '\r';  // no LF follows, so this CR stays

    // One line without LF, default block size.
    putFile(path, big);
    {
        LineReader reader;
        reader.open(path);
        std::string_view line;
        ASSERT_TRUE(reader.next(line));
        EXPECT_EQ(line.size(), big.size());
        EXPECT_TRUE(line == big);
        EXPECT_FALSE(reader.next(line));
    }
    // A needle at the very end of the long line, then a short line after it.
    const std::string withEnd = big + "QQ\r\ntail";
    putFile(path, withEnd);
    {
        LineReader reader;
        reader.open(path);
        std::string_view line;
        ASSERT_TRUE(reader.nextContaining("\rQQ", line));
        EXPECT_EQ(line.size(), big.size() + 2);
        EXPECT_TRUE(line == big + "QQ");
        ASSERT_TRUE(reader.next(line));
        EXPECT_EQ(line, "tail");
        EXPECT_FALSE(reader.next(line));
    }
    // The long line passed over on the way to a short one.
    putFile(path, big + "\nxQQy\n");
    {
        LineReader reader;
        reader.open(path);
        std::string_view line;
        ASSERT_TRUE(reader.nextContaining("QQ", line));
        EXPECT_EQ(line, "xQQy");
        EXPECT_FALSE(reader.nextContaining("QQ", line));
    }
}

TEST(LineReader, NeedleLateInALongLineGivesTheWholeLine) {
    // Blocks of 64 bytes: a line without the needle is let go of after 256 bytes, so the line
    // found is put together from the file again. The needle at every place, across every
    // block boundary and every point where the line was let go of.
    TempDir dir;
    const std::string path = dir / "f.txt";
    std::string filler(800, ' ');
    for (size_t i = 0; i < filler.size(); ++i) filler[i] = "abc\r\0"[i % 5];
    for (const std::string needle : {"Q", "QZ", "QZQ\r"}) {
        for (size_t at = 0; at + needle.size() <= filler.size(); ++at) {
            std::string line = filler;
            line.replace(at, needle.size(), needle);
            putFile(path, "before\n" + line + "\r\nafter Q\n");
            LineReader reader(64);
            reader.open(path);
            std::string_view got;
            ASSERT_TRUE(reader.nextContaining(needle, got));
            ASSERT_TRUE(got == line) << needle.size() << " at " << at;
            ASSERT_TRUE(reader.next(got));
            EXPECT_EQ(got, "after Q");
        }
    }
    // The needle runs into the CR of a long line's break: not in that line, found in the next.
    putFile(path, filler + "Q\r\n" + "Q\rZ\n");
    LineReader reader(64);
    reader.open(path);
    std::string_view got;
    ASSERT_TRUE(reader.nextContaining("Q\r", got));
    EXPECT_EQ(got, "Q\rZ");
}

TEST(LineReader, ReopenAndCloseStartOver) {
    TempDir dir;
    putFile(dir / "one.txt", std::string(500, 'a') + "\nfirst\n");
    putFile(dir / "two.txt", "second\r\nthird");
    LineReader reader(64);
    std::string_view line;
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(reader.next(line));  // never opened
    EXPECT_FALSE(reader.nextContaining("a", line));
    reader.open(dir / "one.txt");
    EXPECT_TRUE(reader.isOpen());
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), 500u);
    reader.open(dir / "two.txt");  // nothing of the first file remains
    EXPECT_EQ(readAll(reader), (std::vector<std::string>{"second", "third"}));
    reader.open(dir / "one.txt");
    reader.close();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(reader.next(line));
    EXPECT_FALSE(reader.nextContaining("", line));
}

TEST(LineReader, FailuresAreIoErrors) {
    TempDir dir;
    LineReader reader(64);
    const auto missing = catchIoError([&] { reader.open(dir / "missing.txt"); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->op(), IoError::Op::Open);
    EXPECT_EQ(missing->error(), ENOENT);
    EXPECT_EQ(missing->path(), dir / "missing.txt");

    // A directory opens for reading but cannot be read.
    makeDir(dir / "sub");
    for (bool contains : {false, true}) {
        LineReader r(64);
        r.open(dir / "sub");
        std::string_view line;
        const auto err = catchIoError([&] { contains ? r.nextContaining("x", line) : r.next(line); });
        ASSERT_TRUE(err);
        EXPECT_EQ(err->op(), IoError::Op::Read);
        EXPECT_EQ(err->error(), EISDIR);
    }
}

#ifdef _WIN32
TEST(LineReader, ReadsWhileTheExchangeWritesAndOthersRenameOrDeleteTheFile) {
    TempDir dir;
    const std::string path = dir / "printout.s12";
    // The exchange writes its printout and lets others only read it.
    const HANDLE exchange = CreateFileW(fsPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exchange, INVALID_HANDLE_VALUE);
    const auto write = [&](std::string_view bytes) {
        DWORD n = 0;
        ASSERT_TRUE(WriteFile(exchange, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr));
    };
    write("a\r\nb\r\n");
    LineReader reader(64, false);
    reader.open(path);
    std::string_view line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "a");
    write("c\r\n");  // while it is read
    CloseHandle(exchange);
    // Others may rename and delete it while it is open.
    EXPECT_TRUE(MoveFileW(fsPath(path).c_str(), fsPath(dir / "renamed.s12").c_str()));
    EXPECT_TRUE(DeleteFileW(fsPath(dir / "renamed.s12").c_str()));
    std::vector<std::string> rest;
    while (reader.next(line)) rest.emplace_back(line);
    EXPECT_EQ(rest, (std::vector<std::string>{"b", "c"}));
    reader.close();
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{});
}
#endif

TEST(LineReader, AFileThatGrowsWhileReadAheadIsReadWithoutAGap) {
    // The reads ahead are asked for at once. The second one comes back short: the end of the
    // file then. Before the third runs, the exchange appends: the third finds bytes past the
    // end the second saw, and the bytes between them must not be lost.
    TempDir dir;
    const std::string path = dir / "printout.s12";
    std::string first, appended;
    for (char k = 0; k < 50; ++k) {
        first += {'a', static_cast<char>('0' + k % 10), '\n'};  // 150 bytes
        appended += {'b', static_cast<char>('0' + k % 10), '\n'};
    }
    putFile(path, first);
    int reads = 0;
    ReadAhead::afterRead = [&] {
        if (++reads != 3) return;
        OutFile out;  // shares the file with its reader on Windows too
        out.openAppend(path);
        out.writeNow(appended);
        out.close();
    };
    std::vector<std::string> got;
    {
        LineReader reader(64, true);
        reader.open(path);
        got = readAll(reader);
    }
    ReadAhead::afterRead = nullptr;
    EXPECT_GE(reads, 3);
    EXPECT_EQ(got, splitLines(first + appended));
}

TEST(LineReader, CancelFlagStopsReading) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    std::string content;
    const int total = 20000;
    for (int k = 0; k < total; ++k) content += "line " + std::to_string(k) + "\r\n";
    putFile(path, content);

    std::atomic<bool> stop{true};
    std::string_view line;
    {
        LineReader reader(64);
        reader.setCancelFlag(&stop);
        reader.open(path);
        EXPECT_FALSE(reader.next(line));
        EXPECT_FALSE(reader.nextContaining("line", line));
    }
    {
        LineReader reader(64);
        reader.setCancelFlag(&stop);
        reader.open(path);
        EXPECT_FALSE(reader.nextContaining("9999", line));
    }
    // Raised while reading: the reader stops long before the end and stays stopped.
    stop = false;
    LineReader reader(64);
    reader.setCancelFlag(&stop);
    reader.open(path);
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(reader.next(line));
    stop = true;
    int more = 0;
    while (reader.next(line)) ++more;
    EXPECT_LT(more, 100);
    EXPECT_FALSE(reader.next(line));
    EXPECT_FALSE(reader.nextContaining("", line));
}

}  // namespace
