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

TEST(DriveTableTest, KeepsOnlyFileSystemsUsersKeepFilesOn) {
    // Of these, only "/" and "/tmp" are folders users keep files in.
    const std::string table =
        "overlay / overlay rw 0 0\nproc /proc proc rw 0 0\ntmpfs /dev tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\nsysfs /sys sysfs ro 0 0\n"
        "cgroup /sys/fs/cgroup cgroup2 ro 0 0\ntmpfs /run tmpfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sda1 /etc/hosts ext4 rw 0 0\n"  // a file bound into a container
        "/dev/sdb1 /no/such/mount ext4 rw 0 0\ngarbage\n";
    EXPECT_EQ(entries(drivesOfMountTable(table)),
              (std::vector<std::string>{"/=/ [overlay]", "/tmp=/tmp [tmpfs]"}));
    // "/" is always there; "\155" is "m"; the later mount on the same point wins.
    const std::string escaped = "tmpfs /t\\155p tmpfs rw 0 0\ntmpfs /tmp ext4 rw 0 0\n";
    EXPECT_EQ(entries(drivesOfMountTable(escaped)),
              (std::vector<std::string>{"/=/ [root]", "/tmp=/tmp [ext4]"}));
}

TEST(DriveTableTest, PathBelongsToTheDeepestMountPoint) {
    const std::vector<DriveEntry> drives = {
        {"/", "/ [a]"}, {"/home", "/home [b]"}, {"/home/user/disk", "/home/user/disk [c]"}};
    EXPECT_EQ(driveIndexOf(drives, "/etc"), 0);
    EXPECT_EQ(driveIndexOf(drives, "/home"), 1);
    EXPECT_EQ(driveIndexOf(drives, "/homework"), 0);
    EXPECT_EQ(driveIndexOf(drives, "/home/user/disk/x"), 2);
    EXPECT_EQ(driveIndexOf({{"/home", "/home [b]"}}, "/etc"), -1);
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
