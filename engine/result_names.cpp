#include "engine/result_names.h"

#include "platform/cp1251.h"

namespace kalvimo {
namespace {

constexpr size_t kMaxNameBytes = 255;  // NAME_MAX of the common file systems
constexpr size_t kShownChars = 60;

}  // namespace

std::optional<std::string> resultFileName(std::string_view prefix, std::string_view part,
                                          std::string_view suffix) {
    if (part.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) return std::nullopt;
    if (part == "." || part == "..") return std::nullopt;
    std::string name(prefix);
    name += cp1251ToUtf8(part);
    name += suffix;
    if (name.size() > kMaxNameBytes) return std::nullopt;
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
