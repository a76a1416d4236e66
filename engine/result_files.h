#pragma once
// The result files of passes that are read together: each made empty when the read begins, its
// lines gathered in memory and appended in large pieces. However many files a list names, they
// hold about eight blocks of memory together, and no descriptor between the pieces. The pieces
// are appended on a thread of their own, so the scan goes on while the system copies them.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io_block.h"

namespace kalvimo {

class ResultFiles {
public:
    ResultFiles();
    ~ResultFiles();  // waits for the pieces being appended
    ResultFiles(const ResultFiles&) = delete;
    ResultFiles& operator=(const ResultFiles&) = delete;

    // Makes the file empty, creating it, and adds it; its index. Throws IoError(Create). Every
    // file is made before the first write.
    size_t create(const std::string& path);
    size_t size() const { return files_.size(); }
    const std::string& path(size_t i) const { return files_[i].path; }

    // Buffered; a piece that fills is appended to its file. Throws IoError.
    void write(size_t i, std::string_view bytes) {
        File& f = files_[i];
        if (f.size + bytes.size() > piece_ || !f.data) return make(i, bytes, {});
        if (!bytes.empty()) std::memcpy(f.data.get() + f.size, bytes.data(), bytes.size());
        f.size += bytes.size();
    }
    void writeLine(size_t i, std::string_view line) {
        File& f = files_[i];
        if (f.size + line.size() + 2 > piece_ || !f.data) return make(i, line, "\r\n");
        char* to = f.data.get() + f.size;
        if (!line.empty()) std::memcpy(to, line.data(), line.size());  // an empty view may hold no pointer
        to[line.size()] = '\r';
        to[line.size() + 1] = '\n';
        f.size += line.size() + 2;
    }
    // Appends what is gathered for a file, and waits until it and all that came before is in
    // the files; throws IoError, also for a piece handed over earlier that failed.
    void close(size_t i);
    // The same for every file.
    void closeAll();
    // Forgets what is gathered, unwritten; what was handed over is in the files when it returns.
    void drop() noexcept;
    // Whether path names one of the files (through any link or other name).
    bool holds(const std::string& path) const;

private:
    class Appender;
    // write() when the piece is full or not there yet: a and b, in that order.
    void make(size_t i, std::string_view a, std::string_view b);
    // Hands what is gathered for a file to the appending thread.
    void flush(size_t i);
    // Until every piece handed over is in its file; throws the failure of one that was not.
    void waitForAppends();

    struct File {
        std::string path;
        std::unique_ptr<char[]> data;  // piece_ bytes, once written to
        size_t size = 0;
    };
    std::vector<File> files_;
    size_t piece_ = 0;  // fixed at the first write, from the number of files
    std::unique_ptr<Appender> appender_;
};

}  // namespace kalvimo
