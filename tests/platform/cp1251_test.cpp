// Windows-1251 against glibc iconv: every byte, every code point of the BMP, malformed UTF-8.
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

#include "platform/cp1251.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

#ifndef _WIN32  // the reference is glibc's iconv, which MinGW lacks; the table is one code for both
TEST(Cp1251, EveryByteDecodesAsIconvSays) {
    Iconv toUtf8("UTF-8", "CP1251");
    Iconv toUtf32("UTF-32LE", "CP1251");
    ASSERT_TRUE(toUtf8.ok() && toUtf32.ok());
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE("byte " + std::to_string(b));
        const std::string in(1, static_cast<char>(b));
        const auto cp = cp1251ToUnicode(static_cast<unsigned char>(b));
        if (b == 0x98) {
            // The one byte without a character: iconv rejects it, we keep it as U+0098.
            EXPECT_FALSE(toUtf8(in).has_value());
            EXPECT_EQ(cp, char32_t{0x98});
            EXPECT_EQ(cp1251ToUtf8(in), "\xC2\x98");
            EXPECT_EQ(unicodeToCp1251(0x98), 0x98);
            continue;
        }
        const auto utf8 = toUtf8(in);
        const auto utf32 = toUtf32(in);
        ASSERT_TRUE(utf8 && utf32);
        const std::u32string want = fromUtf32le(*utf32);
        ASSERT_EQ(want.size(), 1u);
        EXPECT_EQ(cp, want[0]);
        EXPECT_EQ(cp1251ToUtf8(in), *utf8);
        EXPECT_EQ(decodeCp1251(in), want);
        EXPECT_EQ(unicodeToCp1251(want[0]), b);
    }
}
#endif

TEST(Cp1251, AllBytesSurviveTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    bool lossy = true;
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(all), &lossy), all);
    EXPECT_FALSE(lossy);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        lossy = true;
        EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(one), &lossy), one) << "byte " << b;
        EXPECT_FALSE(lossy) << "byte " << b;
    }
    // Both decoding paths agree on the code points.
    EXPECT_EQ(decodeUtf8(cp1251ToUtf8(all)), decodeCp1251(all));
}

#ifndef _WIN32  // the reference is glibc's iconv, which MinGW lacks; the table is one code for both
TEST(Cp1251, EncodingOfEveryBmpCodePointMatchesIconv) {
    Iconv toCp("CP1251", "UTF-32LE");
    ASSERT_TRUE(toCp.ok());
    int mismatches = 0;
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // not characters
        if (cp == 0x98) continue;                      // ours, iconv has none
        const auto got = toCp(utf32le(std::u32string(1, cp)));
        const int want = got ? static_cast<unsigned char>((*got)[0]) : -1;
        if (got) {
            ASSERT_EQ(got->size(), 1u);
        }
        if (unicodeToCp1251(cp) != want && ++mismatches <= 10)
            ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(cp) << ": got " << std::dec
                          << unicodeToCp1251(cp) << ", iconv " << want;
    }
    EXPECT_EQ(mismatches, 0);
    for (char32_t cp : {char32_t{0x10000}, char32_t{0x1F600}, char32_t{0x10FFFF}})
        EXPECT_EQ(unicodeToCp1251(cp), -1);
}
#endif

#ifndef _WIN32  // the reference is glibc's iconv, which MinGW lacks; the table is one code for both
TEST(Cp1251, Utf8ToCp1251ReplacesWhatTheCodePageLacksLikeIconv) {
    Iconv toCp("CP1251", "UTF-32LE");
    ASSERT_TRUE(toCp.ok());
    // Fixed points named in the rules.
    bool lossy = true;
    EXPECT_EQ(utf8ToCp1251("\u20AC", &lossy), "\x88");  // €
    EXPECT_FALSE(lossy);
    EXPECT_EQ(utf8ToCp1251("a\u4E2Db", &lossy), "a?b");  // 中
    EXPECT_TRUE(lossy);
    EXPECT_EQ(utf8ToCp1251("a\u4E2Db"), "a?b");  // no flag wanted

    // Random texts from a mixed pool, the expected bytes taken from iconv one character at a time.
    const std::u32string pool = U"aZ ?\u0416\u0451\u0490\u20AC\u2116\u00A0\u00FF\u00E9\u4E2D\U0001F600\u0098\u00B5\u0080";
    std::mt19937 rng(seedFor(11));
    for (int iter = 0; iter < 2000; ++iter) {
        std::u32string text;
        const int len = static_cast<int>(rng() % 12);
        for (int k = 0; k < len; ++k) text += pool[rng() % pool.size()];
        std::string want;
        bool wantLossy = false;
        for (char32_t c : text) {
            const auto b = c == 0x98 ? std::optional<std::string>("\x98") : toCp(utf32le(std::u32string(1, c)));
            if (b) {
                want += *b;
            } else {
                want += '?';
                wantLossy = true;
            }
        }
        lossy = !wantLossy;
        ASSERT_EQ(utf8ToCp1251(utf8Of(text), &lossy), want) << "iteration " << iter;
        ASSERT_EQ(lossy, wantLossy) << "iteration " << iter;
    }
}
#endif

TEST(Cp1251, MalformedUtf8BecomesQuestionMarksAndIsLossy) {
    const std::string cases[] = {
        "\xFF",              // never in UTF-8
        "\x80",              // lone continuation byte
        "\xC3",              // cut-off two-byte sequence
        "\xE2\x82",          // cut-off € sequence
        "\xC0\x80",          // overlong NUL
        "\xE0\x80\x80",      // overlong
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(testing::PrintToString(bad));
        bool lossy = false;
        const std::string out = utf8ToCp1251("a" + bad + "b", &lossy);
        EXPECT_TRUE(lossy);
        ASSERT_GE(out.size(), 3u);
        EXPECT_EQ(out.front(), 'a');
        EXPECT_EQ(out.back(), 'b');
        EXPECT_EQ(out.find_first_not_of('?', 1), out.size() - 1) << out;
    }
    // A single bad byte is a single replaced character; what follows is read normally.
    bool lossy = false;
    EXPECT_EQ(utf8ToCp1251("\xFF\xD0\x96", &lossy), "?\xC6");  // then Ж
    EXPECT_TRUE(lossy);
}

#ifndef _WIN32  // the reference is glibc's iconv, which MinGW lacks; the table is one code for both
TEST(Cp1251, DecodeUtf8AgreesWithIconvAndMarksBadBytes) {
    // Bad bytes become U+DC00 + byte, one each, and decoding resumes at the next byte.
    EXPECT_EQ(decodeUtf8("\xFF"), std::u32string(1, 0xDCFF));
    EXPECT_EQ(decodeUtf8("a\xC3"), (std::u32string{U'a', 0xDCC3}));
    EXPECT_EQ(decodeUtf8("\xE2\x82x"), (std::u32string{0xDCE2, 0xDC82, U'x'}));
    EXPECT_EQ(decodeUtf8("\xE2\x82\xAC"), std::u32string(1, 0x20AC));
    EXPECT_EQ(decodeUtf8(""), U"");

    Iconv toUtf32("UTF-32LE", "UTF-8");
    Iconv fromUtf32("UTF-8", "UTF-32LE");
    ASSERT_TRUE(toUtf32.ok() && fromUtf32.ok());
    std::mt19937 rng(seedFor(12));
    const char32_t edges[] = {0x00, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0x10000, 0x10FFFF};
    auto randomScalar = [&]() -> char32_t {
        switch (rng() % 4) {
            case 0: return edges[rng() % std::size(edges)];
            case 1: return rng() % 0x80;
            case 2: return 0x400 + rng() % 0x60;
            default: {
                char32_t c;
                do c = rng() % 0x110000;
                while (c >= 0xD800 && c <= 0xDFFF);
                return c;
            }
        }
    };
    int rejected = 0, accepted = 0;
    for (int iter = 0; iter < 4000; ++iter) {
        std::u32string cps;
        const int len = static_cast<int>(rng() % 8);
        for (int k = 0; k < len; ++k) cps += randomScalar();
        const auto want = fromUtf32(utf32le(cps));
        ASSERT_TRUE(want);
        // The encoder writes what iconv writes.
        std::string enc;
        for (char32_t c : cps) appendUtf8(enc, c);
        ASSERT_EQ(enc, *want) << "iteration " << iter;
        ASSERT_EQ(decodeUtf8(enc), cps) << "iteration " << iter;

        // Damage a byte now and then: whatever iconv accepts decodes the same; what it rejects
        // shows at least one marked byte.
        std::string bytes = enc;
        if (!bytes.empty() && rng() % 2) bytes[rng() % bytes.size()] = static_cast<char>(rng() % 256);
        if (rng() % 4 == 0) bytes.insert(bytes.begin() + static_cast<long>(rng() % (bytes.size() + 1)), static_cast<char>(0x80 + rng() % 0x80));
        const std::u32string got = decodeUtf8(bytes);
        if (const auto ok = toUtf32(bytes)) {
            ++accepted;
            ASSERT_EQ(got, fromUtf32le(*ok)) << testing::PrintToString(bytes);
        } else {
            ++rejected;
            ASSERT_TRUE(std::any_of(got.begin(), got.end(), [](char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }))
                << testing::PrintToString(bytes);
        }
    }
    EXPECT_GT(accepted, 100);
    EXPECT_GT(rejected, 100);
}
#endif

TEST(Cp1251, FileNamesCopiedFromWindowsShowAsWindows1251) {
    const struct {
        std::string onDisk, shown;
    } cases[] = {
        {"\xCE\xF2\xF7\xB8\xF2.s12", "Отчёт.s12"},
        {"Отчёт.s12", "Отчёт.s12"},
        // Each part between slashes on its own: a UTF-8 folder, a Windows-1251 name in it.
        {"/home/оператор/\xCE\xF2/a.s12", "/home/оператор/От/a.s12"},
        {"c:\\\xCE\xF2\\x/", "c:\\От\\x/"},
        {"\x98", "\xC2\x98"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileNameForDisplay(c.onDisk), c.shown) << testing::PrintToString(c.onDisk);
        // In Windows-1251: a name that was already so keeps its own bytes.
        EXPECT_EQ(fileNameToCp1251(c.onDisk), utf8ToCp1251(c.shown)) << testing::PrintToString(c.onDisk);
    }
    EXPECT_EQ(fileNameToCp1251("\xCE\xF2.s12"), "\xCE\xF2.s12");
    EXPECT_EQ(fileNameToCp1251("\u4E2D.s12"), "?.s12");
}

}  // namespace
