#pragma once
// The viewer's search over the bytes of a file: one text or several, with or without regard to
// case (Latin and Cyrillic letters of Windows-1251, Ё and ё included, folded through one
// 256-byte table), reporting the lines that hold a match as it reads the file block by block.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/line_index.h"

namespace kalvimo {

// The small letter of a Windows-1251 letter; every other byte unchanged.
unsigned char foldCp1251(unsigned char byte);

// A text to find, in Windows-1251 bytes.
class TextPattern {
public:
    TextPattern(std::string bytes, bool matchCase);
    size_t size() const { return text_.size(); }
    // The first occurrence in [data, data + size), or nullptr. An empty pattern matches nothing.
    const char* findIn(const char* data, size_t size) const;

private:
    const char* findFolded(const char* data, size_t size) const;
    bool equalsFolded(const char* at) const;
    std::string text_;  // folded when case does not matter
    bool exact_;        // the case matters, or no byte of the text has another case
};

struct ScanTotals {
    uint64_t bytes = 0;        // read so far
    uint64_t occurrences = 0;  // matches, counted without overlap; only when asked for
    uint64_t lines = 0;        // lines holding a match
};

// Reads source from its start to its end and calls report after every block with the numbers
// of the lines (from 0, ascending, each once) that hold any of the patterns and were found in
// that block. Counts every occurrence when countOccurrences, else goes on at the next line after
// a match. Returns false when stopped by cancel, which is tested once a block. Throws IoError.
bool scanLines(const ByteSource& source, const std::vector<TextPattern>& patterns, bool countOccurrences,
               size_t blockSize, const std::atomic<bool>& cancel,
               const std::function<void(const std::vector<uint64_t>& lines, const ScanTotals& totals)>& report);

// The texts of a filter: the parts between "|", empty ones left out.
std::vector<std::string> splitAlternatives(const std::string& text);

}  // namespace kalvimo
