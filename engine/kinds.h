#pragma once
// From a kind of run to its extraction, and the full run, which performs the ticked kinds one
// after another into the same output directories and across one progress range.
#include "engine/choices.h"
#include "engine/run_context.h"

namespace kalvimo {

// Runs the kind on the context as it stands: inside a full run when the context is in one.
// Ends the run by throwing (RunStopped, IoError), which Runner::run catches.
void runKind(RunContext& ctx, RunKind kind);

}  // namespace kalvimo
