#pragma once
// The searches for devices and report numbers that the catalogues do not know yet. Each
// catalogue is read once per run and kept in step with what the search appends, so a device
// or number costs one look-up per run however often it occurs; the files end up exactly as a
// search that reread them for every report would leave them.
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/data_dir.h"
#include "engine/run_journal.h"

namespace kalvimo {

// Lines of a catalogue, asked whether any of them contains a text anywhere (an empty text:
// whether any line is non-empty). For each length asked, the substrings of that length of
// every line are kept in a hash set, so a look-up costs the same however long the catalogue
// has grown; a line too long for that (a long comment) is searched through instead.
class LineSubstrings {
public:
    void assign(std::vector<std::string> lines);
    void add(std::string line);
    bool anyLineContains(std::string_view text);

private:
    struct OfLength {
        std::unordered_set<std::string_view> windows;
        std::vector<const std::string*> longLines;
    };
    void index(OfLength& set, size_t length, const std::string& line);

    std::deque<std::string> lines_;  // a deque: the views into its strings stay valid
    bool anyNonEmpty_ = false;
    std::map<size_t, OfLength> byLength_;
};

// A failed catalogue or result file throws IoError, which ends the run. Every append to the
// catalogue is noted in the run's journal first.
class NewDeviceSearch {
public:
    NewDeviceSearch(const DataDir& data, RunJournal& journal) : data_(data), journal_(journal) {}
    // A device no line of alldev.ini contains is appended to alldev.ini and to error/newdev.
    void search(std::string_view device);

private:
    const DataDir& data_;
    RunJournal& journal_;
    bool loaded_ = false;
    LineSubstrings catalogue_;
    std::unordered_set<std::string> settled_;
};

class NewReportSearch {
public:
    explicit NewReportSearch(const DataDir& data) : data_(data) {}
    // numberText: columns 21 to 25 of the number line. A number no line of allreports.ini
    // contains, and no line of error/newrep yet, is appended to newrep.
    void search(std::string_view numberText);

private:
    const DataDir& data_;
    bool catalogueLoaded_ = false;
    bool newrepLoaded_ = false;
    LineSubstrings catalogue_;
    LineSubstrings recorded_;
    std::unordered_set<std::string> settled_;
};

}  // namespace kalvimo
