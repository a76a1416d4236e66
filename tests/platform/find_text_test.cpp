// The substring search against std::string::find.
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

#include "platform/find_text.h"
#include "tests/platform/platform_test_support.h"

namespace {

using namespace kalvimo;
using namespace kalvimo::platformtest;
using namespace std::string_literals;

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

}  // namespace
