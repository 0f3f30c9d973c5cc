#include "drive_list.h"

#include "folder_path.h"
#include "form_view.h"
#include "raised_error.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "Result_Drive";
constexpr std::int32_t kDeviceUnavailable = 68;
constexpr std::int32_t kBadIndex = 381;

}  // namespace

DriveList::DriveList(FormView& view, std::vector<DriveEntry> drives,
                     const std::string& initialDrive)
    : view_(view), drives_(std::move(drives)) {
    std::vector<ListRow> rows;
    for (const DriveEntry& drive : drives_) {
        rows.push_back({drive.text, ""});
    }
    view_.setRows(Control::Result_Drive, rows);
    // Starts without raising Change.
    const int initial = indexOfDrive(initialDrive);
    makeCurrent(initial >= 0 ? initial : (drives_.empty() ? -1 : 0));
}

std::string DriveList::Drive() const {
    return current_ >= 0 ? drives_[static_cast<std::size_t>(current_)].text : std::string();
}

void DriveList::setDrive(const std::string& drive) {
    const int index = indexOfDrive(drive);
    if (index < 0) {
        throw RaisedError(kDeviceUnavailable, kSource, "Device unavailable");
    }
    const std::string problem = folderProblem(drives_[static_cast<std::size_t>(index)].mountPoint);
    if (!problem.empty()) {
        throw RaisedError(kDeviceUnavailable, kSource, "Device unavailable (" + problem + ")");
    }
    const bool changed = index != current_;
    makeCurrent(index);
    if (changed && Change) {
        Change();
    }
}

std::string DriveList::List(int i) const {
    if (i < 0 || i >= ListCount()) {
        throw RaisedError(kBadIndex, kSource, "Invalid property array index");
    }
    return drives_[static_cast<std::size_t>(i)].text;
}

void DriveList::userPicked(int index) {
    if (index < 0 || index >= ListCount() || index == current_) {
        return;
    }
    highlight_ = index;
    if (folderProblem(drives_[static_cast<std::size_t>(index)].mountPoint).empty()) {
        current_ = index;
    }
    if (Change) {
        Change();
    }
}

int DriveList::indexOfDrive(const std::string& drive) const {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i].text == drive) {
            return static_cast<int>(i);
        }
    }
    // Not an entry's text: a drive's root, with or without a trailing separator.
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
    highlight_ = index;
    view_.setHighlight(Control::Result_Drive, index);
}

}  // namespace tolvane
