#pragma once
// Which of many texts a line holds, found by looking the line up rather than by a search for
// each text, so that a long list costs about what a short one does.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kalvimo {

// Report numbers: a text followed by "  P" anywhere in the number line. Each "  P" of the line
// is found once, and the texts that end right before it are looked up, one length at a time; a
// single text is searched for with its "  P" at once.
class NumberTexts {
public:
    explicit NumberTexts(const std::vector<std::string>& texts);
    // Appends the index of every text the line holds (an index may come twice).
    void find(std::string_view line, std::vector<int>& found) const;

private:
    int lookUp(std::uint64_t key) const;

    std::vector<size_t> lengths_;  // of the texts a key holds, ascending
    // The keys of those texts with their indexes: open addressing, twice as many places.
    std::vector<std::pair<std::uint64_t, int>> slots_;
    int shift_ = 62;
    std::vector<std::pair<std::string, int>> longTexts_;
    std::string alone_;  // the one text followed by "  P", when there is one
};

// Device texts anywhere in the device line. For each length of four bytes or more, each place
// of the line that begins like one of the texts is looked up by its first four bytes; shorter
// texts are searched for one by one.
class DeviceTexts {
public:
    explicit DeviceTexts(const std::vector<std::string>& texts);
    void find(std::string_view line, std::vector<int>& found) const;

private:
    struct OfLength {
        size_t length = 0;
        std::array<bool, 256> starts{};                       // the first bytes of the texts
        std::vector<std::uint64_t> filter;                    // a bit for a hash of four bytes
        std::vector<std::pair<std::uint32_t, int>> byStart;  // first four bytes, sorted
    };
    std::vector<std::string> texts_;
    std::vector<OfLength> lengths_;
    std::vector<int> shortTexts_;
};

}  // namespace kalvimo
