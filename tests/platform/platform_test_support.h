#pragma once
// Shared by the tests of the platform layer: a temporary directory, files written and read with
// plain system calls, glibc iconv as the reference converter (not on Windows), and the rules of
// case folding and line splitting written out by hand, never taken from the code under test.
#ifndef _WIN32
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/io_error.h"
#include "tests/portable_files.h"

namespace kalvimo {
// Readable failure messages for the operation of an IoError.
inline void PrintTo(IoError::Op op, std::ostream* os) {
    static const char* const names[] = {"Open", "Read", "Create", "CreateDir", "Write", "Delete", "List"};
    *os << names[static_cast<int>(op)];
}
}  // namespace kalvimo

namespace kalvimo::platformtest {
using test::existsItself;
using test::fsPath;
using test::makeDir;

// A fresh directory under /tmp (the temporary folder on Windows), removed with everything in it
// at the end of the test.
class TempDir {
public:
    TempDir() : path_(test::makeTempDir("kalvimo-platform-")) {}
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(fsPath(path_), ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return test::under(path_, std::string(name)); }

private:
    std::string path_;
};

// Files written with plain system calls, so the checks do not lean on the code under test. The
// file is overwritten in place and cut to size: truncating to zero first makes ext4 flush it
// on close, which slows the thousands of rewrites of the random tests.
inline void putFile(const std::string& path, std::string_view content) {
#ifdef _WIN32
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    ASSERT_TRUE(out) << path;
#else
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
#endif
}

inline std::string getFile(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline bool exists(const std::string& path) { return existsItself(path); }

inline std::vector<std::string> dirEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(fsPath(dir))) {
        const std::u8string name = e.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

template <class F>
inline std::optional<IoError> catchIoError(F&& f) {
    try {
        f();
    } catch (const IoError& e) {
        return e;
    }
    return std::nullopt;
}

// The seed of the randomized tests; KALVIMO_SEED overrides it to explore further.
inline unsigned seedFor(unsigned base) {
    if (const char* s = std::getenv("KALVIMO_SEED")) return base ^ static_cast<unsigned>(std::strtoul(s, nullptr, 10));
    return base;
}

// A test-side UTF-8 encoder, independent of appendUtf8.
inline std::string utf8Of(std::u32string_view cps) {
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

inline std::string utf32le(std::u32string_view cps) {
    std::string out;
    for (char32_t c : cps)
        for (int k = 0; k < 4; ++k) out += static_cast<char>((static_cast<uint32_t>(c) >> (8 * k)) & 0xFF);
    return out;
}

inline std::u32string fromUtf32le(std::string_view bytes) {
    std::u32string out;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + k])) << (8 * k);
        out += static_cast<char32_t>(v);
    }
    return out;
}

#ifndef _WIN32
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
#endif

// Case folding by hand from the rule: Latin A-Z, Cyrillic А-Я and the other Cyrillic capitals
// of Windows-1251.
inline char32_t refFold(char32_t c) {
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

inline std::u32string refFolded(std::u32string s) {
    for (auto& c : s) c = refFold(c);
    return s;
}

inline int sign(int v) { return (v > 0) - (v < 0); }

// Lines by the rules: a line ends at LF, one CR right before the LF is dropped, a last line
// without LF is still a line, every other byte is data.
inline std::vector<std::string> refSplit(std::string_view content) {
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

inline bool refContains(const std::string& line, std::string_view needle) {
    if (needle.empty()) return !line.empty();
    return line.find(needle) != std::string::npos;
}

}  // namespace kalvimo::platformtest
