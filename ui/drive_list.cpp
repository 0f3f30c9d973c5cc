#include "drive_list.h"

#include <sys/stat.h>

#include <cerrno>

#include "folder_path.h"
#include "raised_error.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "Result_Drive";
constexpr std::int32_t kDeviceUnavailable = 68;
constexpr std::int32_t kBadIndex = 381;

// A drive can be used while its mount point is still a folder that can be searched.
int unusableReason(const std::string& mountPoint) {
    struct stat info {};
    if (::stat(mountPoint.c_str(), &info) != 0) {
        return errno;
    }
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

DriveList::DriveList(std::vector<DriveEntry> drives, QWidget* parent)
    : QComboBox(parent), drives_(std::move(drives)) {
    for (const DriveEntry& drive : drives_) {
        addItem(QString::fromStdString(drive.text));
    }
    // Every list starts on the default drive when it has one, without raising Change.
    const int initial = indexOfDrive(kDefaultDrive);
    makeCurrent(initial >= 0 ? initial : (drives_.empty() ? -1 : 0));
    connect(this, &QComboBox::activated, this, &DriveList::userPicked);
}

std::string DriveList::Drive() const {
    return current_ >= 0 ? drives_[static_cast<std::size_t>(current_)].text : std::string();
}

std::string DriveList::mountPoint() const {
    return current_ >= 0 ? drives_[static_cast<std::size_t>(current_)].mountPoint
                         : std::string();
}

void DriveList::setDrive(const std::string& drive) {
    const int index = indexOfDrive(drive);
    if (index < 0) {
        throw RaisedError(kDeviceUnavailable, kSource, "Device unavailable");
    }
    if (const int reason = unusableReason(drives_[static_cast<std::size_t>(index)].mountPoint)) {
        throw RaisedError(kDeviceUnavailable, kSource,
                          "Device unavailable (" + systemDescription(reason) + ")");
    }
    const bool changed = index != current_;
    makeCurrent(index);
    if (changed) {
        emit Change();
    }
}

std::string DriveList::List(int i) const {
    if (i < 0 || i >= static_cast<int>(drives_.size())) {
        throw RaisedError(kBadIndex, kSource, "Invalid property array index");
    }
    return drives_[static_cast<std::size_t>(i)].text;
}

void DriveList::userPicked(int index) {
    if (index == current_) {
        return;
    }
    if (unusableReason(drives_[static_cast<std::size_t>(index)].mountPoint) == 0) {
        current_ = index;
    }
    emit Change();
}

int DriveList::indexOfDrive(const std::string& drive) const {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i].text == drive) {
            return static_cast<int>(i);
        }
    }
    // Not an entry's text: a mount point, with or without a trailing separator.
    const std::string root = drive.empty() ? drive : absoluteFolderPath(drive);
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i].mountPoint == root) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void DriveList::makeCurrent(int index) {
    current_ = index;
    // The highlight follows the current drive, also after a pick that could not be used.
    setCurrentIndex(index);
}

}  // namespace tolvane
