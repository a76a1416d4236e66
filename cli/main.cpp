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
#include "engine/engine.h"
#include "engine/list_source.h"
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

// "c:\" stands for the home directory where there are no drives.
std::string directoryFromSettings(const std::string& curDir) {
    const std::string path = cp1251ToUtf8(curDir);
    if (path.size() == 3 && (path[0] == 'c' || path[0] == 'C') && path[1] == ':' && path[2] == '\\')
        return DataDir::homeDirectory();
    return path;
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

    Settings settings;
    try {
        settings = parseSettings(readWholeFile(data.file("Kalvimo.ini")));
    } catch (const IoError&) {
        settings = parseSettings("");  // a missing or unreadable file: as the window starts
    }

    FixedOptions options;
    options.station = o.station ? station : settings.station;
    options.checks[static_cast<size_t>(CheckBox::Check1)] = settings.checks[Settings::Check1];
    options.checks[static_cast<size_t>(CheckBox::Check2)] = settings.checks[Settings::Check2];
    options.checks[static_cast<size_t>(CheckBox::Check3)] = settings.checks[Settings::Check3];
    options.checks[static_cast<size_t>(CheckBox::Check5)] = settings.checks[Settings::Check5];
    options.checks[static_cast<size_t>(CheckBox::Check7)] = settings.checks[Settings::Check7];
    options.checks[static_cast<size_t>(CheckBox::Check4)] = o.newReports ? 1 : settings.checks[Settings::Check4];
    options.checks[static_cast<size_t>(CheckBox::Check8)] = o.newDevices ? 1 : settings.checks[Settings::Check8];
    if (o.kinds) {
        std::string ignored;
        const FullKinds k = *parseKinds(*o.kinds, ignored);  // checked when the options were parsed
        options.checks[static_cast<size_t>(CheckBox::Check1)] = k.reports;
        options.checks[static_cast<size_t>(CheckBox::Check5)] = k.devices;
        options.checks[static_cast<size_t>(CheckBox::Check7)] = k.rrn121;
        options.checks[static_cast<size_t>(CheckBox::Check3)] = k.alarms;
        options.checks[static_cast<size_t>(CheckBox::Check2)] = k.rrn48;
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
        const std::string dir = directoryFromSettings(settings.curDir);
        // Only "Файла" selected means file mode; the saved file list has no current entry.
        if (settings.optionFile) input = FixedInput::file(dir, "");
        else input = FixedInput::directory(dir, listOrNothing(dir, pattern));
    }

    TerminalStatus status(stderr);
    SilentProgress progress;
    ListFilesSource lists(root);
    Pauses pauses;
    OutputsListener outputs;
    Engine engine(data, RunEnvironment{status, progress, input, options, lists, pauses, outputs, &stopRequested});
    const DataLock waited = o.wait ? waitForDataDir(root, status, &stopRequested) : DataLock{};
    if (stopSignal != 0) return 128 + stopSignal;  // stopped while waiting: nothing was touched
    switch (o.command) {
    case BatchCommand::Rrn48: engine.btnFile48_Click(); break;
    case BatchCommand::Rrn121: engine.btnFile121_Click(); break;
    case BatchCommand::Reports: engine.btnFileRrn_Click(); break;
    case BatchCommand::Devices: engine.btnDev_Click(); break;
    case BatchCommand::Alarms: engine.btnalarm_Click(); break;
    case BatchCommand::Full: engine.btnFileAll_Click(); break;
    }
    status.flush();
    if (stopSignal != 0) return 128 + stopSignal;  // 130 for SIGINT, 143 for SIGTERM
    return engine.outcome().anyFailure() ? 1 : 0;
}
