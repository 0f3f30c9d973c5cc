// The window's helpers that need no window: the drive table, SplitFilename, and the text
// the Qt dialogs are given.
#include <gtest/gtest.h>

#include "drive_table.h"
#include "qt_dialogs.h"
#include "raised_error.h"
#include "split_filename.h"

namespace tolvane {
namespace {

// Each drive as its mount point, "=", and its text.
std::vector<std::string> entries(const std::vector<DriveEntry>& drives) {
    std::vector<std::string> found;
    for (const DriveEntry& drive : drives) {
        found.push_back(drive.mountPoint + "=" + drive.text);
    }
    return found;
}

TEST(DriveTableTest, KeepsOnlyFileSystemsUsersKeepFilesOnAndAPathGoesToItsDeepestMount) {
    const std::vector<DriveEntry> drives = drivesOfMountTable(
        "sysfs / sysfs rw 0 0\n"               // a pseudo file system, even on "/"
        "tmpfs /dev tmpfs rw 0 0\n"            // the system's own tree
        "/dev/sda1 /etc/hosts ext4 rw 0 0\n"   // a file bound into a container
        "/dev/sdb1 /no/such/mount ext4 rw 0 0\ngarbage\n"
        "tmpfs /tmp ext4 rw 0 0\ntmpfs /t\\155p tmpfs rw 0 0\n");  // "\155" is "m"
    // "/" is always there; the later mount on the same point wins.
    EXPECT_EQ(entries(drives), (std::vector<std::string>{"/=/ [root]", "/tmp=/tmp [tmpfs]"}));
    EXPECT_EQ(driveIndexOf(drives, "/tmp/x"), 1);
    EXPECT_EQ(driveIndexOf(drives, "/tmpfiles"), 0);  // not below /tmp
}

TEST(SplitFilenameTest, SplitsAtTheLastSeparator) {
    // The file name, then its folder and name parts.
    const char* const cases[][3] = {
        {"/data/more/list.txt", "/data/more", "list.txt"},
        {"list.txt", ".", "list.txt"},  // no separator: the current folder
        {"/list.txt", "", "list.txt"},  // the folder part never keeps the separator
        {"/data/", "/data", ""},
        {"", ".", ""},
        {"C:\\Data\\list.txt", ".", "C:\\Data\\list.txt"},  // "\" is no separator here
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFilename(c[0], true), c[1]) << c[0];
        EXPECT_EQ(SplitFilename(c[0], false), c[2]) << c[0];
    }
}

TEST(SplitFilenameTest, SeparatorPositionMustFitSixteenBits) {
    // Position 32,766 (counted from 1) still fits with the position after it.
    const std::string fits = std::string(32765, 'a') + "/x";
    EXPECT_EQ(SplitFilename(fits, false), "x");
    EXPECT_EQ(SplitFilename(fits, true).size(), 32765u);
    try {
        SplitFilename("a" + fits, true);
        FAIL() << "no overflow";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), error_number::kOverflow);
    }
    // Only the separator's position counts, not the name's length.
    EXPECT_EQ(SplitFilename("/d/" + std::string(40000, 'n'), true), "/d");
}

TEST(QtDialogsTest, LineBreaksAndNameFiltersInQtsForm) {
    EXPECT_EQ(qtMessageText("one\rtwo\r\rfour\r\nfive"), QStringLiteral("one\ntwo\n\nfour\nfive"));
    EXPECT_EQ(qtNameFilters("TXT file (*.txt)|*.txt|All files (*.*)|*.*"),
              (QStringList{QStringLiteral("TXT file (*.txt)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(qtNameFilters("Lists|*.txt;*.tsv"),
              QStringList{QStringLiteral("Lists (*.txt *.tsv)")});
    EXPECT_TRUE(qtNameFilters("").isEmpty());
}

}  // namespace
}  // namespace tolvane
