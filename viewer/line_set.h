#pragma once
// A growing sorted set of line numbers (the lines that match a search or a filter), about one
// byte a line: the numbers go in as differences of variable length, with the full number of
// every 64th kept so that any of them is reached by decoding at most 63.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalvimo {

class LineSet {
public:
    // line must be greater than every number already in the set.
    void append(uint64_t line);
    void clear() { *this = LineSet(); }

    uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint64_t at(uint64_t i) const;  // i < size()
    // The position of the first number >= line, size() when there is none.
    uint64_t lowerBound(uint64_t line) const;
    size_t memoryBytes() const { return groups_.capacity() * sizeof(Group) + bytes_.capacity(); }

private:
    static constexpr uint64_t kGroup = 64;
    struct Group {
        uint64_t first;
        uint64_t bytesAt;  // where the differences after first begin
    };
    std::vector<Group> groups_;
    std::vector<uint8_t> bytes_;
    uint64_t size_ = 0;
    uint64_t last_ = 0;
};

}  // namespace kalvimo
