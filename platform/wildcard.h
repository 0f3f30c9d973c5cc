#pragma once

#include <string_view>

namespace tolvane {

// File-name wildcard matching after the Windows rules: "*" stands for any run of
// characters, "?" for any one character, letters match without regard to case (by
// upperCharacter, the rule the Extension column upper-cases by), and "*.*" (like "*" and
// an empty pattern) matches every name, also one without a dot. A character is one UTF-8
// sequence; bytes that are not valid UTF-8 count one each (text_characters.h).
bool matchesWildcard(std::string_view pattern, std::string_view name);

// True when `pattern` matches every name, so that no matching needs to be done.
bool matchesEveryName(std::string_view pattern);

}  // namespace tolvane
