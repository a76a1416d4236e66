#include "engine/run_journal.h"

#include "platform/files.h"

namespace kalvimo {

void RunJournal::beforeAppend(const std::string& path) {
    for (const Before& f : files_)
        if (f.path == path) return;
    files_.push_back({path, fileSize(path)});
}

std::vector<std::string> RunJournal::undo() {
    std::vector<std::string> failures;
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
        try {
            if (it->size) truncateFile(it->path, *it->size);
            else removeFile(it->path);
        } catch (const IoError& e) {
            failures.push_back(e.message());
        }
    }
    files_.clear();
    return failures;
}

}  // namespace kalvimo
