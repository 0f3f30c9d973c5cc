// The listing file's failures on Windows, in the system's own words.
#include <windows.h>

#include <gtest/gtest.h>

#include "output_file_table.h"
#include "support/test_support.h"
#include "win32_error.h"
#include "win32_text.h"

namespace tolvane {
namespace {

TEST(Win32OutputTest, AFileThatCannotBeOpenedIsDescribedByTheSystem) {
    const testing::TemporaryFolder temp;
    const std::string locked = temp.str() + "\\locked.txt";
    // Another program holds the file open and shares it with no one.
    const HANDLE holder = ::CreateFileW(wideFromUtf8(locked).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const struct {
        std::string path;
        DWORD error;
    } cases[] = {
        {locked, ERROR_SHARING_VIOLATION},                        // not "Permission denied"
        {temp.str() + "\\none\\list.txt", ERROR_PATH_NOT_FOUND},  // not "No such file..."
    };
    OutputFileTable files;
    for (const auto& c : cases) {
        try {
            files.openForOutput(1, c.path);
            ADD_FAILURE() << c.path << " opened";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.description(), win32Description(c.error)) << c.path;
        }
    }
    ::CloseHandle(holder);
}

}  // namespace
}  // namespace tolvane
