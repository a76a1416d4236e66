// Tests of the platform layer: code page, alphabetical order, file name patterns, the line
// reader and the file operations. Expected values come from glibc iconv, from naive reference
// implementations below or from the rules worked out by hand, never from the code under test.
#include <fcntl.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
#include <locale.h>
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
#include "platform/files.h"
#include "platform/find_text.h"
#include "platform/io_error.h"
#include "platform/line_reader.h"
#include "tests/file_size_limit.h"
#include "tests/unprivileged.h"

namespace kalvimo {
// Readable failure messages for the operation of an IoError.
[[maybe_unused]] static void PrintTo(IoError::Op op, std::ostream* os) {
    static const char* const names[] = {"Open", "Read", "Create", "CreateDir", "Write", "Delete", "List"};
    *os << names[static_cast<int>(op)];
}
}  // namespace kalvimo

namespace {

using namespace kalvimo;
using namespace std::string_literals;

// ---------------------------------------------------------------------------------------------
// Helpers

// A fresh directory under /tmp, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/kalvimo-platform-XXXXXX";
        const char* made = ::mkdtemp(tmpl);
        if (!made) throw std::runtime_error("mkdtemp failed");
        path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// Files written with plain POSIX calls, so the checks do not lean on the code under test. The
// file is overwritten in place and cut to size: truncating to zero first makes ext4 flush it
// on close, which slows the thousands of rewrites of the random tests.
void putFile(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        ASSERT_GT(n, 0) << path;
        done += static_cast<size_t>(n);
    }
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(content.size())), 0);
    ASSERT_EQ(::close(fd), 0);
}

std::string getFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> dirEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

template <class F>
std::optional<IoError> catchIoError(F&& f) {
    try {
        f();
    } catch (const IoError& e) {
        return e;
    }
    return std::nullopt;
}

// The seed of the randomized tests; KALVIMO_SEED overrides it to explore further.
unsigned seedFor(unsigned base) {
    if (const char* s = std::getenv("KALVIMO_SEED")) return base ^ static_cast<unsigned>(std::strtoul(s, nullptr, 10));
    return base;
}

// A test-side UTF-8 encoder, independent of appendUtf8.
std::string utf8Of(std::u32string_view cps) {
    std::string out;
    for (char32_t c : cps) {
        const auto u = static_cast<uint32_t>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string utf32le(std::u32string_view cps) {
    std::string out;
    for (char32_t c : cps)
        for (int k = 0; k < 4; ++k) out += static_cast<char>((static_cast<uint32_t>(c) >> (8 * k)) & 0xFF);
    return out;
}

std::u32string fromUtf32le(std::string_view bytes) {
    std::u32string out;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + k])) << (8 * k);
        out += static_cast<char32_t>(v);
    }
    return out;
}

// glibc iconv as the reference converter; nothing when it rejects the input.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) ::iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::string> operator()(std::string_view in) {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 16, '\0');
        std::string src(in);
        char* inp = src.data();
        size_t inLeft = src.size();
        char* outp = out.data();
        size_t outLeft = out.size();
        if (::iconv(cd_, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
        if (::iconv(cd_, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

// Case folding by hand from the rule: Latin A-Z, Cyrillic А-Я and the other Cyrillic capitals
// of Windows-1251.
char32_t refFold(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;  // А..Я -> а..я
    static const std::pair<char32_t, char32_t> others[] = {
        {0x0401, 0x0451},  // Ё ё
        {0x0402, 0x0452},  // Ђ ђ
        {0x0403, 0x0453},  // Ѓ ѓ
        {0x0404, 0x0454},  // Є є
        {0x0405, 0x0455},  // Ѕ ѕ
        {0x0406, 0x0456},  // І і
        {0x0407, 0x0457},  // Ї ї
        {0x0408, 0x0458},  // Ј ј
        {0x0409, 0x0459},  // Љ љ
        {0x040A, 0x045A},  // Њ њ
        {0x040B, 0x045B},  // Ћ ћ
        {0x040C, 0x045C},  // Ќ ќ
        {0x040E, 0x045E},  // Ў ў
        {0x040F, 0x045F},  // Џ џ
        {0x0490, 0x0491},  // Ґ ґ
    };
    for (const auto& [upper, lower] : others)
        if (c == upper) return lower;
    return c;
}

std::u32string refFolded(std::u32string s) {
    for (auto& c : s) c = refFold(c);
    return s;
}

int sign(int v) { return (v > 0) - (v < 0); }

// Lines by the rules: a line ends at LF, one CR right before the LF is dropped, a last line
// without LF is still a line, every other byte is data.
std::vector<std::string> refSplit(std::string_view content) {
    std::vector<std::string> lines;
    std::string cur;
    for (char c : content) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

bool refContains(const std::string& line, std::string_view needle) {
    if (needle.empty()) return !line.empty();
    return line.find(needle) != std::string::npos;
}

// ---------------------------------------------------------------------------------------------
// Windows-1251

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

// ---------------------------------------------------------------------------------------------
// Alphabetical order

TEST(Collate, FoldCaseLowersTheCp1251RepertoireLikeTowlower) {
    locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    ASSERT_NE(loc, static_cast<locale_t>(0)) << "C.UTF-8 locale missing";
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = cp1251ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(foldCase(cp), static_cast<char32_t>(::towlower_l(static_cast<wint_t>(cp), loc))) << "byte " << b;
        EXPECT_EQ(foldCase(cp), refFold(cp)) << "byte " << b;
    }
    ::freelocale(loc);
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

// ---------------------------------------------------------------------------------------------
// File name patterns

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

// ---------------------------------------------------------------------------------------------
// Substring search

TEST(FindText, AgreesWithStringFind) {
    std::mt19937 rng(seedFor(35));
    static const char alphabet[] = {'a', 'b', 'S', 'T', '\r', '\n', '\0', '\xFF'};
    for (int iter = 0; iter < 20000; ++iter) {
        // Sizes around the 16-byte steps; the haystack gets a heap block of its exact size so
        // that the sanitizer sees any read past its end.
        const size_t size = rng() % 3 ? rng() % 80 : rng() % 400;
        const size_t letters = 2 + rng() % (sizeof alphabet - 1);
        std::unique_ptr<char[]> hay(new char[size ? size : 1]);
        for (size_t k = 0; k < size; ++k) hay[k] = alphabet[rng() % letters];
        std::string needle;
        if (size > 0 && rng() % 2) {
            // Cut from the haystack, so that it is found.
            const size_t at = rng() % size;
            needle.assign(hay.get() + at, std::min<size_t>(1 + rng() % 20, size - at));
        } else {
            const size_t len = 1 + rng() % 6;
            for (size_t k = 0; k < len; ++k) needle += alphabet[rng() % letters];
        }
        const std::string_view view(hay.get(), size);
        const size_t want = view.find(needle);
        const char* got = findText(hay.get(), size, needle);
        ASSERT_EQ(got ? static_cast<size_t>(got - hay.get()) : std::string_view::npos, want)
            << "iteration " << iter << ": " << testing::PrintToString(std::string(view)) << " / "
            << testing::PrintToString(needle);
    }
    EXPECT_EQ(findText("abc", 3, ""), nullptr);
    EXPECT_EQ(findText("abc", 2, "abc"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Line reader

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
std::string runReaderScenario(const std::string& path, const std::string& content, size_t blockSize, std::mt19937& rng) {
    static const std::string needles[] = {"ST", "S", "", "T\r", "aSTb", "\r", "\n", "S\nT", "\0"s, "b\r", "\r\r", " a"};
    const std::vector<std::string> lines = refSplit(content);
    LineReader reader(blockSize);
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
            out << "step " << step << " block " << blockSize << " size " << content.size() << ": got "
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
        const std::string diff = runReaderScenario(path, content, blockSize, rng);
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
    ::mkdir((dir / "sub").c_str(), 0755);
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

// ---------------------------------------------------------------------------------------------
// Files

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
    ::mkdir((dir / "shared").c_str(), 0755);
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

TEST(Files, WriteFileAtomicallyFailureLeavesTheOldFile) {
    TempDir dir;
    // The directory of the path is missing.
    const auto noDir = catchIoError([&] { writeFileAtomically(dir / "missing/list.txt", "x"); });
    ASSERT_TRUE(noDir);
    EXPECT_EQ(noDir->error(), ENOENT);
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{});

    // The path is a directory: the rename fails, the directory stays as it was.
    ::mkdir((dir / "sub").c_str(), 0755);
    putFile(dir / "sub/keep.txt", "keep");
    const auto onDir = catchIoError([&] { writeFileAtomically(dir / "sub", "x"); });
    ASSERT_TRUE(onDir);
    EXPECT_EQ(getFile(dir / "sub/keep.txt"), "keep");
    EXPECT_EQ(dirEntries(dir.path()), std::vector<std::string>{"sub"});

    // Writing fails half way (file size limit): the old content survives, no temporary remains.
    const std::string path = dir / "list.txt";
    putFile(path, "old content\r\n");
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto tooBig = catchIoError([&] { writeFileAtomically(path, std::string(100000, 'n')); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(tooBig);
    EXPECT_EQ(tooBig->op(), IoError::Op::Write);
    EXPECT_EQ(tooBig->error(), EFBIG);
    EXPECT_EQ(getFile(path), "old content\r\n");
    EXPECT_EQ(dirEntries(dir.path()), (std::vector<std::string>{"list.txt", "sub"}));
}

TEST(Files, OutFileWritesCrLfLinesThroughItsBuffer) {
    TempDir dir;
    const std::string path = dir / "out.txt";
    putFile(path, "old content that must go");
    std::string want;
    {
        OutFile f;
        EXPECT_FALSE(f.isOpen());
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
    ::mkdir((dir / "sub").c_str(), 0755);
    const auto err = catchIoError([&] { removeFile(dir / "sub"); });
    ASSERT_TRUE(err);
    EXPECT_EQ(err->op(), IoError::Op::Delete);
    EXPECT_TRUE(exists(dir / "sub"));
}

TEST(Files, ListFilesGivesRegularFilesInAlphabeticalOrder) {
    TempDir dir;
    for (const char* name : {"b.txt", "A.txt", "a.txt", "\u0451.txt", "\u042F.txt", "x.log", "B.TXT"}) putFile(dir / name, "x");
    ::mkdir((dir / "sub.txt").c_str(), 0755);                                // directories are not listed
    ASSERT_EQ(::symlink("a.txt", (dir / "link.txt").c_str()), 0);            // a link to a regular file
    ASSERT_EQ(::symlink("nowhere", (dir / "dead.txt").c_str()), 0);          // dangling
    ASSERT_EQ(::symlink("sub.txt", (dir / "dirlink.txt").c_str()), 0);       // a link to a directory

    // By hand: folded a a b b link я ё, equal folds by exact text.
    EXPECT_EQ(listFiles(dir.path(), "*.txt"),
              (std::vector<std::string>{"A.txt", "a.txt", "B.TXT", "b.txt", "link.txt", "\u042F.txt", "\u0451.txt"}));
    EXPECT_EQ(listFiles(dir.path(), "*.txt", LinkPolicy::Skip),
              (std::vector<std::string>{"A.txt", "a.txt", "B.TXT", "b.txt", "\u042F.txt", "\u0451.txt"}));
    EXPECT_EQ(listFiles(dir.path(), "*.log;?.txt", LinkPolicy::Skip),
              (std::vector<std::string>{"A.txt", "a.txt", "B.TXT", "b.txt", "x.log", "\u042F.txt", "\u0451.txt"}));
    EXPECT_EQ(listFiles(dir.path() + "/", "x*"), std::vector<std::string>{"x.log"});
    EXPECT_EQ(listFiles(dir.path(), ""), std::vector<std::string>{});

    const auto err = catchIoError([&] { listFiles(dir / "missing", "*"); });
    ASSERT_TRUE(err);
    EXPECT_EQ(err->op(), IoError::Op::List);
    EXPECT_EQ(err->error(), ENOENT);
}

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

void setMtime(const std::string& path, time_t t) {
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(Files, LastChangeTextIsLocalTime) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    putFile(path, "x");
    EXPECT_EQ(lastChangeText(dir / "missing"), std::nullopt);

    // The zone of the machine, the expectation built from localtime_r fields.
    for (time_t t : {time_t{981173106}, time_t{1700000000}, time_t{0}, time_t{1719792000}}) {
        setMtime(path, t);
        std::tm tm{};
        ASSERT_NE(::localtime_r(&t, &tm), nullptr);
        auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
        const std::string want = two(tm.tm_mday) + "." + two(tm.tm_mon + 1) + "." + std::to_string(tm.tm_year + 1900) +
                                 " " + two(tm.tm_hour) + ":" + two(tm.tm_min) + ":" + two(tm.tm_sec);
        EXPECT_EQ(lastChangeText(path), want) << t;
    }
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
}

TEST(Files, PathsDirectoriesAndWholeFiles) {
    EXPECT_EQ(joinPath("a", "b"), "a/b");
    EXPECT_EQ(joinPath("a/", "b"), "a/b");
    EXPECT_EQ(joinPath("/", "b"), "/b");
    EXPECT_EQ(joinPath("", "b"), "b");

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
