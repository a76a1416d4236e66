#pragma once
// Result files named after what the user typed: a report number of the working list or a
// device comment. Such a name must stay a plain file name inside log/.
#include <optional>
#include <string>
#include <string_view>

namespace kalvimo {

// prefix + part + suffix as a file name in the file system's encoding, part being
// Windows-1251 text. Nothing when the part holds "/", "\" or NUL, is "." or "..", or the
// name would be longer than a file system allows; on Windows also when the part holds what
// Windows names cannot (< > : " | ? * and control characters) or the name is a device's.
std::optional<std::string> resultFileName(std::string_view prefix, std::string_view part,
                                          std::string_view suffix);

// part as it can be shown in a status text: UTF-8, control characters as "?", a long text cut.
std::string shownName(std::string_view part);

}  // namespace kalvimo
