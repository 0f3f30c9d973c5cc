#include "drive_table.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "folder_path.h"

namespace tolvane {

namespace {

// File systems that hold no user files: the kernel's views and the system's plumbing.
const std::set<std::string> kPseudoTypes = {
    "autofs",    "binfmt_misc", "bpf",      "cgroup",          "cgroup2",     "configfs",
    "debugfs",   "devpts",      "devtmpfs", "efivarfs",        "fusectl",     "hugetlbfs",
    "mqueue",    "nsfs",        "proc",     "pstore",          "rpc_pipefs",  "securityfs",
    "selinuxfs", "sysfs",       "tracefs",  "fuse.gvfsd-fuse", "fuse.portal", "ramfs",
};

// Trees the system mounts for itself; a user's own media under /run/media stay in.
bool isSystemMountPoint(const std::string& mountPoint) {
    for (const char* tree : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi"}) {
        if (isInsideFolder(mountPoint, tree)) {
            return !isInsideFolder(mountPoint, "/run/media");
        }
    }
    return false;
}

// The mount table writes a blank, TAB, line feed and backslash as three octal digits.
std::string decodeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool escaped = field[i] == '\\' && i + 3 < field.size() &&
                             std::all_of(field.begin() + static_cast<long>(i) + 1,
                                         field.begin() + static_cast<long>(i) + 4,
                                         [](char c) { return c >= '0' && c <= '7'; });
        if (escaped) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace

std::vector<DriveEntry> drivesOfMountTable(const std::string& mountTable) {
    std::map<std::string, std::string> typeByMountPoint;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) {
            continue;
        }
        mountPoint = decodeMountField(mountPoint);
        if (mountPoint.empty() || mountPoint[0] != '/' || kPseudoTypes.count(type) != 0 ||
            isSystemMountPoint(mountPoint)) {
            continue;
        }
        // A later mount on the same point hides the earlier one.
        typeByMountPoint[mountPoint] = type;
    }
    if (typeByMountPoint.count("/") == 0) {
        typeByMountPoint["/"] = "root";
    }

    std::vector<DriveEntry> drives;
    for (const auto& [mountPoint, type] : typeByMountPoint) {
        // A bind mount of a single file (containers mount /etc/hosts so) is no drive.
        if (mountPoint != "/" && !folderProblem(mountPoint).empty()) {
            continue;
        }
        drives.push_back({mountPoint, mountPoint + " [" + type + "]"});
    }
    return drives;
}

#ifndef _WIN32
std::vector<DriveEntry> mountedDrives() {
    std::ifstream file("/proc/self/mounts");
    std::stringstream text;
    text << file.rdbuf();
    return drivesOfMountTable(text.str());
}
#endif

int driveIndexOf(const std::vector<DriveEntry>& drives, const std::string& absolutePath) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (isInsideFolder(absolutePath, drives[i].mountPoint) &&
            (best < 0 || drives[i].mountPoint.size() > drives[best].mountPoint.size())) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace tolvane
