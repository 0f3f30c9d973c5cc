#include "wildcard.h"

#include "text_characters.h"

namespace tolvane {

namespace {

// The text from `position` on (which is within it), without substr's range check.
std::string_view from(std::string_view text, std::size_t position) {
    return std::string_view(text.data() + position, text.size() - position);
}

// Whether the characters that begin `pattern` and `name` (neither empty) are the same
// letter but for case; on a match, `patternLength` and `nameLength` say what they took.
bool sameCharacter(std::string_view pattern, std::string_view name, std::size_t& patternLength,
                   std::size_t& nameLength) {
    const UpperCharacter left = upperCharacter(pattern);
    const UpperCharacter right = upperCharacter(name);
    patternLength = left.length;
    nameLength = right.length;
    return left.code == right.code;
}

// "*" and "?" over whole characters, nothing more. Greedy matching with one back-track
// point for the last "*": linear in practice and never exponential.
bool matchesCharacters(std::string_view pattern, std::string_view name) {
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
            n += characterLength(from(name, n));
        } else if (p < pattern.size() &&
                   sameCharacter(from(pattern, p), from(name, n), patternLength, nameLength)) {
            p += patternLength;
            n += nameLength;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern;
            starName += characterLength(from(name, starName));
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

bool matchesEveryName(std::string_view pattern) {
    // Blanks alone are no pattern: an empty one stored by the window comes back as " ".
    return pattern.find_first_not_of(' ') == std::string_view::npos || pattern == "*" ||
           pattern == "*.*";
}

bool isFileFilter(std::string_view pattern) {
#ifdef _WIN32
    return pattern.find_first_of("\\/:") == std::string_view::npos;
#else
    return pattern.find('/') == std::string_view::npos;
#endif
}

bool matchesWildcard(std::string_view pattern, std::string_view name) {
    if (matchesEveryName(pattern) || matchesCharacters(pattern, name)) {
        return true;
    }
    // As a Windows folder lists them: "name.*" also matches "name", and a final "." also
    // matches the end of a name without a dot, so "abc." finds "abc" and "*." every name
    // without an extension.
    if (endsWith(pattern, ".*")) {
        return matchesCharacters(pattern.substr(0, pattern.size() - 2), name);
    }
    if (endsWith(pattern, ".") && name.find('.') == std::string_view::npos) {
        return matchesCharacters(pattern.substr(0, pattern.size() - 1), name);
    }
    return false;
}

}  // namespace tolvane
