#pragma once
// What the viewer looks for and where it is: one text or several, with or without regard to
// case (Latin and Cyrillic letters of Windows-1251, Ё and ё included, folded through one
// 256-byte table). The scan of a whole file, the steps from match to match and the
// highlighting all ask here, so they agree on what a match is.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

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

// The texts of a filter: the parts between "|", empty ones left out.
std::vector<std::string> splitAlternatives(const std::string& text);

// A match: its place in the bytes looked through, and its length.
struct Match {
    size_t at = 0;
    size_t size = 0;
    bool operator==(const Match&) const = default;
};

// The texts looked for at once: a search's one, or a filter's several.
class Patterns {
public:
    Patterns() = default;
    Patterns(const std::vector<std::string>& texts, bool matchCase);
    // The parts of text between "|".
    static Patterns alternatives(const std::string& text, bool matchCase) {
        return Patterns(splitAlternatives(text), matchCase);
    }

    bool empty() const { return each_.empty(); }
    size_t count() const { return each_.size(); }
    const TextPattern& operator[](size_t k) const { return each_[k]; }
    size_t longest() const;

    // Where text k next matches in [data + from, data + size): its place, or size when nowhere.
    size_t next(size_t k, const char* data, size_t size, size_t from) const;
    // Every match in bytes (a line, or its shown part), each text's without overlap, in the
    // order of their places.
    std::vector<Match> in(std::string_view bytes) const;

private:
    std::vector<TextPattern> each_;
};

}  // namespace kalvimo
