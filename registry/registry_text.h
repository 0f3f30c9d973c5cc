#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// Text crossing to and from the registry. The program's text is UTF-8; the registry's A
// functions take the ANSI code page on Windows. The store off Windows keeps the UTF-8
// bytes as they are, so there the 8-bit form is the text itself.
std::string registryTextFrom(std::string_view text);
std::string textFromRegistry(std::string_view registryText);

}  // namespace tolvane
