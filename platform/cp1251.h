#pragma once
// Windows-1251 <-> UTF-8. Every file the program touches is Windows-1251; text is converted
// only where it meets the terminal, the windows or a file name.
#include <string>
#include <string_view>

namespace kalvimo {

// The Unicode code point of one Windows-1251 byte. 0x98 has no character and maps to U+0098
// so that every byte survives a round trip.
char32_t cp1251ToUnicode(unsigned char byte);

// The Windows-1251 byte of a code point, or -1 when the code page cannot hold it.
int unicodeToCp1251(char32_t cp);

std::string cp1251ToUtf8(std::string_view bytes);

// Characters that Windows-1251 cannot hold become '?'; *lossy (when given) tells whether any did.
// Malformed UTF-8 counts as such a character.
std::string utf8ToCp1251(std::string_view utf8, bool* lossy = nullptr);

// A file name or path as a person reads it (UTF-8): each part between slashes that is valid
// UTF-8 stays as it is; any other part is read as Windows-1251, the code page of names copied
// from Windows. Only for showing: the file is opened by its own bytes.
std::string fileNameForDisplay(std::string_view bytes);
// The same in Windows-1251, for files written in it: a part that is Windows-1251 on disk keeps
// its bytes; characters of a UTF-8 part that the code page lacks become '?'.
std::string fileNameToCp1251(std::string_view bytes);

// Decoding of UTF-8 into code points; a byte that is not part of valid UTF-8 becomes
// U+DC00 + byte, so that odd file names still sort and compare stably.
std::u32string decodeUtf8(std::string_view utf8);
std::u32string decodeCp1251(std::string_view bytes);
void appendUtf8(std::string& out, char32_t cp);

}  // namespace kalvimo
