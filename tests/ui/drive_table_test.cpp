#include <gtest/gtest.h>

#include "drive_table.h"

namespace tolvane {
namespace {

std::vector<std::string> mountPointsOf(const std::vector<DriveEntry>& drives) {
    std::vector<std::string> points;
    for (const DriveEntry& drive : drives) {
        points.push_back(drive.mountPoint);
    }
    return points;
}

TEST(DriveTableTest, KeepsOnlyFileSystemsUsersKeepFilesOn) {
    // Mount points that must exist as folders for the drive to count: "/" and "/tmp".
    const std::string table =
        "overlay / overlay rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /dev tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "sysfs /sys sysfs ro 0 0\n"
        "cgroup /sys/fs/cgroup cgroup2 ro 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sda1 /etc/hosts ext4 rw 0 0\n"  // a file bound into a container
        "/dev/sdb1 /no/such/mount ext4 rw 0 0\n"
        "garbage\n";
    const std::vector<DriveEntry> drives = drivesOfMountTable(table);
    EXPECT_EQ(mountPointsOf(drives), (std::vector<std::string>{"/", "/tmp"}));
    EXPECT_EQ(drives[0].text, "/ [overlay]");
    EXPECT_EQ(drives[1].text, "/tmp [tmpfs]");
}

TEST(DriveTableTest, RootIsAlwaysThereAndOctalEscapesAreDecoded) {
    const std::vector<DriveEntry> drives =
        drivesOfMountTable("tmpfs /t\\155p tmpfs rw 0 0\ntmpfs /tmp ext4 rw 0 0\n");
    // "\155" is "m"; the later mount on the same point wins.
    EXPECT_EQ(mountPointsOf(drives), (std::vector<std::string>{"/", "/tmp"}));
    EXPECT_EQ(drives[1].text, "/tmp [ext4]");
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

}  // namespace
}  // namespace tolvane
