#include "engine/result_names.h"

#include <array>

#include "platform/cp1251.h"
#include "platform/system.h"

namespace kalvimo {
namespace {

constexpr size_t kMaxNameBytes = 255;  // NAME_MAX of the common file systems
constexpr size_t kShownChars = 60;

// Windows holds no name with these, takes "a:b" for the stream b of the file a, and opens its
// devices under their names, whatever extension follows.
bool unfitOnWindows(std::string_view name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return true;
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::optional<std::string> resultFileName(std::string_view prefix, std::string_view part,
                                          std::string_view suffix) {
    if (part.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) return std::nullopt;
    if (part == "." || part == "..") return std::nullopt;
    std::string name(prefix);
    name += cp1251ToUtf8(part);
    name += suffix;
    if (name.size() > kMaxNameBytes) return std::nullopt;
    if (sys::kWindows && unfitOnWindows(name)) return std::nullopt;
    return name;
}

std::string shownName(std::string_view part) {
    std::string cut(part.substr(0, kShownChars));
    for (char& c : cut)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    std::string shown = cp1251ToUtf8(cut);
    if (part.size() > kShownChars) shown += "…";
    return shown;
}

}  // namespace kalvimo
