// The viewer's plain parts: the line index, the line set and the search over blocks, each
// checked against a plain line split or a plain std::string search on random inputs, with
// block sizes and index spacings small enough that every boundary case comes up.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <stop_token>
#include <random>
#include <string>
#include <vector>

#include "platform/byte_scan.h"
#include "platform/collate.h"
#include "platform/cp1251.h"
#include "tests/platform/platform_test_support.h"
#include "viewer/document.h"
#include "viewer/line_index.h"
#include "viewer/line_scan.h"
#include "viewer/line_search.h"
#include "viewer/line_set.h"
#include "viewer/matches.h"

namespace {

using namespace kalvimo;

// A file in memory, which can shrink.
struct StringSource : ByteSource {
    std::string bytes;
    size_t readAt(uint64_t offset, char* buffer, size_t size) const override {
        if (offset >= bytes.size()) return 0;
        const size_t n = std::min(size, bytes.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    }
};

struct RefLine {
    uint64_t start;
    std::string text;
};

// The rules of the program, written out naively.
std::vector<RefLine> splitPlain(const std::string& s) {
    std::vector<RefLine> lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n') {
            std::string t = s.substr(start, i - start);
            if (!t.empty() && t.back() == '\r') t.pop_back();
            lines.push_back({start, t});
            start = i + 1;
        }
    if (start < s.size()) lines.push_back({start, s.substr(start)});
    return lines;
}

std::string randomText(std::mt19937& rng, const std::string& alphabet, size_t maxSize) {
    std::string s(rng() % (maxSize + 1), ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
}

TEST(ByteScan, CountNthAndLastAgreeWithALoop) {
    std::mt19937 rng(7);
    for (int iter = 0; iter < 3000; ++iter) {
        const std::string s = randomText(rng, std::string("\n\na\0\xFF", 5), rng() % 2 ? 100 : 5000);
        const size_t from = s.empty() ? 0 : rng() % s.size();
        const char* p = s.data() + from;
        const size_t n = s.size() - from;
        ASSERT_EQ(countByte(p, n, '\n'), static_cast<size_t>(std::count(p, p + n, '\n')));
        const size_t k = 1 + rng() % 40;
        size_t seen = 0, want = n, counted = 0;
        for (size_t i = 0; i < n; ++i)
            if (p[i] == '\n' && ++seen == k) {
                want = i;
                break;
            }
        ASSERT_EQ(findNthByte(p, n, '\n', k, &counted), want);
        ASSERT_EQ(counted, want < n ? k - 1 : seen);
        const size_t last = s.find_last_of('\n');
        ASSERT_EQ(findLastByte(p, n, '\n'), last != std::string::npos && last >= from ? s.data() + last : nullptr);
    }
}

TEST(LineIndex, AgreesWithAPlainSplitOnRandomInputs) {
    std::mt19937 rng(11);
    for (int iter = 0; iter < 4000; ++iter) {
        StringSource file;
        file.bytes = randomText(rng, std::string("ab\r\n\n\0\xFF", 7), rng() % 4 ? 60 : 400);
        const LineIndexTuning tuning{1 + rng() % 5, 1 + rng() % 12};
        const std::vector<RefLine> ref = splitPlain(file.bytes);

        // Fed in random blocks; the index takes the marks now and then, as the window does.
        LineIndexBuilder builder(tuning);
        LineIndex index;
        const size_t stopAt = rng() % 3 ? file.bytes.size() : rng() % (file.bytes.size() + 1);
        for (size_t at = 0; at < stopAt;) {
            const size_t n = std::min<size_t>(1 + rng() % 9, stopAt - at);
            builder.feed(file.bytes.data() + at, n);
            at += n;
            if (rng() % 2) index.add(builder.takeMarks(), builder.count(), false);
        }
        const bool complete = stopAt == file.bytes.size();
        index.add(builder.takeMarks(), builder.count(), complete);
        const std::vector<RefLine> known = splitPlain(file.bytes.substr(0, stopAt));
        ASSERT_EQ(index.lines(), known.size()) << "iteration " << iter;

        for (uint64_t l = 0; l < index.lines(); ++l) ASSERT_EQ(index.lineStart(file, l), ref[l].start) << iter;
        // Lines read on from any line, cut at any width.
        const uint64_t first = index.lines() ? rng() % index.lines() : 0;
        const size_t width = 1 + rng() % 8;
        const size_t asked = 1 + rng() % 30;
        const std::vector<ShownLine> shown = index.readLines(file, first, asked, width);
        ASSERT_EQ(shown.size(), std::min<uint64_t>(index.lines() - first, asked));
        for (const ShownLine& s : shown) {
            const std::string& whole = ref[s.line].text;
            ASSERT_EQ(s.line, first + (&s - shown.data()));
            ASSERT_EQ(s.bytes, whole.substr(0, width)) << "iteration " << iter << " line " << s.line;
            ASSERT_EQ(s.cut, whole.size() > width);
            // A cut line knows its length once its end is indexed.
            if (!s.cut || complete || s.line + 1 < index.lines()) {
                ASSERT_EQ(s.length, whole.size()) << iter;
            }
        }

        // A file that shrinks under its index is read without harm.
        file.bytes.resize(rng() % (file.bytes.size() + 1));
        for (const ShownLine& s : index.readLines(file, 0, 100, width)) ASSERT_LE(s.bytes.size(), width);
    }
}

TEST(LineSet, AtAndLowerBoundAgreeWithAVector) {
    std::mt19937_64 rng(5);
    for (int iter = 0; iter < 300; ++iter) {
        std::vector<uint64_t> ref;
        LineSet set;
        uint64_t line = rng() % 3;
        const size_t n = rng() % 500;
        for (size_t i = 0; i < n; ++i) {
            ref.push_back(line);
            set.append(line);
            const int kind = static_cast<int>(rng() % 10);
            line += 1 + (kind < 6 ? 0 : kind < 9 ? rng() % 300 : rng() % (uint64_t{1} << 40));
        }
        ASSERT_EQ(set.size(), ref.size());
        for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(set.at(i), ref[i]);
        for (int probe = 0; probe < 50; ++probe) {
            const uint64_t x = ref.empty() || rng() % 4 == 0 ? rng() % 1000 : ref[rng() % ref.size()] + rng() % 3 - 1;
            ASSERT_EQ(set.lowerBound(x), static_cast<uint64_t>(std::lower_bound(ref.begin(), ref.end(), x) - ref.begin()));
        }
    }
}

// ---- search ----

std::string foldPlain(std::string s) {
    for (char& c : s) {
        const int f = unicodeToCp1251(foldCase(cp1251ToUnicode(static_cast<unsigned char>(c))));
        c = static_cast<char>(f < 0 ? c : f);
    }
    return s;
}

size_t countPlain(const std::string& hay, const std::string& needle) {
    size_t n = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + needle.size())) ++n;
    return n;
}

struct Found {
    std::vector<uint64_t> lines;
    ScanTotals totals;
};

// Read at once, or first the file's first grownAt bytes and then, once it has grown, the rest.
Found scan(const StringSource& file, const std::vector<std::string>& texts, bool matchCase, bool occurrences,
           size_t block, size_t grownAt = SIZE_MAX) {
    Found f;
    LineScanner scanner(Patterns(texts, matchCase), occurrences, block);
    const auto report = [&](const std::vector<uint64_t>& lines, const ScanTotals& t) {
        f.lines.insert(f.lines.end(), lines.begin(), lines.end());
        f.totals = t;
    };
    if (grownAt < file.bytes.size()) {
        StringSource before;
        before.bytes = file.bytes.substr(0, grownAt);
        scanner.scan(before, std::stop_token(), report);
    }
    scanner.scan(file, std::stop_token(), report);
    return f;
}

TEST(TextScan, FoldsLatinAndCyrillicOfWindows1251) {
    struct Case {
        std::string text, line;
        bool matchCase, found;
    } cases[] = {
        {"ЁЛКА", "ёлка", false, true},
        {"ёлка", "ЁЛКА", false, true},
        {"ёлка", "ЁЛКА", true, false},
        {"ЯZ", "яz", false, true},
        {"ІЇЄҐЎ", "іїєґў", false, true},
        {"е", "Ё", false, false},  // a different letter, not another case
        {"a", "\xE0", false, false},  // Latin a is not Cyrillic а
    };
    for (const Case& c : cases) {
        StringSource file;
        file.bytes = utf8ToCp1251(c.line) + "\r\n";
        const Found f = scan(file, {utf8ToCp1251(c.text)}, c.matchCase, true, 4);
        EXPECT_EQ(f.totals.lines, c.found ? 1u : 0u) << c.text << " in " << c.line;
    }
}

TEST(TextScan, AgreesWithAPlainSearchOnRandomInputs) {
    std::mt19937 rng(3);
    const std::string alphabet = utf8ToCp1251("aAbЁёЯя\r\n\n") + std::string("\0\x98", 2);
    for (int iter = 0; iter < 3000; ++iter) {
        StringSource file;
        file.bytes = randomText(rng, alphabet, rng() % 4 ? 80 : 600);
        const bool matchCase = rng() % 2, occurrences = rng() % 2;
        std::vector<std::string> texts(1 + (occurrences ? 0 : rng() % 3));
        for (std::string& t : texts) {
            t = randomText(rng, alphabet.substr(0, 7), 4);
            if (t.empty()) t = "a";
        }
        const size_t grownAt = rng() % 2 ? rng() % (file.bytes.size() + 1) : SIZE_MAX;
        const Found f = scan(file, texts, matchCase, occurrences, 1 + rng() % 12, grownAt);

        std::vector<uint64_t> want;
        uint64_t count = 0;
        const std::vector<RefLine> lines = splitPlain(file.bytes);
        const Patterns patterns(texts, matchCase);
        for (size_t l = 0; l < lines.size(); ++l) {
            bool any = false;
            size_t inLine = 0;
            for (const std::string& t : texts) {
                const size_t n = matchCase ? countPlain(lines[l].text, t) : countPlain(foldPlain(lines[l].text), foldPlain(t));
                count += n;
                inLine += n;
                any = any || n > 0;
            }
            if (any) want.push_back(l);
            // The matches of one line, as the steps from match to match and the highlighting see them.
            const std::vector<Match> in = patterns.in(lines[l].text);
            ASSERT_EQ(in.size(), inLine) << "iteration " << iter << " line " << l;
            for (size_t k = 1; k < in.size(); ++k) ASSERT_LE(in[k - 1].at, in[k].at);
        }
        ASSERT_EQ(f.lines, want) << "iteration " << iter << " grown at " << grownAt;
        ASSERT_EQ(f.totals.lines, want.size());
        ASSERT_EQ(f.totals.bytes, file.bytes.size());
        if (occurrences) {
            ASSERT_EQ(f.totals.occurrences, count) << "iteration " << iter;
        }
    }
}

TEST(TextScan, StopsWhenCancelledAndSplitsAlternatives) {
    StringSource file;
    file.bytes = std::string(1000, 'a');
    std::stop_source cancel;
    int blocks = 0;
    LineScanner scanner(Patterns({"a"}, true), true, 10);
    const bool finished = scanner.scan(file, cancel.get_token(), [&](const std::vector<uint64_t>&, const ScanTotals&) {
        if (++blocks == 3) cancel.request_stop();
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(splitAlternatives("a|b||c d|"), (std::vector<std::string>{"a", "b", "c d"}));
    EXPECT_TRUE(splitAlternatives("|").empty());
}

// ---- a file that changes, and the threads that read it ----

// Wakes the test's thread when a worker has handed something over.
class Waker {
public:
    std::function<void()> callback() {
        return [this] {
            std::lock_guard<std::mutex> lock(mutex_);
            ++woken_;
            woke_.notify_all();
        };
    }
    // Waits until woken since the last wait; false after 10 s.
    bool wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool woken = woke_.wait_for(lock, std::chrono::seconds(10), [this] { return woken_ > 0; });
        woken_ = 0;
        return woken;
    }

private:
    std::mutex mutex_;
    std::condition_variable woke_;
    int woken_ = 0;
};

bool indexFully(ViewerDocument& doc, Waker& waker) {
    while (!doc.indexComplete()) {
        if (!doc.takeIndexed().error.empty()) return false;
        if (!doc.indexComplete() && !waker.wait() && !doc.indexComplete()) return false;
    }
    return true;
}

bool searchFully(LineSearch& search, Waker& waker) {
    for (;;) {
        if (search.take().finished) return true;
        if (!waker.wait()) return search.take().finished;
    }
}

void write(const std::string& path, const std::string& bytes, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(path, std::ios::binary | std::ios::out | mode) << bytes;
}

std::string lines(int from, int to, const char* word) {
    std::string out;
    for (int i = from; i <= to; ++i) out += std::to_string(i) + " " + word + "\r\n";
    return out;
}

TEST(ViewerDocument, TellsAnAppendFromARewriteAndReadsOnlyWhatWasAppended) {
    const std::string before = lines(1, 300, "A") + "301 no line break yet";
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> change;
        FileChange want;
        std::string after;
    } cases[] = {
        {"untouched", [](const std::string&) {}, FileChange::None, before},
        {"appended", [](const std::string& p) { write(p, " and now one\r\n" + lines(302, 400, "B"), std::ios::app); },
         FileChange::Grown, before + " and now one\r\n" + lines(302, 400, "B")},
        {"rewritten longer, in place", [](const std::string& p) { write(p, lines(1, 400, "C")); },
         FileChange::Rewritten, lines(1, 400, "C")},
        {"rewritten longer, only its last bytes other",
         [&](const std::string& p) { write(p, before.substr(0, before.size() - 3) + "XYZ\r\nmore\r\n"); },
         FileChange::Rewritten, before.substr(0, before.size() - 3) + "XYZ\r\nmore\r\n"},
        {"shrunk", [](const std::string& p) { write(p, lines(1, 3, "A")); }, FileChange::Shrunk, lines(1, 3, "A")},
        {"replaced by a longer file that starts the same",
         [&](const std::string& p) {
             write(p + ".new", before + "\r\n" + lines(302, 310, "D"));
             std::filesystem::rename(p + ".new", p);
         },
         FileChange::Replaced, before + "\r\n" + lines(302, 310, "D")},
        {"removed", [](const std::string& p) { std::filesystem::remove(p); }, FileChange::Gone, ""},
    };
    platformtest::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.path() + "/rep48.log";
        write(path, before);
        Waker waker;
        ViewerDocument doc(path, waker.callback());
        doc.open();
        ASSERT_TRUE(indexFully(doc, waker));
        ASSERT_EQ(doc.lines(), 301u);
        ASSERT_EQ(doc.bytesIndexed(), before.size());

        c.change(path);
        const FileChange change = doc.look();
        ASSERT_EQ(change, c.want);
        switch (change) {
        case FileChange::None: break;
        case FileChange::Grown: doc.grow(); break;
        case FileChange::Gone: doc.fail("gone"); break;
        default: doc.open();
        }
        EXPECT_EQ(doc.look(), FileChange::None);  // each change is told once
        if (change == FileChange::Gone) {
            EXPECT_FALSE(doc.isOpen());
            continue;
        }
        ASSERT_TRUE(indexFully(doc, waker));
        const std::vector<RefLine> ref = splitPlain(c.after);
        ASSERT_EQ(doc.lines(), ref.size());
        EXPECT_EQ(doc.size(), c.after.size());
        for (const ShownLine& shown : doc.readLines(0, ref.size())) ASSERT_EQ(shown.bytes, ref[shown.line].text);
        // A file appended to is read on from where its index ended; any other is read anew.
        const uint64_t read = change == FileChange::Grown || change == FileChange::None ? c.after.size()
                                                                                          : before.size() + c.after.size();
        EXPECT_EQ(doc.bytesIndexed(), read);
    }
}

TEST(LineSearch, AFileThatGrowsIsSearchedOnFromWhereTheSearchEnded) {
    platformtest::TempDir dir;
    const std::string path = dir.path() + "/alarm.log";
    // Large enough that the search is still reading, in its blocks, when the file grows.
    std::string bytes = lines(1, 600000, "ALFA") + "600001 BE";
    write(path, bytes);
    Waker waker;
    ViewerDocument doc(path, [] {});
    doc.open();
    LineSearch search(waker.callback());
    search.start(doc.file(), Patterns::alternatives("BETA|GAMMA", true), false);
    const struct {
        bool whileSearching;
        std::string appended;
    } growths[] = {
        {true, "TA\r\n600002 GAMMA\r\n600003 ALFA\r\n"},  // completes a match across the old end
        {false, lines(600004, 600100, "BETA")},
        {false, "600101 ALFA BETA GAMMA"},
    };
    for (const auto& g : growths) {
        if (!g.whileSearching) ASSERT_TRUE(searchFully(search, waker));
        write(path, g.appended, std::ios::app);
        bytes += g.appended;
        search.grow();
    }
    ASSERT_TRUE(searchFully(search, waker));
    std::vector<uint64_t> want = {600000, 600001};
    for (uint64_t l = 600003; l <= 600100; ++l) want.push_back(l);
    std::vector<uint64_t> found;
    for (uint64_t i = 0; i < search.lines().size(); ++i) found.push_back(search.lines().at(i));
    EXPECT_EQ(found, want);
    EXPECT_EQ(search.totals().lines, want.size());
    EXPECT_EQ(search.totals().bytes, bytes.size());
    EXPECT_EQ(search.bytesRead(), bytes.size());  // each byte once, however often it grew
}

TEST(LineSearch, AStartOverDropsWhatTheSearchBeforeFound) {
    platformtest::TempDir dir;
    const std::string path = dir.path() + "/rep121.log";
    write(path, lines(1, 400000, "A B"));
    Waker waker;
    ViewerDocument doc(path, [] {});
    doc.open();
    LineSearch search(waker.callback());
    for (int round = 0; round < 20; ++round) search.start(doc.file(), Patterns({round % 2 ? "A" : "B"}, true), true);
    search.start(doc.file(), Patterns({"B"}, true), true);
    ASSERT_TRUE(searchFully(search, waker));
    EXPECT_EQ(search.totals().occurrences, 400000u);
    EXPECT_EQ(search.lines().size(), 400000u);
    search.clear();
    EXPECT_TRUE(search.lines().empty());
    EXPECT_FALSE(search.take().added);
}

}  // namespace
