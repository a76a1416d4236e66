#include "platform/file_pattern.h"

#include <string>

#include "platform/collate.h"
#include "platform/cp1251.h"

namespace kalvimo {
namespace {

bool globMatch(const std::u32string& name, const std::u32string& pat) {
    size_t n = 0, p = 0, starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        // '*' first: a '*' in the name must not be taken as a literal match of the wildcard.
        if (p < pat.size() && pat[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (p < pat.size() && (pat[p] == U'?' || pat[p] == name[n])) {
            ++n;
            ++p;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == U'*') ++p;
    return p == pat.size();
}

std::u32string folded(std::string_view utf8) {
    std::u32string s = decodeUtf8(utf8);
    for (auto& c : s) c = foldCase(c);
    return s;
}

}  // namespace

bool matchesFilePattern(std::string_view utf8Name, std::string_view patternList) {
    const std::u32string name = folded(utf8Name);
    size_t start = 0;
    for (;;) {
        const size_t semi = patternList.find(';', start);
        const std::string_view one =
            patternList.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start);
        if (!one.empty()) {
            const std::u32string pat = folded(one);
            if (globMatch(name, pat)) return true;
            if (pat.size() >= 2 && pat.compare(pat.size() - 2, 2, U".*") == 0 &&
                globMatch(name, pat.substr(0, pat.size() - 2)))
                return true;
        }
        if (semi == std::string_view::npos) return false;
        start = semi + 1;
    }
}

}  // namespace kalvimo
