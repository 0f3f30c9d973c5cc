#include "wildcard.h"

namespace tolvane {

namespace {

char foldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Length of the character that starts at `text[0]`: a whole, valid UTF-8 sequence, or
// one byte.
std::size_t characterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    if (length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

}  // namespace

bool matchesEveryName(std::string_view pattern) {
    return pattern.empty() || pattern == "*" || pattern == "*.*";
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
    if (matchesEveryName(pattern)) {
        return true;
    }
    // Greedy matching with one back-track point for the last "*": linear in practice and
    // never exponential.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name.substr(n));
        } else if (p < pattern.size() && foldAscii(pattern[p]) == foldAscii(name[n])) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern;
            starName += characterLength(name.substr(starName));
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    // "name.*" also matches "name", as a Windows folder lists it.
    if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') {
        return true;
    }
    return p == pattern.size();
}

}  // namespace tolvane
