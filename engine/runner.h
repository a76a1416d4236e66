#pragma once
// Runs the extractions for the main window, the batch program and the tests. No window code:
// everything the engine sees of the outside comes through RunEnvironment.
#include "engine/choices.h"
#include "engine/run_context.h"
#include "platform/data_lock.h"

namespace kalvimo {

class Runner {
public:
    Runner(DataDir data, RunEnvironment env);

    // One run: a kind's extraction, or the full run of the ticked kinds. It holds the data
    // directory's lock from before the clearing to after the last write; when another program
    // holds it, nothing runs. A failed file, a stop or anything unforeseen ends the run here
    // with a status text, never the program; the state goes back to rest for the next run.
    RunOutcome run(RunKind kind);

    const RunOutcome& outcome() const { return context_.outcome(); }
    // The one line reader of every run, for a caller that counts the bytes read.
    LineReader& reader() { return context_.reader(); }
    // The state the last run left behind.
    const RunContext& context() const { return context_; }

private:
    // Takes the data directory's lock, or shows why not.
    bool lockDataDir(DataLock& lock);
    // A run that does not end leaves the lists it appended to as they were at its start.
    void undoListAppends();
    void fail(const std::string& text);
    void showStopped();
    // The failure text stays on the status line; the progress goes back to rest.
    void endAfterFailure();

    RunContext context_;
};

}  // namespace kalvimo
