// File name patterns: hand cases and a naive recursive matcher on random names.
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

#include "platform/collate.h"
#include "platform/cp1251.h"
#include "platform/file_pattern.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

TEST(FilePattern, HandCases) {
    struct Case {
        const char* name;
        const char* patterns;
        bool want;
    };
    const Case cases[] = {
        {"report.txt", "*.txt", true},
        {"REPORT.TXT", "*.txt", true},
        {"report.txt", "*.TXT", true},
        {"report.txt.bak", "*.txt", false},  // whole name
        {"xa.txt", "a.txt", false},
        {"a.b.c", "*", true},                // '*' runs over dots
        {"a.b.c", "a*c", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abbc", "a?c", false},
        {"\u044Fa", "?a", true},             // '?' is one Cyrillic letter, not one byte
        {"\u044Fa", "??a", false},
        {"\u041E\u0422\u0427\u0415\u0422", "\u043E\u0442\u0447\u0435\u0442", true},  // ОТЧЕТ / отчет
        {"\u041E\u0442\u0447\u0451\u0442.txt", "\u043E\u0422\u0427\u0401\u0422.*", true},  // Отчёт / оТЧЁТ.*
        {"\u0401\u0436", "\u0435\u0436", false},                                      // Ё is not Е
        {"\u0490\u0402\u0404\u0406\u0407\u040E", "\u0491\u0452\u0454\u0456\u0457\u045E", true},
        {"a.txt", "*.doc;*.txt", true},
        {"a.doc", "*.doc;*.txt", true},
        {"a.pdf", "*.doc;*.txt", false},
        {"a.txt", "*.doc; *.txt", false},    // spaces are part of the pattern
        {"a.txt", "*.txt ", false},
        {" a.txt", " *", true},
        {"x", "", false},                    // an empty pattern matches nothing
        {"x", ";", false},
        {"x", ";;x", true},
        {"x", "y;", false},
        {"README", "*.*", true},             // "x.*" also matches "x"
        {"a", "a.*", true},
        {"a.", "a.*", true},
        {"a.b", "a.*", true},
        {"ab", "a.*", false},
        {"a", "?.*", true},
        {"ab", "?.*", false},
        {"a", ".*", false},
        {"a.*", "a.*", true},
        {"*ba", "*a", true},                 // a '*' in the name is still matched by '*'
        {"**", "*", true},
        {"a*b", "a*", true},
        {"a?b", "a?b", true},
        {"axb", "a*b*", true},
        {"aaa", "a*a*a*a", false},
        {"mississippi", "m*iss*ppi", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesFilePattern(c.name, c.patterns), c.want) << '"' << c.name << "\" ~ \"" << c.patterns << '"';
}

// Naive recursive matcher on folded code points.
bool refGlob(const std::u32string& n, size_t i, const std::u32string& p, size_t j) {
    if (j == p.size()) return i == n.size();
    if (p[j] == U'*') {
        for (size_t k = i; k <= n.size(); ++k)
            if (refGlob(n, k, p, j + 1)) return true;
        return false;
    }
    if (i == n.size()) return false;
    return (p[j] == U'?' || p[j] == n[i]) && refGlob(n, i + 1, p, j + 1);
}

bool refMatches(const std::u32string& name, const std::vector<std::u32string>& parts) {
    const std::u32string n = refFolded(name);
    for (const auto& part : parts) {
        if (part.empty()) continue;
        const std::u32string p = refFolded(part);
        if (refGlob(n, 0, p, 0)) return true;
        if (p.size() >= 2 && p.substr(p.size() - 2) == U".*" && refGlob(n, 0, p.substr(0, p.size() - 2), 0)) return true;
    }
    return false;
}

TEST(FilePattern, RandomNamesMatchLikeTheNaiveReference) {
    const std::u32string nameChars = U"aAb.\u044F\u042F\u0451\u0401 *?";
    const std::u32string patChars = U"aAb.\u044F\u042F\u0451\u0401 **??";
    std::mt19937 rng(seedFor(31));
    int matched = 0;
    const int iterations = 20000;
    for (int iter = 0; iter < iterations; ++iter) {
        std::u32string name;
        const int nlen = 1 + static_cast<int>(rng() % 7);
        for (int k = 0; k < nlen; ++k) name += nameChars[rng() % nameChars.size()];
        std::vector<std::u32string> parts(1 + rng() % 3);
        std::u32string list;
        for (size_t k = 0; k < parts.size(); ++k) {
            const int plen = static_cast<int>(rng() % 6);
            for (int m = 0; m < plen; ++m) parts[k] += patChars[rng() % patChars.size()];
            if (rng() % 3 == 0) parts[k] += U".*";
            if (k) list += U';';
            list += parts[k];
        }
        const bool want = refMatches(name, parts);
        matched += want;
        ASSERT_EQ(matchesFilePattern(utf8Of(name), utf8Of(list)), want)
            << '"' << utf8Of(name) << "\" ~ \"" << utf8Of(list) << '"';
    }
    // Both outcomes are well represented.
    EXPECT_GT(matched, iterations / 10);
    EXPECT_LT(matched, iterations * 9 / 10);
}

}  // namespace
