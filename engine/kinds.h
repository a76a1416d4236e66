#pragma once
// The one table of the kinds of run: what the batch program calls each, its line of the
// settings file, its button and check box in the main window, its status texts and its
// extraction. A new kind is a row here and a file with its extraction.
#include <span>
#include <string_view>

#include "engine/choices.h"
#include "engine/run_context.h"

namespace kalvimo {

struct KindRow {
    RunKind kind;
    std::string_view word;           // the batch program's command, and its name in --kinds
    std::string_view settingsLabel;  // after the box's state on its line of Kalvimo.ini
    std::string_view button;         // the objectName of its button in the main window
    std::string_view buttonText;
    std::string_view box;            // the objectName of its box of the full run
    // The status text that begins a pass in file mode and in directory mode; for a kind that
    // works through a list, the beginning that the entry follows.
    std::string_view fileStatus;
    std::string_view dirStatus;
    // How many passes over the listed files it makes: one, or one per entry of a working list.
    long long (*passes)(RunContext&);
    void (*run)(RunContext&);
};

// The five kinds, in the order of the full run (and of their lines in the settings file).
std::span<const KindRow> kinds();
const KindRow& kindRow(RunKind kind);

// The full run: its button and command.
inline constexpr std::string_view kFullRunWord = "full";
inline constexpr std::string_view kFullRunButton = "btnFileAll";
inline constexpr std::string_view kFullRunButtonText = "Полная";

// The searches of the RRN 48 run: their boxes and lines of the settings file, in that order.
struct SearchRow {
    Search search;
    std::string_view settingsLabel;
    std::string_view box;
    std::string_view boxText;
    std::string_view option;  // the batch program's option that ticks it
};
std::span<const SearchRow> searches();

// Runs the kind on the context as it stands: inside a full run when the context is in one.
// Ends the run by throwing (RunStopped, IoError), which Runner::run catches.
void runKind(RunContext& ctx, RunKind kind);

}  // namespace kalvimo
