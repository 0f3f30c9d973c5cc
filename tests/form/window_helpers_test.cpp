// The window's helpers that need no window: the drive table, SplitFilename and the
// status line's elision.
#include <gtest/gtest.h>

#include <tuple>

#include "drive_table.h"
#include "elided_text.h"
#include "path_separator.h"
#include "split_filename.h"
#include "support/test_support.h"

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

#ifndef _WIN32
TEST(DriveTableTest, KeepsOnlyFileSystemsUsersKeepFilesOnAndAPathGoesToItsDeepestMount) {
    const std::vector<DriveEntry> drives = drivesOfMountTable(
        "sysfs / sysfs rw 0 0\n"              // a pseudo file system, even on "/"
        "tmpfs /dev tmpfs rw 0 0\n"           // the system's own tree
        "/dev/sda1 /etc/hosts ext4 rw 0 0\n"  // a file bound into a container
        "/dev/sdb1 /no/such/mount ext4 rw 0 0\ngarbage\n"
        "tmpfs /tmp ext4 rw 0 0\ntmpfs /t\\155p tmpfs rw 0 0\n");  // "\155" is "m"
    // "/" is always there; the later mount on the same point wins.
    EXPECT_EQ(entries(drives), (std::vector<std::string>{"/=/ [root]", "/tmp=/tmp [tmpfs]"}));
    EXPECT_EQ(driveIndexOf(drives, "/tmp/x"), 1);
    EXPECT_EQ(driveIndexOf(drives, "/tmpfiles"), 0);  // not below /tmp
}
#else
TEST(DriveTableTest, DriveLettersInTheListsFormAndAPathGoesToItsDrive) {
    const std::vector<DriveEntry> drives = mountedDrives();
    const std::vector<std::string> found = entries(drives);
    ASSERT_FALSE(found.empty());
    // The root, "=", the letter in lower case and its colon, then the label if any.
    EXPECT_EQ(found[0].substr(3, 4), "=" + std::string(1, found[0][0] - 'A' + 'a') + ":");
    EXPECT_EQ(driveIndexOf(drives, found[0].substr(0, 3) + "x"), 0);
}
#endif

TEST(SplitFilenameTest, SplitsAtTheLastSeparatorWhosePositionMustFitSixteenBits) {
    const std::string s(1, kPathSeparator);
    // The file name, then its folder and name parts.
    const std::string cases[][3] = {
        {s + "data" + s + "more" + s + "list.txt", s + "data" + s + "more", "list.txt"},
        {"list.txt", ".", "list.txt"},     // no separator: the current folder
        {s + "list.txt", "", "list.txt"},  // the folder part never keeps the separator
        {s + "data" + s, s + "data", ""},
        {"", ".", ""},
#ifndef _WIN32
        {"C:\\Data\\list.txt", ".", "C:\\Data\\list.txt"},  // "\" is no separator here
#else
        {"C:\\list.txt", "C:", "list.txt"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFilename(c[0], true), c[1]) << c[0];
        EXPECT_EQ(SplitFilename(c[0], false), c[2]) << c[0];
    }
    // The separator's position must fit 16 bits: position 32,766 (counted from 1) still
    // fits with the position after it. Only the separator's position counts.
    const std::string fits = std::string(32765, 'a') + s + "x";
    EXPECT_EQ(SplitFilename(fits, false), "x");
    EXPECT_EQ(SplitFilename(fits, true).size(), 32765u);
    EXPECT_EQ(testing::raisedBy([&] { SplitFilename("a" + fits, true); }).rfind("6: ", 0), 0u);
    EXPECT_EQ(SplitFilename(s + "d" + s + std::string(40000, 'n'), true), s + "d");
}

TEST(ElidedTextTest, ALongPathLosesItsMiddleAndKeepsItsEnd) {
    const std::string s(1, kPathSeparator);
    const std::string stored = "Directory contenst stored in: " + s + "lists" + s + "inventory.txt";
    const std::string e = "\xC3\xA9";  // one character in two bytes
    // Text, the width that fits (one byte, one unit), what is shown.
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {stored, stored.size(), stored},
        {stored, 30, "Directory con..." + s + "inventory.txt"},
        {stored, 12, "...ntory.txt"},  // the end alone is too wide: its last characters
        {e + e + e + s + "n.txt", 11, e + "..." + s + "n.txt"},
        {e + e + e + s + "n.txt", 10, "..." + s + "n.txt"},  // never half a character
    };
    for (const auto& [text, width, shown] : cases) {
        EXPECT_EQ(elidedInMiddle(
                      text, [width = width](const std::string& t) { return t.size() <= width; }),
                  shown)
            << text << " in " << width;
    }
}

}  // namespace
}  // namespace tolvane
