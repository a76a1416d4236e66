#pragma once
// The one alphabetical order of the program: station list, working lists, catalogues and the
// file list all sort with it.
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

// Latin and Cyrillic capitals (Ё and the other Cyrillic capitals of Windows-1251 included)
// to small letters; every other code point unchanged.
char32_t foldCase(char32_t cp);

// Texts compared lower-cased by code point; texts equal so far ordered by their exact text.
int alphaCompare(std::u32string_view a, std::u32string_view b);

enum class TextEncoding { Cp1251, Utf8 };

// Stable sort of byte texts in the alphabetical order, decoding each once.
void sortAlphabetically(std::vector<std::string>& items, TextEncoding encoding);

}  // namespace kalvimo
