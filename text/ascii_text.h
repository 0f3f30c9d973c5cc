#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Upper-casing of the ASCII letters only. Names, switches and keys are compared this way
// on every system, whatever the user's locale: other bytes, the parts of UTF-8 characters
// among them, stay as they are.
inline char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = asciiUpper(c);
    }
    return upper;
}

}  // namespace tolvane
