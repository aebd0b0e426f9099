// Plain text operations.
#include "text/strings.h"

namespace rivel {

std::string TrimLeft(std::string_view text) {
    size_t i = 0;
    // Never remove the last character: an all-blank text keeps one blank.
    while (i + 1 < text.size() && IsBlank(text[i])) {
        ++i;
    }
    return std::string(text.substr(i));
}

std::string_view TrimRightView(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) {
        --n;
    }
    return text.substr(0, n);
}

std::string TrimRight(std::string_view text) {
    return std::string(TrimRightView(text));
}

std::string_view TrimmedView(std::string_view text) {
    size_t i = 0;
    while (i + 1 < text.size() && IsBlank(text[i])) {
        ++i;
    }
    size_t n = text.size();
    while (n > i + 1 && IsBlank(text[n - 1])) {
        --n;
    }
    return text.substr(i, n - i);
}

std::string Trim(std::string_view text) {
    return std::string(TrimmedView(text));
}

DecimalText SplitDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    DecimalText number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number.negative = text[i] == '-';
        ++i;
    }
    size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    number.digits = text.substr(i, end - i);
    return number;
}

void TrimInPlace(std::string& text) {
    const std::string_view kept = TrimmedView(text);
    const size_t i = static_cast<size_t>(kept.data() - text.data());
    text.erase(i + kept.size());
    text.erase(0, i);
}

std::string Mid(std::string_view text, long long p, long long n) {
    if (p < 0 || static_cast<unsigned long long>(p) >= text.size()) {
        return "";
    }
    if (n == -1) {
        return std::string(text.substr(static_cast<size_t>(p)));
    }
    if (n <= 0) {
        return "";
    }
    return std::string(text.substr(static_cast<size_t>(p), static_cast<size_t>(n)));
}

long long FindText(std::string_view text, std::string_view pattern, long long start) {
    if (pattern.empty() || start < 0 || static_cast<unsigned long long>(start) >= text.size()) {
        return -1;
    }
    size_t found = text.find(pattern, static_cast<size_t>(start));
    return found == std::string_view::npos ? -1 : static_cast<long long>(found);
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = UpperChar(c);
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace rivel
