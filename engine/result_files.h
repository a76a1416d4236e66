#pragma once
// The result files of passes that are read together: each made empty when the read begins, its
// lines gathered in memory and appended in large pieces. A list of any length costs the memory
// of one limit for all its files, and no descriptor between the pieces.
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

class ResultFiles {
public:
    // Makes the file empty, creating it, and adds it; its index. Throws IoError(Create).
    size_t create(const std::string& path);
    size_t size() const { return files_.size(); }
    const std::string& path(size_t i) const { return files_[i].path; }

    void write(size_t i, std::string_view bytes);
    void writeLine(size_t i, std::string_view line) {
        write(i, line);
        write(i, "\r\n");
    }
    // Appends what is gathered for a file, or for all; throws IoError.
    void flush(size_t i);
    void flushAll();
    // Forgets what is gathered, unwritten.
    void drop() noexcept;
    // Whether path names one of the files (through any link or other name).
    bool holds(const std::string& path) const;

private:
    struct File {
        std::string path;
        std::string pending;
    };
    std::vector<File> files_;
    size_t pendingBytes_ = 0;
};

}  // namespace kalvimo
