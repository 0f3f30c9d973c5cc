#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Text crossing to Windows: the program's text is UTF-8, the W functions take UTF-16,
// and the listing file takes the ANSI code page. A character that the code page cannot hold
// comes out as "?", never as a look-alike letter; bytes that are not valid UTF-8 become
// U+FFFD.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
std::string ansiFromUtf8(std::string_view text);
std::string utf8FromAnsi(std::string_view text);

// Appends the ANSI form of `text` to `out`. Pure ASCII, which every ANSI code page holds
// unchanged, is copied without a conversion.
void appendAnsiFromUtf8(std::string_view text, std::string& out);

}  // namespace tolvane
