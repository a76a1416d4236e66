#include "engine/list_texts.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/text_ops.h"

namespace kalvimo {
namespace {

constexpr size_t kKeyBytes = 7;

// A text of up to seven bytes as one number: its bytes from the lowest up, its length in the
// top byte.
std::uint64_t keyOf(std::string_view t) {
    std::uint64_t k = 0;
    for (size_t i = 0; i < t.size(); ++i) k |= std::uint64_t{static_cast<unsigned char>(t[i])} << (8 * i);
    return k | std::uint64_t{t.size()} << 56;
}

std::uint32_t firstFour(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

constexpr size_t kFilterBits = 1 << 16;
size_t filterBit(std::uint32_t four) { return (four * 0x9E3779B1u) >> 16; }

}  // namespace

NumberTexts::NumberTexts(const std::vector<std::string>& texts) {
    if (texts.size() == 1) alone_ = texts.front() + "  P";
    std::vector<std::pair<std::uint64_t, int>> keys;
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        if (t.size() > kKeyBytes) {
            longTexts_.push_back({t, static_cast<int>(i)});
            continue;
        }
        if (std::find(lengths_.begin(), lengths_.end(), t.size()) == lengths_.end()) lengths_.push_back(t.size());
        keys.push_back({keyOf(t), static_cast<int>(i)});
    }
    std::sort(lengths_.begin(), lengths_.end());
    size_t size = 4;
    while (size < 2 * keys.size()) size *= 2;
    shift_ = 64 - std::countr_zero(size);
    slots_.assign(size, {0, -1});
    for (const auto& [k, i] : keys) {
        size_t s = static_cast<size_t>((k * 0x9E3779B97F4A7C15u) >> shift_);
        while (slots_[s].second >= 0) s = (s + 1) & (size - 1);
        slots_[s] = {k, i};
    }
}

int NumberTexts::lookUp(std::uint64_t key) const {
    for (size_t s = static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> shift_);; s = (s + 1) & (slots_.size() - 1)) {
        if (slots_[s].second < 0) return -1;
        if (slots_[s].first == key) return slots_[s].second;
    }
}

void NumberTexts::find(std::string_view line, std::vector<int>& found) const {
    if (!alone_.empty()) {
        if (contains(line, alone_)) found.push_back(0);
        return;
    }
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    for (const char* q = begin + 2; q < end; ++q) {
        q = static_cast<const char*>(std::memchr(q, 'P', static_cast<size_t>(end - q)));
        if (!q) return;
        if (q[-1] != ' ' || q[-2] != ' ') continue;
        const size_t p = static_cast<size_t>(q - 2 - begin);  // where "  P" begins
        // The eight bytes before it as one number, lowest first: each key is a shift of it.
        std::uint64_t eight = 0;
        const bool loaded = std::endian::native == std::endian::little && p >= 8;
        if (loaded) std::memcpy(&eight, begin + p - 8, 8);
        for (const size_t n : lengths_) {
            if (n > p) break;
            const std::uint64_t key = loaded ? (n == 0 ? 0 : eight >> (64 - 8 * n)) | std::uint64_t{n} << 56
                                             : keyOf(line.substr(p - n, n));
            if (const int i = lookUp(key); i >= 0) found.push_back(i);
        }
        for (const auto& [text, i] : longTexts_)
            if (text.size() <= p && line.substr(p - text.size(), text.size()) == text) found.push_back(i);
    }
}

DeviceTexts::DeviceTexts(const std::vector<std::string>& texts) : texts_(texts) {
    for (size_t i = 0; i < texts_.size(); ++i) {
        const std::string& t = texts_[i];
        if (t.size() < 4) {
            shortTexts_.push_back(static_cast<int>(i));
            continue;
        }
        auto of = std::find_if(lengths_.begin(), lengths_.end(), [&](const OfLength& o) { return o.length == t.size(); });
        if (of == lengths_.end()) {
            of = lengths_.insert(lengths_.end(), OfLength{});
            of->length = t.size();
            of->filter.resize(kFilterBits / 64);
        }
        of->starts[static_cast<unsigned char>(t[0])] = true;
        const std::uint32_t start = firstFour(t.data());
        of->filter[filterBit(start) / 64] |= std::uint64_t{1} << (filterBit(start) % 64);
        of->byStart.push_back({start, static_cast<int>(i)});
    }
    for (OfLength& of : lengths_) std::sort(of.byStart.begin(), of.byStart.end());
}

void DeviceTexts::find(std::string_view line, std::vector<int>& found) const {
    const char* const d = line.data();
    for (const OfLength& of : lengths_) {
        const size_t n = of.length;
        for (size_t at = 0; at + n <= line.size(); ++at) {
            if (!of.starts[static_cast<unsigned char>(d[at])]) continue;
            const std::uint32_t start = firstFour(d + at);
            const size_t bit = filterBit(start);
            if (!(of.filter[bit / 64] >> (bit % 64) & 1)) continue;
            auto it = std::lower_bound(of.byStart.begin(), of.byStart.end(), std::pair<std::uint32_t, int>(start, -1));
            for (; it != of.byStart.end() && it->first == start; ++it)
                if (line.substr(at, n) == texts_[static_cast<size_t>(it->second)]) found.push_back(it->second);
        }
    }
    for (const int i : shortTexts_)
        if (contains(line, texts_[static_cast<size_t>(i)])) found.push_back(i);
}

}  // namespace kalvimo
