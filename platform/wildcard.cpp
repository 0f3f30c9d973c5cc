#include "wildcard.h"

#include "text_characters.h"

namespace tolvane {

namespace {

// Whether the characters that begin `pattern` and `name` (neither empty) are the same
// letter but for case; on a match, `patternLength` and `nameLength` say what they took.
bool sameCharacter(std::string_view pattern, std::string_view name, std::size_t& patternLength,
                   std::size_t& nameLength) {
    const auto p = static_cast<unsigned char>(pattern[0]);
    const auto n = static_cast<unsigned char>(name[0]);
    if (p < 0x80 && n < 0x80) {  // the common case, without decoding
        const auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
        patternLength = nameLength = 1;
        return fold(p) == fold(n);
    }
    const UpperCharacter left = upperCharacter(pattern);
    const UpperCharacter right = upperCharacter(name);
    patternLength = left.length;
    nameLength = right.length;
    return left.code == right.code;
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
    // never exponential. Both texts advance by whole characters.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    std::size_t patternLength = 0;
    std::size_t nameLength = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name.substr(n));
        } else if (p < pattern.size() &&
                   sameCharacter(pattern.substr(p), name.substr(n), patternLength, nameLength)) {
            p += patternLength;
            n += nameLength;
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
