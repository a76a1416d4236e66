// kalvimo-batch: the extractions of the desktop program, run from a terminal on the same data
// directory.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch_host.h"
#include "cli/batch_options.h"
#include "engine/data_dir.h"
#include "engine/list_source.h"
#include "engine/runner.h"
#include "engine/settings_file.h"
#include "platform/cp1251.h"
#include "platform/data_lock.h"
#include "platform/files.h"
#include "platform/process_setup.h"

using namespace kalvimo;

namespace {

int usageError(const std::string& what) {
    std::fprintf(stderr, "kalvimo-batch: %s\nСправка: kalvimo-batch --help\n", what.c_str());
    return 2;
}

// SIGINT and SIGTERM stop the run at the next block, as closing the window does; a second
// one ends the program at once.
std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) {
    stopSignal = signal;
    stopRequested.store(true);
}

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

std::vector<std::string> listOrNothing(const std::string& dir, const std::string& pattern) {
    try {
        return listFiles(dir, pattern);
    } catch (const IoError&) {
        return {};  // a directory that cannot be listed has no files
    }
}

// Descriptors 0 to 2 that the caller closed are opened on /dev/null, or the first result file
// would take the number of standard error and receive the status texts. Returns the closed
// ones (bits 1 << fd).
unsigned setUpStandardDescriptors() { return reopenClosedStandardDescriptors(); }

// A status line that cannot be written (a closed pipe, a full disk) never ends the run: the
// write just fails, and the exit status stays the run's.
void keepRunningWhenOutputFails() {
    std::signal(SIGPIPE, SIG_IGN);
    ignoreFileSizeLimitSignal();
}

// --help and --version: 1 when the text could not be written whole.
int printText(const std::string& text, bool stdoutWasClosed) {
    const bool written = std::fputs(text.c_str(), stdout) >= 0;
    const bool flushed = std::fflush(stdout) == 0;
    return written && flushed && !stdoutWasClosed ? 0 : 1;
}

// --wait: takes the data directory's lock before the run, saying once per holder that it
// waits; the run then shares the lock. Without --wait the run itself refuses a busy directory.
// A stop asked for while waiting ends the wait; the run then stops at once.
DataLock waitForDataDir(const std::string& root, TerminalStatus& status, const std::atomic<bool>* stop) {
    try {
        return DataLock::acquire(root, std::chrono::milliseconds(-1), stop, [&](pid_t holder) {
            status.setStatus(dataDirBusyText(holder) + "; ожидание");
        });
    } catch (const IoError&) {
        return {};  // the run meets the same failure and reports it
    }
}

}  // namespace

int main(int argc, char** argv) {
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    stopOnSignals();
    const unsigned closedAtStart = setUpStandardDescriptors();
    keepRunningWhenOutputFails();
    std::string error;
    const auto parsed = parseBatchOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) return usageError(error);
    const BatchOptions& o = *parsed;
    if (o.help) return printText(kBatchUsage, closedAtStart & 2u);
    if (o.version) return printText("kalvimo-batch " KALVIMO_VERSION "\n", closedAtStart & 2u);
    std::string station;
    if (o.station) {
        bool lossy = false;
        station = utf8ToCp1251(*o.station, &lossy);
        if (lossy) return usageError("имя станции содержит символы, которых нет в кодировке Windows-1251");
    }

    // The data directory: a given one must exist; the default one is made when missing.
    const std::string root = o.dataDir ? *o.dataDir : DataDir::defaultRoot();
    if (!isDirectory(root)) {
        if (o.dataDir) {
            std::fprintf(stderr, "kalvimo-batch: каталог данных %s не существует\n", root.c_str());
            return 1;
        }
        try {
            ensureDirectory(root);
        } catch (const IoError& e) {
            std::fprintf(stderr, "kalvimo-batch: %s\n", e.message().c_str());
            return 1;
        }
    }
    const DataDir data(root);
    try {
        data.ensureOutputDirs();
    } catch (const IoError& e) {
        std::fprintf(stderr, "kalvimo-batch: %s\n", e.message().c_str());
        return 1;
    }

    const Settings settings = loadSettingsFile(root);  // as the window starts

    FixedOptions options;
    options.station = o.station ? station : settings.station;
    options.checks = settings.checks;
    if (o.newReports) options.checks[Choice::NewReports] = 1;
    if (o.newDevices) options.checks[Choice::NewDevices] = 1;
    if (o.kinds) {
        for (const FullRunKind& k : kFullRunKinds) options.checks[k.choice] = 0;
        for (Choice ticked : *o.kinds) options.checks[ticked] = 1;
    }

    const std::string pattern = o.pattern ? *o.pattern : "*.s12";
    FixedInput input = FixedInput::directory("", {});
    if (o.file) {
        const std::string& path = *o.file;
        const size_t slash = path.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        input = FixedInput::file(dir, isRegularFile(path) ? name : "");
    } else if (o.dir) {
        input = FixedInput::directory(*o.dir, listOrNothing(*o.dir, pattern));
    } else {
        const std::string dir = settingsDirectory(settings, DataDir::homeDirectory());
        // Only "Файла" selected means file mode; the saved file list has no current entry.
        if (settings.optionFile) input = FixedInput::file(dir, "");
        else input = FixedInput::directory(dir, listOrNothing(dir, pattern));
    }

    TerminalStatus status(stderr);
    SilentProgress progress;
    ListFilesSource lists(root);
    Pauses pauses;
    OutputsListener outputs;
    Runner runner(data, RunEnvironment{status, progress, input, options, lists, pauses, outputs, &stopRequested});
    const DataLock waited = o.wait ? waitForDataDir(root, status, &stopRequested) : DataLock{};
    if (stopSignal != 0) return 128 + stopSignal;  // stopped while waiting: nothing was touched
    const RunOutcome outcome = runner.run(o.command);
    status.flush();
    if (stopSignal != 0) return 128 + stopSignal;  // 130 for SIGINT, 143 for SIGTERM
    return outcome.anyFailure() ? 1 : 0;
}
