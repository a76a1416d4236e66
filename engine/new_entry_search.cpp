#include "engine/new_entry_search.h"

#include "engine/text_ops.h"
#include "platform/files.h"

namespace kalvimo {
namespace {

// More substrings than this in one line, and the line is searched through instead.
constexpr size_t kMostWindows = 64;

}  // namespace

void LineSubstrings::assign(std::vector<std::string> lines) {
    lines_.clear();
    byLength_.clear();
    anyNonEmpty_ = false;
    for (auto& line : lines) add(std::move(line));
}

void LineSubstrings::add(std::string line) {
    anyNonEmpty_ = anyNonEmpty_ || !line.empty();
    lines_.push_back(std::move(line));
    for (auto& [length, set] : byLength_) index(set, length, lines_.back());
}

void LineSubstrings::index(OfLength& set, size_t length, const std::string& line) {
    if (line.size() < length) return;
    const size_t windows = line.size() - length + 1;
    if (windows > kMostWindows) {
        set.longLines.push_back(&line);
        return;
    }
    const std::string_view view(line);
    for (size_t i = 0; i < windows; ++i) set.windows.insert(view.substr(i, length));
}

bool LineSubstrings::anyLineContains(std::string_view text) {
    if (text.empty()) return anyNonEmpty_;
    auto it = byLength_.find(text.size());
    if (it == byLength_.end()) {
        it = byLength_.emplace(text.size(), OfLength{}).first;
        for (const auto& line : lines_) index(it->second, text.size(), line);
    }
    if (it->second.windows.count(text)) return true;
    for (const std::string* line : it->second.longLines)
        if (contains(*line, text)) return true;
    return false;
}

void NewDeviceSearch::search(std::string_view device) {
    std::string key(device);
    if (settled_.count(key)) return;
    if (!loaded_) {
        catalogue_.assign(readListLines(data_.file("alldev.ini")));
        loaded_ = true;
    }
    if (!catalogue_.anyLineContains(device)) {
        const std::string path = data_.file("alldev.ini");
        journal_.beforeAppend(path);
        appendLine(path, device);
        catalogue_.add(key);
        appendLine(data_.errorFile("newdev"), device);
    }
    // Settled for the run even when empty: an empty line appended holds nothing, so an empty
    // text would stay unknown and be appended again for every report.
    settled_.insert(std::move(key));
}

void NewReportSearch::search(std::string_view numberText) {
    const auto number = parseInt16(numberText);
    if (!number) return;  // not a whole number: no search for this report
    std::string key = std::to_string(*number);
    if (settled_.count(key)) return;
    settled_.insert(key);
    if (!catalogueLoaded_) {
        catalogue_.assign(readListLines(data_.file("allreports.ini")));
        catalogueLoaded_ = true;
    }
    if (catalogue_.anyLineContains(key)) return;
    const std::string newrep = data_.errorFile("newrep");
    if (!newrepLoaded_) {
        recorded_.assign(readListLines(newrep));
        newrepLoaded_ = true;
        if (!isRegularFile(newrep)) {
            OutFile created;
            created.openAppend(newrep);
            created.close();
        }
    }
    if (recorded_.anyLineContains(key)) return;
    appendLine(newrep, key);
    recorded_.add(std::move(key));
}

}  // namespace kalvimo
