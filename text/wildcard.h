#pragma once

#include <string_view>

namespace tolvane {

// File-name wildcard matching after the Windows rules: "*" stands for any run of
// characters, "?" for any one character, letters match without regard to case (by
// upperCharacter, the rule the Extension column upper-cases by), and "*.*" (like "*" and
// an empty or blank pattern) matches every name, also one without a dot; "name.*" also matches
// "name", and a final "." matches the end of a name without a dot ("*." finds the names
// without an extension). A character is one UTF-8 sequence; bytes that are not valid
// UTF-8 count one each (text_characters.h).
bool matchesWildcard(std::string_view pattern, std::string_view name);

// True when `pattern` matches every name, so that no matching needs to be done: "*",
// "*.*", or no pattern at all, which is also one of blanks only.
bool matchesEveryName(std::string_view pattern);

// A file filter names files of the folder being listed, so it may not hold a path
// separator (on Windows "\", "/" or ":", which name another folder, a drive or a
// stream): with one, "../*" would pair the parent's names with this folder's data. The
// window refuses such a pattern, a stored one is not applied, and a run refuses it.
bool isFileFilter(std::string_view pattern);

// The reason given where a pattern is refused.
#ifdef _WIN32
inline constexpr char kFileFilterRule[] =
    "A file filter names files only: it may not hold \"\\\", \"/\" or \":\".";
#else
inline constexpr char kFileFilterRule[] = "A file filter names files only: it may not hold \"/\".";
#endif

}  // namespace tolvane
