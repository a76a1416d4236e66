#pragma once
// The files a run appends to besides its result files: the device catalogue and the lists of
// new devices and numbers. A run that is stopped, fails or aborts leaves them as they were
// when it began; only a run that ends keeps its appends. The run holds the data directory's
// lock, so nobody else appended in between, and cutting a file back to its old size is enough.
#include <optional>
#include <string>
#include <vector>

namespace kalvimo {

class RunJournal {
public:
    // Before each append: the first call for a path keeps its size, or that it was absent.
    // Throws IoError when the size cannot be read, before anything is appended.
    void beforeAppend(const std::string& path);
    // The run ended: what it appended stays.
    void keep() { files_.clear(); }
    // Every file back to its size at the first append, a file that was absent removed. Goes
    // on past a failure; returns the texts of the failures (UTF-8).
    std::vector<std::string> undo();

private:
    struct Before {
        std::string path;
        std::optional<unsigned long long> size;  // none: the file did not exist
    };
    std::vector<Before> files_;
};

}  // namespace kalvimo
