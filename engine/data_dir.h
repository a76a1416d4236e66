#pragma once
// The data directory and the names of the files in it.
#include <string>
#include <string_view>

namespace kalvimo {

class DataDir {
public:
    explicit DataDir(std::string root) : root_(std::move(root)) {}

    // c:\KARDOVELNIST on Windows; elsewhere KARDOVELNIST in the user's home directory.
    static std::string defaultRoot();
    // The home directory (the profile folder on Windows), which stands for "c:\" where there
    // are no drives.
    static std::string homeDirectory();

    const std::string& root() const { return root_; }
    std::string file(std::string_view name) const;      // in the data directory itself
    std::string logDir() const;
    std::string errorDir() const;
    std::string logFile(std::string_view name) const;   // name in the file-system encoding
    std::string errorFile(std::string_view name) const;

    // Creates log/ and error/ when missing (the data directory itself must exist).
    void ensureOutputDirs() const;

private:
    std::string root_;
};

}  // namespace kalvimo
