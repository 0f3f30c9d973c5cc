#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "date_time.h"
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

// Sets the last write time of a file to a local date and time, with milliseconds that the
// listing drops.
inline void setLocalModified(const std::string& utf8Path, const DateTime& t) {
    const auto w = [](int value) { return static_cast<WORD>(value); };
    const SYSTEMTIME local{w(t.year), w(t.month),  0,           w(t.day),
                           w(t.hour), w(t.minute), w(t.second), 789};
    SYSTEMTIME utc{};
    FILETIME stamp{};
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &stamp));
    HANDLE file = CreateFileW(wideFromUtf8(utf8Path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
    CloseHandle(file);
}

}  // namespace tolvane::testing
