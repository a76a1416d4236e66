#pragma once
// File operations of the program. Every failure is thrown as IoError so that the caller can
// name the file and the cause in a status text.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/io_error.h"
#include "platform/system.h"

namespace kalvimo {

// sys::openFile for a file of the data directory: never waits for a partner and accepts only
// a regular file; a failure is thrown as IoError(op).
sys::File openFile(const std::string& path, unsigned flags, IoError::Op op);

// "a" + "/" + "b" (a backslash on Windows), without doubling a separator that is already there.
std::string joinPath(std::string_view dir, std::string_view name);
// The directory of a path: "." for a bare name, the root for a name in it ("/", "c:\").
std::string directoryOf(std::string_view path);
// The last part of a path, after its last separator.
std::string_view fileNameOf(std::string_view path);

bool isRegularFile(const std::string& path);  // symbolic links followed
bool isDirectory(const std::string& path);

// Creates the directory when missing (not its parents). Throws IoError(Create).
void ensureDirectory(const std::string& path);

// Told of the bytes an OutFile has written, in order, on the writing thread, once they are
// written, at most one buffer (kIoBlock) at a time. It may keep them by swapping the string
// with one of its own (emptied, or not).
class WrittenBytes {
public:
    virtual ~WrittenBytes() = default;
    virtual void take(std::string& bytes) = 0;
    // Bytes were written that take() was never shown (no memory to hand them over).
    virtual void missed() noexcept = 0;
};

// A result file: created empty (or emptied), written through a large buffer, checked on
// every write and on close. Never opened through a symbolic link.
class OutFile {
public:
    OutFile() = default;
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    OutFile(OutFile&& other) noexcept;
    OutFile& operator=(OutFile&& other) noexcept;

    // Throws IoError(Create).
    void create(const std::string& path);
    // Opens for appending, creating the file when missing. Throws IoError(Create).
    void openAppend(const std::string& path);
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return path_; }
    // Whether path names this open file (through any link or other name).
    bool isSameFileAs(const std::string& path) const;

    void write(std::string_view bytes);  // buffered; throws IoError(Write)
    // What is buffered, then bytes, written at once; throws IoError(Write). A file written
    // only this way never holds a buffer.
    void writeNow(std::string_view bytes);
    void writeLine(std::string_view line) {
        write(line);
        write("\r\n");
    }
    void flush();  // throws IoError(Write)
    void close();  // flushes; throws IoError(Write)
    // Shown every byte written from now on, whatever file is opened; null for none.
    void setTap(WrittenBytes* tap) { tap_ = tap; }
    // Closes without writing what is buffered; for the paths that already failed.
    void abandon() noexcept;

private:
    void openWith(const std::string& path, unsigned flags);
    void showTap();
    sys::File file_;
    std::string path_;
    std::string buf_;
    WrittenBytes* tap_ = nullptr;
};

// Appends one line with CR LF. A last line without its line break is ended first, so that
// two lines never merge. The file is created when missing. An append that fails takes back
// what it wrote, so the file keeps whole lines.
void appendLine(const std::string& path, std::string_view line);

// The size of a file (links followed), nothing when it does not exist. Throws IoError(Open)
// for other failures.
std::optional<unsigned long long> fileSize(const std::string& path);

// Hands the bytes [offset, offset + size) of a file to sink, a block at a time. Throws
// IoError(Read), with kChangedWhileRead when the file no longer holds them all.
void readRange(const std::string& path, unsigned long long offset, unsigned long long size,
               const std::function<void(std::string_view)>& sink);

// Cuts a file back to size bytes (links followed). Throws IoError(Write).
void truncateFile(const std::string& path, unsigned long long size);

// Writes the whole content to a temporary file beside path and renames it over path, so a
// crash or a full disk never leaves half a file.
void writeFileAtomically(const std::string& path, std::string_view content);

// For tests: runs when the temporary file is complete, just before it replaces the old file.
// An exception thrown from it passes through untouched, leaving the files as a crash at that
// moment would. An empty function removes the hook.
void setBeforeReplaceHook(std::function<void(const std::string& temporaryFile)> hook);

// Reads a whole small file (lists, settings). Throws IoError(Open/Read); anything but a
// regular file fails with kNotRegularFile without waiting on it.
std::string readWholeFile(const std::string& path);

// Splits file content into lines by the program's rules.
std::vector<std::string> splitLines(std::string_view content);

// The lines of a list file; a missing file has none. Throws IoError for other failures, so
// that a list which exists but cannot be read is never taken for an empty one.
std::vector<std::string> readListLines(const std::string& path);

// Whether both paths name one existing file or directory (through any link or other name).
bool isSameFile(const std::string& a, const std::string& b);

// Deletes a file; a file that is already gone is no failure. Throws IoError(Delete).
void removeFile(const std::string& path);

// Regular files of dir whose names match the pattern, in the program's alphabetical order.
// Follow: links to regular files are listed; Skip: no link is; Itself: every link is listed,
// whatever it points to (for deleting links, never their targets). Throws IoError(List) when
// dir cannot be read.
enum class LinkPolicy { Follow, Skip, Itself };
std::vector<std::string> listFiles(const std::string& dir, std::string_view pattern,
                                   LinkPolicy links = LinkPolicy::Follow);

// The last change of a file in local time as "dd.MM.yyyy HH:mm:ss"; nothing when the file
// cannot be reached.
std::optional<std::string> lastChangeText(const std::string& path);

}  // namespace kalvimo
