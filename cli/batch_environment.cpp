#include "cli/batch_environment.h"

#include "engine/kinds.h"

#include "engine/settings_file.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace kalvimo {
namespace {

std::vector<std::string> listOrNothing(const std::string& dir, const std::string& pattern) {
    try {
        return listFiles(dir, pattern);
    } catch (const IoError&) {
        return {};  // a directory that cannot be listed has no files
    }
}

std::optional<DataDir> dataDirectory(const BatchOptions& o, BatchProblem& problem) {
    const std::string root = o.dataDir ? *o.dataDir : DataDir::defaultRoot();
    try {
        if (!isDirectory(root)) {
            if (o.dataDir) {
                problem = {1, "каталог данных " + fileNameForDisplay(root) + " не существует"};
                return std::nullopt;
            }
            ensureDirectory(root);
        }
        DataDir data(root);
        data.ensureOutputDirs();
        return data;
    } catch (const IoError& e) {
        problem = {1, e.message()};
        return std::nullopt;
    }
}

FixedOptions runOptions(const BatchOptions& o, const Settings& settings, std::string station) {
    FixedOptions options;
    options.station = o.station ? std::move(station) : settings.station;
    options.checks = settings.checks;
    if (o.newReports) options.checks[Search::NewReports] = 1;
    if (o.newDevices) options.checks[Search::NewDevices] = 1;
    if (o.kinds) {
        for (const KindRow& k : kinds()) options.checks[k.kind] = 0;
        for (RunKind ticked : *o.kinds) options.checks[ticked] = 1;
    }
    return options;
}

FixedInput runInput(const BatchOptions& o, const Settings& settings) {
    const std::string pattern = o.pattern ? *o.pattern : "*.s12";
    if (o.file) {
        const std::string& path = *o.file;
        return FixedInput::file(directoryOf(path), isRegularFile(path) ? std::string(fileNameOf(path)) : "");
    }
    if (o.dir) return FixedInput::directory(*o.dir, listOrNothing(*o.dir, pattern));
    const std::string dir = settingsDirectory(settings, DataDir::homeDirectory());
    // Only "Файла" selected means file mode; the saved file list has no current entry.
    if (settings.optionFile) return FixedInput::file(dir, "");
    return FixedInput::directory(dir, listOrNothing(dir, pattern));
}

}  // namespace

std::optional<BatchEnvironment> batchEnvironment(const BatchOptions& o, BatchProblem& problem) {
    std::string station;
    if (o.station) {
        bool lossy = false;
        station = utf8ToCp1251(*o.station, &lossy);
        if (lossy) {
            problem = {2, "имя станции содержит символы, которых нет в кодировке Windows-1251"};
            return std::nullopt;
        }
    }
    std::optional<DataDir> data = dataDirectory(o, problem);
    if (!data) return std::nullopt;
    const Settings settings = loadSettingsFile(data->root());  // as the window starts
    return BatchEnvironment{*data, runInput(o, settings), runOptions(o, settings, std::move(station))};
}

}  // namespace kalvimo
