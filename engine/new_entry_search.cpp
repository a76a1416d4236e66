#include "new_entry_search.h"

#include "engine.h"
#include "files.h"
#include "text_ops.h"

namespace kalvimo {
namespace {

bool anyLineContains(const std::vector<std::string>& lines, std::string_view text) {
    for (const auto& line : lines)
        if (contains(line, text)) return true;
    return false;
}

void append(Engine& engine, const std::string& path, std::string_view line) {
    try {
        appendLine(path, line);
    } catch (const IoError& e) {
        engine.fail(e);
    }
}

}  // namespace

std::vector<std::string> readListFile(Engine& engine, const std::string& path) {
    try {
        return readListLines(path);
    } catch (const IoError& e) {
        engine.fail(e);
    }
}

void NewDeviceSearch::search(std::string_view device) {
    std::string key(device);
    if (settled_.count(key)) return;
    if (!loaded_) {
        catalogue_ = readListFile(engine_, engine_.data().file("alldev.ini"));
        loaded_ = true;
    }
    if (!anyLineContains(catalogue_, device)) {
        append(engine_, engine_.data().file("alldev.ini"), device);
        catalogue_.push_back(key);
        append(engine_, engine_.data().errorFile("newdev"), device);
    }
    settled_.insert(std::move(key));
}

void NewReportSearch::search(std::string_view numberText) {
    const auto number = parseInt16(numberText);
    if (!number) return;  // not a whole number: no search for this report
    std::string key = std::to_string(*number);
    if (settled_.count(key)) return;
    settled_.insert(key);
    if (!catalogueLoaded_) {
        catalogue_ = readListFile(engine_, engine_.data().file("allreports.ini"));
        catalogueLoaded_ = true;
    }
    if (anyLineContains(catalogue_, key)) return;
    const std::string newrep = engine_.data().errorFile("newrep");
    if (!newrepLoaded_) {
        recorded_ = readListFile(engine_, newrep);
        newrepLoaded_ = true;
        if (!isRegularFile(newrep)) {
            OutFile created;
            try {
                created.openAppend(newrep);
                created.close();
            } catch (const IoError& e) {
                engine_.fail(e);
            }
        }
    }
    if (anyLineContains(recorded_, key)) return;
    append(engine_, newrep, key);
    recorded_.push_back(std::move(key));
}

}  // namespace kalvimo
