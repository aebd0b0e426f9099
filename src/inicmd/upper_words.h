// Upper-casing, comparing and hashing names eight bytes at a time: the index of a pass files one
// name per command, and most of its cost is the walk over their characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rivel {

// The word with its bytes "a".."z" mapped to "A".."Z" (UpperChar on each byte): a byte is a
// lower-case letter when its high bit is clear and its low seven bits lie in 'a'..'z'.
inline uint64_t UpperWord(uint64_t word) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = kOnes * 0x80;
    const uint64_t low7 = word & ~kHigh;
    const uint64_t fromA = low7 + kOnes * (0x80 - 'a');
    const uint64_t pastZ = low7 + kOnes * (0x80 - 'z' - 1);
    const uint64_t lower = fromA & ~pastZ & ~word & kHigh;
    return word ^ (lower >> 2);
}

// Up to eight bytes of text from `at` as one word. A short last word is made of two loads that
// may overlap (never reading past the end): together with the length, the word still tells
// its bytes apart, which is all the hash and the comparison need.
inline uint64_t LoadWord(const char* at, size_t size) {
    if (size >= 8) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        return word;
    }
    if (size >= 4) {
        uint32_t first, last;
        std::memcpy(&first, at, 4);
        std::memcpy(&last, at + size - 4, 4);
        return first | static_cast<uint64_t>(last) << 32;
    }
    if (size >= 2) {
        uint16_t first, last;
        std::memcpy(&first, at, 2);
        std::memcpy(&last, at + size - 2, 2);
        return first | static_cast<uint64_t>(last) << 16;
    }
    return size == 1 ? static_cast<unsigned char>(at[0]) : 0;
}

inline uint64_t NextWordHash(uint64_t hash, uint64_t word) {
    hash = (hash ^ word) * 0x9e3779b97f4a7c15ull;
    return hash ^ (hash >> 29);
}

// A hash of the text, word by word (its length included, as the last word is padded).
inline uint64_t WordHash(std::string_view text) {
    uint64_t hash = text.size();
    for (size_t i = 0; i < text.size(); i += 8) {
        hash = NextWordHash(hash, LoadWord(text.data() + i, text.size() - i));
    }
    return hash;
}

// WordHash(UpperCase(text)), without making that text.
inline uint64_t UpperWordHash(std::string_view text) {
    uint64_t hash = text.size();
    for (size_t i = 0; i < text.size(); i += 8) {
        hash = NextWordHash(hash, UpperWord(LoadWord(text.data() + i, text.size() - i)));
    }
    return hash;
}

// Whether upper is UpperCase(text).
inline bool IsUpperOf(std::string_view upper, std::string_view text) {
    if (upper.size() != text.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 8) {
        const size_t left = text.size() - i;
        if (LoadWord(upper.data() + i, left) != UpperWord(LoadWord(text.data() + i, left))) {
            return false;
        }
    }
    return true;
}

// Upper-cases size bytes at `at` in place.
inline void UpperInPlace(char* at, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint64_t word = UpperWord(LoadWord(at + i, 8));
        std::memcpy(at + i, &word, 8);
    }
    for (; i < size; ++i) {
        if (at[i] >= 'a' && at[i] <= 'z') {
            at[i] = static_cast<char>(at[i] - 32);
        }
    }
}

}  // namespace rivel
