#pragma once

#include <string>

namespace tolvane {

// A UTF-8 path as the W functions take it. A long path is made absolute and given the
// "\\?\" prefix, which turns off the length limit (and every rewriting of the path, so
// its separators are made backslashes first).
std::wstring win32Path(const std::string& utf8Path);

}  // namespace tolvane
