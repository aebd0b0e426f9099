// Plain text operations shared by every line-oriented part: trimming, substrings, search and
// ASCII upper-casing. Text is bytes; nothing here fails.
#pragma once

#include <string>
#include <string_view>

namespace rivel {

// A blank is a space or a horizontal tab.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The position of the first character at or after pos that is not a blank (text.size() when
// there is none).
inline size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// Leading and trailing blanks removed, but an all-blank text keeps its last character.
std::string Trim(std::string_view text);
// The part of text that Trim gives, without a copy.
std::string_view TrimmedView(std::string_view text);
// Leading blanks removed, but an all-blank text keeps its last character.
std::string TrimLeft(std::string_view text);
// The decimal number at the start of a text as a C conversion reads it: leading white space, an
// optional sign, then the digits (possibly none).
struct DecimalText {
    bool negative = false;
    std::string_view digits;
};
DecimalText SplitDecimal(std::string_view text);

// Trim, in place and without a copy.
void TrimInPlace(std::string& text);
// All trailing blanks removed.
std::string TrimRight(std::string_view text);
std::string_view TrimRightView(std::string_view text);

// n characters from position p; n = -1 means up to the end.
std::string Mid(std::string_view text, long long p, long long n);

// Index of the first occurrence of pattern at or after start, or -1 (also for an empty pattern).
long long FindText(std::string_view text, std::string_view pattern, long long start);

// "a".."z" mapped to "A".."Z"; every other byte unchanged.
std::string UpperCase(std::string_view text);
inline char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Case-insensitive equality by the UpperCase rule.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The character at position i, or NUL at or past the end.
inline char CharAt(std::string_view text, size_t i) {
    return i < text.size() ? text[i] : '\0';
}

}  // namespace rivel
