// The engine over real folders on Windows: Win32 paths, attribute letters set with
// SetFileAttributesW, hidden and system folders, names in the ANSI code page and the root
// of drive C:.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "listing_fakes.h"
#include "reading_failure.h"
#include "support/win32_entries.h"
#include "win32_calls.h"
#include "win32_text.h"

namespace tolvane {
namespace {

using testing::makeEntry;

class Win32ListingTest : public testing::TreeListingTest {
  protected:
    Win32ListingTest() {
        // The listing goes under a name outside the ANSI code page (αβγ), its text in it.
        fields.SaveFilename = output.str() + "\\\xCE\xB1\xCE\xB2\xCE\xB3-Tolvane.Txt";
    }
    // Read-only entries would outlive the temporary folder.
    ~Win32ListingTest() override {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.path())) {
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }

    // Each line's "directory|name|attribute letters", the header left out, as UTF-8.
    std::vector<std::string> lines() {
        return testing::directoryAndNames(utf8FromAnsi(listing()), 0, true);
    }
};

TEST_F(Win32ListingTest, HiddenAndSystemEntriesAreListedAndEnteredWithTheirLettersInAnsi) {
    const std::string t = tree.str();
    const std::string german = "Gr\u00FC\u00DFe.txt";
    makeEntry(t + "\\plain.txt", FILE_ATTRIBUTE_ARCHIVE, 5'000'000'123);  // sparse, beyond 4 GiB
    testing::setLocalModified(t + "\\plain.txt", DateTime{2004, 6, 14, 9, 5, 27});
    makeEntry(t + "\\hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    makeEntry(t + "\\all.sys", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    makeEntry(t + "\\Secret\\", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    makeEntry(t + "\\Secret\\inside.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    makeEntry(t + "\\Secret\\Deeper\\", FILE_ATTRIBUTE_HIDDEN);
    makeEntry(t + "\\Secret\\Deeper\\" + german, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    const std::string listed = utf8FromAnsi(listing());
    // The size and the local time from the folder's search, the milliseconds dropped.
    EXPECT_NE(listed.find("\r\nplain.txt\tTXT\t5000000123\t14-06-2004 09:05:27\t" + t + "\tA\t"),
              std::string::npos)
        << listed;
    std::vector<std::string> result = testing::directoryAndNames(listed, 0, true);
    ASSERT_EQ(result.size(), 5u);
    // A folder's own files come first (in the file system's order), then its subfolders.
    std::sort(result.begin(), result.begin() + 3);
    EXPECT_EQ(result, (std::vector<std::string>{
                          t + "|all.sys|AHRS", t + "|hidden.txt|AH", t + "|plain.txt|A",
                          t + "\\Secret|inside.txt|AS",
                          t + "\\Secret\\Deeper|" + utf8FromAnsi(ansiFromUtf8(german)) + "|AR"}));
    EXPECT_EQ(window.progress, "Directory contenst stored in: " + fields.SaveFilename);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(Win32ListingTest, TheRootOfDriveCKeepsItsOneBackslash) {
    // A file and a folder of our own directly in C:\, found by a pattern that nothing
    // else in the root matches.
    const std::string tag = "tolvane-root-" + std::to_string(GetCurrentProcessId());
    const std::string folder = "C:\\" + tag;
    makeEntry(folder + ".txt");
    makeEntry(folder + "\\");
    makeEntry(folder + "\\" + tag + "-inner.txt");
    window.folder = "C:\\";
    fields.RecurseSubdirectories = false;
    fields.UseFileFilter = true;
    fields.FileFilter = tag + "*";

    const std::vector<std::string> flat = lines();
    fields.RecurseSubdirectories = true;
    const std::vector<std::string> deep = lines();
    DeleteFileW(wideFromUtf8(folder + "\\" + tag + "-inner.txt").c_str());
    RemoveDirectoryW(wideFromUtf8(folder).c_str());
    DeleteFileW(wideFromUtf8(folder + ".txt").c_str());

    const std::string inRoot = "C:\\|" + tag + ".txt|A";  // Wine marks new files for archiving
    EXPECT_EQ(flat, std::vector<std::string>{inRoot});
    EXPECT_EQ(deep, (std::vector<std::string>{inRoot, folder + "|" + tag + "-inner.txt|A"}));
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "progress " + folder), 1)
        << "the root's subfolder was not shown as " << folder;
}

// The searches of folder C fail at once; those of folder H after their first entry, as on
// a share whose connection drops.
HANDLE brokenSearch = nullptr;
HANDLE WINAPI findFirstFailingSome(LPCWSTR name, FINDEX_INFO_LEVELS level, LPVOID data,
                                   FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    const std::wstring pattern = name;
    if (pattern.ends_with(L"\\C\\*")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = systemWin32Calls().findFirstFileEx(name, level, data, search, filter, flags);
    if (pattern.ends_with(L"\\H\\*") || handle == brokenSearch) {
        brokenSearch = pattern.ends_with(L"\\H\\*") ? handle : nullptr;  // handles are reused
    }
    return handle;
}
BOOL WINAPI findNextFailingSome(HANDLE find, LPWIN32_FIND_DATAW data) {
    if (find == brokenSearch) {
        SetLastError(ERROR_NETNAME_DELETED);
        return FALSE;
    }
    return systemWin32Calls().findNextFile(find, data);
}

// A failure loses only what could not be read: each is reported, and the walk goes on
// with the next folder.
TEST_F(Win32ListingTest, AFolderThatCannotBeReadLosesOnlyItself) {
    const std::string t = tree.str();
    makeEntry(t + "\\a.txt");
    for (const char* folder : {"B", "C", "D", "H"}) {
        makeEntry(t + "\\" + folder + "\\");
        makeEntry(t + "\\" + folder + "\\" + char(std::tolower(folder[0])) + ".txt");
    }
    win32Calls().findFirstFileEx = &findFirstFailingSome;
    win32Calls().findNextFile = &findNextFailingSome;
    std::vector<std::string> result = lines();
    win32Calls() = systemWin32Calls();
    std::sort(result.begin(), result.end());  // in the file system's order
    EXPECT_EQ(result,
              (std::vector<std::string>{t + "\\B|b.txt|A", t + "\\D|d.txt|A", t + "|a.txt|A"}));
    std::vector<std::string> texts = messages(false);
    std::sort(texts.begin(), texts.end());
    const std::string failed = "Error has occured in subroutine: ListDirectory,\r";
    EXPECT_EQ(texts, (std::vector<std::string>{
                         failed + "during reading directory contents: " + t +
                             "\\H\\\rError: " + readingFailure(ERROR_NETNAME_DELETED).description(),
                         failed + "during recursing to subdirectory: " + t +
                             "\\C\rError: " + readingFailure(ERROR_ACCESS_DENIED).description()}));
}

}  // namespace
}  // namespace tolvane
