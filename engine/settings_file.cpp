#include "engine/settings_file.h"

#include <array>
#include <vector>

#include "engine/kinds.h"
#include "engine/text_ops.h"
#include "platform/cp1251.h"
#include "platform/data_lock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace kalvimo {
namespace {

// The label after the state on each box's line, in the order of the lines.
std::array<std::string_view, Box::kCount> boxLabels() {
    std::array<std::string_view, Box::kCount> labels;
    for (const KindRow& k : kinds()) labels[Box(k.kind).index()] = k.settingsLabel;
    for (const SearchRow& s : searches()) labels[Box(s.search).index()] = s.settingsLabel;
    return labels;
}

// "True" or "False" in the first five characters; other letter cases are taken too.
bool parseTruth(std::string_view line, bool& value) {
    std::string word(trimTrailingSpaces(line.substr(0, 5)));
    for (auto& c : word)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (word == "true") value = true;
    else if (word == "false") value = false;
    else return false;
    return true;
}

}  // namespace

Settings parseSettings(std::string_view content, Settings s) {
    const std::vector<std::string> lines = splitLines(content);
    auto fail = [&] {
        s.readFailed = true;
        s.curDir = "c:\\";
        return s;
    };
    size_t i = 0;
    if (i >= lines.size()) return fail();
    s.curDir = lines[i++];
    s.linesApplied = 1;
    if (i >= lines.size()) return fail();
    s.station = lines[i++];
    s.linesApplied = 2;
    for (int& box : s.checks.inOrder()) {
        if (i >= lines.size()) return fail();
        const auto state = parseInt16(std::string_view(lines[i++]).substr(0, 2));
        if (!state || *state < 0 || *state > 2) return fail();
        box = *state;
        ++s.linesApplied;
    }
    for (int option = 0; option < 2; ++option) {
        if (i >= lines.size()) return fail();
        bool value;
        if (!parseTruth(lines[i++], value)) return fail();
        // Selecting one option button clears the other; clearing leaves the other alone.
        if (option == 0) {
            s.optionFile = value;
            if (value) s.optionDir = false;
        } else {
            s.optionDir = value;
            if (value) s.optionFile = false;
        }
        ++s.linesApplied;
    }
    return s;
}

std::string formatSettings(const Settings& s) {
    std::string out;
    auto line = [&](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line(s.curDir);
    line(s.station);
    const auto labels = boxLabels();
    for (size_t b = 0; b < Box::kCount; ++b) {
        // One blank, the state, one blank, then the label.
        std::string text = " ";
        text += std::to_string(s.checks.inOrder()[b]);
        text += ' ';
        text += utf8ToCp1251(labels[b]);
        line(text);
    }
    line(std::string(s.optionFile ? "True" : "False") + utf8ToCp1251(" обрабатывать файл"));
    line(std::string(s.optionDir ? "True" : "False") + utf8ToCp1251("  обрабатывать каталог"));
    return out;
}

Settings loadSettingsFile(const std::string& dataRoot) {
    try {
        return parseSettings(readWholeFile(joinPath(dataRoot, "Kalvimo.ini")));
    } catch (const IoError&) {
        return parseSettings("");
    }
}

std::string settingsDirectory(const Settings& s, const std::string& homeDirectory) {
    const std::string path = s.readFailed ? "c:\\" : cp1251ToUtf8(s.curDir);
    const bool driveC = path.size() == 3 && (path[0] == 'c' || path[0] == 'C') && path[1] == ':' && path[2] == '\\';
    if (driveC && !sys::kWindows) return homeDirectory;
    return path;
}

void saveSettingsFile(const std::string& dataRoot, const Settings& settings) {
    const std::string path = joinPath(dataRoot, "Kalvimo.ini");
    const std::string content = formatSettings(settings);
    writeUnderDataLock(path, "", [&] { writeFileAtomically(path, content); });
}

}  // namespace kalvimo
