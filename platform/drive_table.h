#pragma once

#include <string>
#include <vector>

namespace tolvane {

// One entry of the drive list: a drive letter on Windows ("C:\", shown as "c: [System]"),
// a mounted file system a user keeps files on elsewhere. On Linux its text begins with the
// mount point and names the file system's type, so that it never reads like a plain
// folder path ("/home [ext4]").
struct DriveEntry {
    std::string mountPoint;
    std::string text;
};

// The drives of a mount table in the format of /proc/self/mounts: pseudo file systems
// (proc, sysfs, cgroup, devpts, ...) and the system's own run-time mounts are left out,
// a mount point mounted twice counts once, and "/" is always there. Sorted by mount point.
std::vector<DriveEntry> drivesOfMountTable(const std::string& mountTable);

// The drives of the running system: the drive letters on Windows, the drives of
// /proc/self/mounts elsewhere.
std::vector<DriveEntry> mountedDrives();

// The index of the drive that holds `absolutePath` (the longest mount point containing
// it), or -1 when none does.
int driveIndexOf(const std::vector<DriveEntry>& drives, const std::string& absolutePath);

}  // namespace tolvane
