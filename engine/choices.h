#pragma once
// The kinds of run, the two searches of the RRN 48 run, and the check boxes a run reads, named
// once for the settings file, the main window and the batch program.
#include <array>
#include <cstddef>

namespace kalvimo {

// What a run does: one of the five kinds, in the order a full run performs them, or the full
// run of the ticked kinds.
enum class RunKind { Reports, Devices, Rrn121, Alarms, Rrn48, Full };
inline constexpr size_t kKindCount = 5;  // the kinds before Full

// The searches for devices and report numbers the catalogues do not know yet.
enum class Search { NewReports, NewDevices };

// A check box a run reads: a kind's, which ticks it for the full run (never Full's, which has
// none), or a search's. Numbered in the order of the settings file's lines.
class Box {
public:
    constexpr Box(RunKind kind) : index_(static_cast<size_t>(kind)) {}
    constexpr Box(Search search) : index_(kKindCount + static_cast<size_t>(search)) {}
    static constexpr size_t kCount = kKindCount + 2;
    // The box of a line of the settings file, counted from 0; below kCount.
    static constexpr Box at(size_t index) { return Box(index); }
    constexpr size_t index() const { return index_; }

private:
    explicit constexpr Box(size_t index) : index_(index) {}
    size_t index_;
};

// The state of each box: 0 clear, 1 ticked, 2 greyed. Greyed comes only from a hand-edited
// settings file, and only 1 counts as ticked.
class BoxStates {
public:
    BoxStates() = default;
    explicit BoxStates(const std::array<int, Box::kCount>& inOrder) : states_(inOrder) {}
    int operator[](Box b) const { return states_[b.index()]; }
    int& operator[](Box b) { return states_[b.index()]; }
    bool ticked(Box b) const { return (*this)[b] == 1; }
    // The states in the order of the settings file.
    const std::array<int, Box::kCount>& inOrder() const { return states_; }
    std::array<int, Box::kCount>& inOrder() { return states_; }
    bool operator==(const BoxStates&) const = default;

private:
    std::array<int, Box::kCount> states_{};
};

}  // namespace kalvimo
