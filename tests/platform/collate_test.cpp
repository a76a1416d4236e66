// The alphabetical order of every sorted list, against a naive reference.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#ifndef _WIN32
#include <locale.h>
#endif
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
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

TEST(Collate, FoldCaseLowersTheCp1251RepertoireLikeTowlower) {
#ifndef _WIN32  // glibc's towlower_l is the second reference: Windows has no C.UTF-8 locale
    locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    ASSERT_NE(loc, static_cast<locale_t>(0)) << "C.UTF-8 locale missing";
#endif
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = cp1251ToUnicode(static_cast<unsigned char>(b));
#ifndef _WIN32
        EXPECT_EQ(foldCase(cp), static_cast<char32_t>(::towlower_l(static_cast<wint_t>(cp), loc))) << "byte " << b;
#endif
        EXPECT_EQ(foldCase(cp), refFold(cp)) << "byte " << b;
    }
#ifndef _WIN32
    ::freelocale(loc);
#endif
    // Other letters keep their case: Latin-1, Greek, old Cyrillic.
    for (char32_t cp : {char32_t{0xC0}, char32_t{0xC9}, char32_t{0x391}, char32_t{0x3A9}, char32_t{0x460}, char32_t{0x4D0}})
        EXPECT_EQ(foldCase(cp), cp);
}

TEST(Collate, HandOrderedExample) {
    // Folded: a a b b е ж я ё ё; equal folds ordered by exact code point (capital first).
    const std::vector<std::string> input = {"b", "A", "a", "B", "\u0401", "\u0435", "\u0436", "\u0451", "\u042F"};
    const std::vector<std::string> want = {"A", "a", "B", "b", "\u0435", "\u0436", "\u042F", "\u0401", "\u0451"};
    auto utf8 = input;
    sortAlphabetically(utf8, TextEncoding::Utf8);
    EXPECT_EQ(utf8, want);

    std::vector<std::string> cp;
    for (const auto& s : input) cp.push_back(utf8ToCp1251(s));
    sortAlphabetically(cp, TextEncoding::Cp1251);
    std::vector<std::string> back;
    for (const auto& s : cp) back.push_back(cp1251ToUtf8(s));
    EXPECT_EQ(back, want);
}

TEST(Collate, AlphaComparePairs) {
    struct Case {
        std::u32string a, b;
        int want;
    };
    const Case cases[] = {
        {U"ABC", U"abc", -1},          // same letters: exact text, 'A' < 'a'
        {U"ab", U"abc", -1},           // prefix first
        {U"ab", U"ABC", -1},           // letters decide before exact text
        {U"abc", U"abc", 0},
        {U"", U"", 0},
        {U"", U"a", -1},
        {U"b", U"A", 1},
        {U"_", U"A", -1},              // 'A' compares as 'a' (0x61) > '_' (0x5F)
        {U"Z", U"\u0430", -1},         // Latin before Cyrillic
        {U"\u044F", U"\u0401", -1},    // я before Ё (ё is U+0451)
        {U"\u0401\u0436", U"\u0451\u0436", -1},  // Ёж before ёж
        {U"\u0401\u0436", U"\u0435\u0436", 1},   // Ё is not Е
        {U"\u0490", U"\u0491", -1},    // Ґ ґ
        {U"\u0490a", U"\u0491", 1},    // longer after prefix
        {U"\u0406x", U"\u0456X", -1},  // Іx vs іX: equal folded, exact: І < і
        {U"\u040E", U"\u045E", -1},    // Ў ў
        {U"\u0402\u0404", U"\u0452\u0454", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8Of(c.a) + " vs " + utf8Of(c.b));
        EXPECT_EQ(sign(alphaCompare(c.a, c.b)), c.want);
        EXPECT_EQ(sign(alphaCompare(c.b, c.a)), -c.want);
    }
}

TEST(Collate, RandomListsSortLikeTheNaiveReferenceInBothEncodings) {
    // Letters of Windows-1251 in both cases, with digits, signs and look-alike pairs.
    const std::u32string alphabet =
        U"aAbBzZ_0 .\u0430\u0410\u044F\u042F\u0435\u0415\u0451\u0401\u0436\u0416"
        U"\u0452\u0402\u0491\u0490\u0456\u0406\u0457\u0407\u045E\u040E\u0454\u0404\u0458\u0408\u2116\u20AC";
    std::mt19937 rng(seedFor(21));
    for (int iter = 0; iter < 1500; ++iter) {
        std::vector<std::u32string> items(rng() % 25);
        for (auto& s : items) {
            const int len = static_cast<int>(rng() % 5);
            for (int k = 0; k < len; ++k) s += alphabet[rng() % (rng() % 2 ? 6 : alphabet.size())];
        }
        auto want = items;
        std::sort(want.begin(), want.end(), [](const std::u32string& x, const std::u32string& y) {
            return std::make_pair(refFolded(x), x) < std::make_pair(refFolded(y), y);
        });
        std::vector<std::string> wantUtf8, utf8, cp;
        for (const auto& s : want) wantUtf8.push_back(utf8Of(s));
        for (const auto& s : items) {
            utf8.push_back(utf8Of(s));
            cp.push_back(utf8ToCp1251(utf8Of(s)));
        }
        sortAlphabetically(utf8, TextEncoding::Utf8);
        sortAlphabetically(cp, TextEncoding::Cp1251);
        std::vector<std::string> cpBack;
        for (const auto& s : cp) cpBack.push_back(cp1251ToUtf8(s));
        ASSERT_EQ(utf8, wantUtf8) << "iteration " << iter;
        ASSERT_EQ(cpBack, wantUtf8) << "iteration " << iter;

        if (items.size() >= 2) {
            const auto& x = items[0];
            const auto& y = items[1];
            const auto rx = std::make_pair(refFolded(x), x), ry = std::make_pair(refFolded(y), y);
            ASSERT_EQ(sign(alphaCompare(x, y)), rx < ry ? -1 : (ry < rx ? 1 : 0)) << utf8Of(x) << " vs " << utf8Of(y);
        }
    }
}

}  // namespace
