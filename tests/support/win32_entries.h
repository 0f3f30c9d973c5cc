#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "win32_text.h"

namespace tolvane::testing {

// Makes a folder (a path ending in "\\") or a file of `bytes` bytes (sparse beyond 4 GiB)
// under a UTF-8 name, which std::filesystem would read in the ANSI code page, and gives it
// `attributes` unless they are 0.
inline void makeEntry(const std::string& utf8Path, DWORD attributes = 0, std::int64_t bytes = 0) {
    const std::wstring path = wideFromUtf8(utf8Path);
    if (utf8Path.ends_with("\\")) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << utf8Path;
    } else {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << utf8Path;
        LARGE_INTEGER end{};
        end.QuadPart = bytes;
        EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        CloseHandle(file);
    }
    if (attributes != 0) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << utf8Path;
    }
}

}  // namespace tolvane::testing
