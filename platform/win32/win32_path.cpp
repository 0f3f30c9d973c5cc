#include "win32_path.h"

#include <windows.h>

#include "win32_text.h"

namespace tolvane {

namespace {

// Longest path the plain Win32 form takes for a folder search (MAX_PATH less room for a
// file name of 8.3 form); anything longer is passed in its "\\?\" form.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring win32Path(const std::string& utf8Path) {
    std::wstring path = wideFromUtf8(utf8Path);
    if (path.size() < kPlainPathLimit || path.rfind(L"\\\\?\\", 0) == 0) {
        return path;
    }
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    // GetFullPathNameW drops a trailing "\" and a trailing "." that a search pattern may
    // not lose; a pattern's last part has no separator, so only a folder path is affected.
    if (isSeparator(path.back()) && !isSeparator(full.back())) {
        full.push_back(L'\\');
    }
    for (wchar_t& c : full) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

}  // namespace tolvane
