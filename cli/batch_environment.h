#pragma once
// What a batch run works on, from the command line and, where it says nothing, from
// Kalvimo.ini as the window would start: the data directory, the input and the options.
#include <optional>
#include <string>

#include "cli/batch_host.h"
#include "cli/batch_options.h"
#include "engine/data_dir.h"

namespace kalvimo {

struct BatchEnvironment {
    DataDir data;
    FixedInput input;
    FixedOptions options;
};

// Why there is nothing to run on: the exit status (2 for a usage error, else 1) and the text.
struct BatchProblem {
    int exitStatus = 0;
    std::string message;
};

// Makes the default data directory, and log/ and error/, when missing; a given data directory
// must exist. Nothing, with the problem, when a run cannot start.
std::optional<BatchEnvironment> batchEnvironment(const BatchOptions& o, BatchProblem& problem);

}  // namespace kalvimo
