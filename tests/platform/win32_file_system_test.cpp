// The Win32 file system against the real Win32 functions (run under Wine off Windows).

#include "win32_file_system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "file_attributes.h"
#include "support/test_support.h"
#include "support/win32_entries.h"
#include "win32_error.h"
#include "win32_text.h"

namespace tolvane {
namespace {

// Sorted where a test enumerates: entries come in the order the file system keeps them,
// which a test cannot fix.
using testing::enumerate;
using testing::makeEntry;
using testing::raisedBy;
using testing::TemporaryFolder;
using Names = std::vector<std::string>;

class Win32FileSystemTest : public ::testing::Test {
  protected:
    std::string prefix() const { return temp.str() + "\\"; }
    TemporaryFolder temp;
    Win32FileSystem fs;
};

// That both of the walker's masks return hidden and system files and folders is proved
// by win32_listing_test.cpp, through the listing.
TEST_F(Win32FileSystemTest, HiddenAndSystemEntriesNeedTheirBitsInTheMask) {
    temp.file("b.txt");
    makeEntry(prefix() + "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    makeEntry(prefix() + "system.sys", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    makeEntry(prefix() + "readonly.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(enumerate(fs, prefix(), 0, true), (Names{"b.txt", "readonly.txt"}));
    // The pattern is the system's, case-blind; no match is an empty enumeration.
    EXPECT_EQ(enumerate(fs, prefix() + "*.TXT", attribute_mask::kFiles, true),
              (Names{"b.txt", "hidden.txt", "readonly.txt"}));
    EXPECT_TRUE(enumerate(fs, prefix() + "*.xls", attribute_mask::kFiles, true).empty());
    EXPECT_EQ(fs.nextName(), "");
    SetFileAttributesW(wideFromUtf8(prefix() + "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32FileSystemTest, FoldersThatAreReparsePointsAreNeverReturned) {
    // Junctions and folder links cannot be made under every Wine, so the rule is checked
    // on the attribute bits the find data would carry.
    constexpr std::uint32_t kLinkedFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_FALSE(Win32FileSystem::returnedByMask(kLinkedFolder, attribute_mask::kFilesAndFolders));
    EXPECT_TRUE(Win32FileSystem::returnedByMask(FILE_ATTRIBUTE_DIRECTORY,
                                                attribute_mask::kFilesAndFolders));
    // A linked file is a file like any other.
    EXPECT_TRUE(Win32FileSystem::returnedByMask(
        FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE, attribute_mask::kFiles));
}

TEST_F(Win32FileSystemTest, NamesOutsideTheAnsiCodePageAndPathsBeyondMaxPath) {
    const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3.txt";     // αβγ.txt
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC.dat";  // 日本.dat
    makeEntry(prefix() + greek, 0, 4);
    makeEntry(prefix() + japanese, 0, 5);
    EXPECT_EQ(enumerate(fs, prefix(), attribute_mask::kFiles, true), (Names{greek, japanese}));
    EXPECT_EQ(enumerate(fs, prefix() + "*.dat", attribute_mask::kFiles), Names{japanese});

    std::string deep = temp.str();
    for (int i = 0; i < 9; ++i) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryW(wideFromUtf8("\\\\?\\" + deep).c_str(), nullptr));
    }
    ASSERT_GT(deep.size(), static_cast<std::size_t>(MAX_PATH));
    makeEntry("\\\\?\\" + deep + "\\deep.txt", 0, 7);
    EXPECT_EQ(enumerate(fs, deep + "\\", attribute_mask::kFilesAndFolders, true),
              (Names{".", "..", "deep.txt"}));
    EXPECT_EQ(fs.fileAttributes(deep), file_attribute::kFolder);
}

TEST_F(Win32FileSystemTest, FailuresCarryTheSystemsOwnDescription) {
    const std::string missing =
        raisedBy([&] { fs.startEnumeration(prefix() + "missing\\", attribute_mask::kFiles); });
    EXPECT_EQ(missing, "76: " + win32Description(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(missing.find("System error"), std::string::npos);
    EXPECT_NE(missing.back(), '\n');
    EXPECT_EQ(raisedBy([&] { fs.fileAttributes(prefix() + "gone.txt"); }),
              "53: " + win32Description(ERROR_FILE_NOT_FOUND));
    // A failed start leaves no enumeration behind.
    EXPECT_EQ(fs.nextName(), "");
}

}  // namespace
}  // namespace tolvane
