#pragma once
// The choices a user makes besides the input, named once for the settings file, the main
// window and the batch program: the five kinds a full run may perform and the two searches
// of the RRN 48 run, in the order of the settings file's lines.
#include <array>
#include <cstddef>

namespace kalvimo {

enum class Choice { Reports, Devices, Rrn121, Alarms, Rrn48, NewReports, NewDevices };
inline constexpr size_t kChoiceCount = 7;
inline constexpr std::array<Choice, kChoiceCount> kAllChoices = {
    Choice::Reports, Choice::Devices,    Choice::Rrn121,    Choice::Alarms,
    Choice::Rrn48,   Choice::NewReports, Choice::NewDevices};

// What a run does: one kind of extraction, or the full run of the ticked kinds.
enum class RunKind { Rrn48, Rrn121, Reports, Devices, Alarms, Full };

// The kinds of a full run, in the order it performs them, each with the choice that ticks it.
struct FullRunKind {
    Choice choice;
    RunKind kind;
};
inline constexpr std::array<FullRunKind, 5> kFullRunKinds = {{
    {Choice::Reports, RunKind::Reports},
    {Choice::Devices, RunKind::Devices},
    {Choice::Rrn121, RunKind::Rrn121},
    {Choice::Alarms, RunKind::Alarms},
    {Choice::Rrn48, RunKind::Rrn48},
}};

// The state of each choice's check box: 0 clear, 1 ticked, 2 greyed. Greyed comes only from a
// hand-edited settings file, and only 1 counts as ticked.
class ChoiceStates {
public:
    ChoiceStates() = default;
    explicit ChoiceStates(const std::array<int, kChoiceCount>& inOrder) : states_(inOrder) {}
    int operator[](Choice c) const { return states_[static_cast<size_t>(c)]; }
    int& operator[](Choice c) { return states_[static_cast<size_t>(c)]; }
    bool ticked(Choice c) const { return (*this)[c] == 1; }
    // The states in the order of kAllChoices.
    const std::array<int, kChoiceCount>& inOrder() const { return states_; }
    bool operator==(const ChoiceStates&) const = default;

private:
    std::array<int, kChoiceCount> states_{};
};

}  // namespace kalvimo
