// The viewer's plain parts: the line index, the line set and the search over blocks, each
// checked against a plain line split or a plain std::string search on random inputs, with
// block sizes and index spacings small enough that every boundary case comes up.
#include <gtest/gtest.h>

#include <algorithm>
#include <stop_token>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/byte_scan.h"
#include "platform/collate.h"
#include "platform/cp1251.h"
#include "viewer/line_index.h"
#include "viewer/line_scan.h"
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

TEST(ByteScan, CountAndNthAgreeWithALoop) {
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

Found scan(const StringSource& file, const std::vector<std::string>& texts, bool matchCase, bool occurrences,
           size_t block) {
    Found f;
    LineScanner scanner(Patterns(texts, matchCase), occurrences, block);
    scanner.scan(file, std::stop_token(), [&](const std::vector<uint64_t>& lines, const ScanTotals& t) {
        f.lines.insert(f.lines.end(), lines.begin(), lines.end());
        f.totals = t;
    });
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
        const Found f = scan(file, texts, matchCase, occurrences, 1 + rng() % 12);

        std::vector<uint64_t> want;
        uint64_t count = 0;
        const std::vector<RefLine> lines = splitPlain(file.bytes);
        for (size_t l = 0; l < lines.size(); ++l) {
            bool any = false;
            for (const std::string& t : texts) {
                const size_t n = matchCase ? countPlain(lines[l].text, t) : countPlain(foldPlain(lines[l].text), foldPlain(t));
                count += n;
                any = any || n > 0;
            }
            if (any) want.push_back(l);
        }
        ASSERT_EQ(f.lines, want) << "iteration " << iter;
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

}  // namespace
