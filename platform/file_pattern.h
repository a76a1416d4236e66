#pragma once
// File name patterns of the file list: "*" any run of characters, "?" one character, several
// patterns separated by ";", letter case ignored, "x.*" also matching "x".
#include <string_view>

namespace kalvimo {

bool matchesFilePattern(std::string_view utf8Name, std::string_view patternList);

}  // namespace kalvimo
