#pragma once
// File failures carried up to the place that turns them into a status text.
#include <stdexcept>
#include <string>

namespace kalvimo {

// Failures of our own, beside the errno values: something other than a regular file where a
// file was expected, and an input that shrank under a read that needed what it held.
inline constexpr int kNotRegularFile = -1001;
inline constexpr int kChangedWhileRead = -1002;
// A failure the system gave a code of its own that no errno value stands for:
// kOtherSystemError - code.
inline constexpr int kOtherSystemError = -100000;

// Russian description of an errno value, for status texts.
std::string describeErrno(int err);

class IoError : public std::runtime_error {
public:
    enum class Op { Open, Read, Create, CreateDir, Write, Delete, List };
    IoError(Op op, std::string path, int err);
    // With a whole text of its own, for failures that no "operation, file, cause" fits.
    IoError(Op op, std::string path, int err, std::string text);
    Op op() const { return op_; }
    const std::string& path() const { return path_; }
    int error() const { return err_; }
    // "Не удалось создать файл /x/y: нет места на диске" and the like (UTF-8).
    std::string message() const;

private:
    Op op_;
    std::string path_;
    int err_;
    std::string text_;
};

}  // namespace kalvimo
