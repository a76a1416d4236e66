#pragma once
// The searches for devices and report numbers that the catalogues do not know yet. Each
// catalogue is read once per run and kept in step with what the search appends, so a device
// or number costs one look-up per run however often it occurs; the files end up exactly as a
// search that reread them for every report would leave them.
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kalvimo {

class Engine;

class NewDeviceSearch {
public:
    explicit NewDeviceSearch(Engine& engine) : engine_(engine) {}
    // A device no line of alldev.ini contains is appended to alldev.ini and to error/newdev.
    void search(std::string_view device);

private:
    Engine& engine_;
    bool loaded_ = false;
    std::vector<std::string> catalogue_;
    std::unordered_set<std::string> settled_;
};

class NewReportSearch {
public:
    explicit NewReportSearch(Engine& engine) : engine_(engine) {}
    // numberText: columns 21 to 25 of the number line. A number no line of allreports.ini
    // contains, and no line of error/newrep yet, is appended to newrep.
    void search(std::string_view numberText);

private:
    Engine& engine_;
    bool catalogueLoaded_ = false;
    bool newrepLoaded_ = false;
    std::vector<std::string> catalogue_;
    std::vector<std::string> recorded_;
    std::unordered_set<std::string> settled_;
};

// Lines of a list file; a missing file is an empty list. Other failures end the run.
std::vector<std::string> readListFile(Engine& engine, const std::string& path);

}  // namespace kalvimo
