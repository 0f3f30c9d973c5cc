#include "folder_list.h"

#include "ascii_text.h"
#include "failure_report.h"
#include "file_attributes.h"
#include "file_system.h"
#include "folder_path.h"
#include "form_view.h"
#include "path_separator.h"
#include "raised_error.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "Result_Dir";
constexpr std::int32_t kBadIndex = 381;

// A pause longer than this starts a new type-ahead search. A second lets a user type the
// first letters of a name at an ordinary pace, about what the systems' own lists allow.
constexpr std::uint32_t kTypeAheadPause = 1000;

// A root shows its full path, any other folder its own name.
std::string displayName(const std::string& path) {
    const std::size_t last = path.rfind(kPathSeparator);
    return (last == std::string::npos || last + 1 == path.size()) ? path : path.substr(last + 1);
}

}  // namespace

FolderList::FolderList(FormView& view, const std::vector<DriveEntry>& drives,
                       FileSystem& fileSystem)
    : view_(view), drives_(drives), fileSystem_(fileSystem) {
    const std::string working = absoluteFolderPath(".");
    const int drive = driveIndexOf(drives_, working);
    if (drive >= 0) {
        currentFolderOfDrive_[drives_[static_cast<std::size_t>(drive)].mountPoint] = working;
    }
}

void FolderList::setPath(const std::string& path) {
    const std::string folder = resolve(path);
    const std::string problem = folderProblem(folder);
    if (!problem.empty()) {
        // The failure may reach the last-resort box, which shows nothing else of where.
        throw RaisedError(error_number::kPathNotFound, kSource, namingPath(problem, folder));
    }
    const bool changed = folder != path_;
    fill(folder);
    path_ = folder;
    const int drive = driveIndexOf(drives_, folder);
    if (drive >= 0) {
        currentFolderOfDrive_[drives_[static_cast<std::size_t>(drive)].mountPoint] = folder;
    }
    if (changed && Change) {
        Change();
    }
}

void FolderList::refresh() {
    if (path_.empty()) {
        return;
    }
    std::string folder = path_;
    while (!folderProblem(folder).empty() && parentFolder(folder) != folder) {
        folder = parentFolder(folder);
    }
    if (folder == path_) {
        fill(path_);
    } else {
        setPath(folder);
    }
}

std::string FolderList::List(int i) const {
    if (i < 0 || i >= ListCount()) {
        throw RaisedError(kBadIndex, kSource, "Invalid property array index");
    }
    return entries_[static_cast<std::size_t>(i)];
}

int FolderList::typeAheadRow(const std::string& typed, std::uint32_t time) {
    if (typed.empty()) {
        return -1;
    }
    // Unsigned arithmetic: the difference is right across the clock's wrap too.
    const bool goesOn = !sought_.empty() && time - soughtAt_ <= kTypeAheadPause;
    soughtAt_ = time;
    sought_ = goesOn ? sought_ + typed : typed;
    // One letter, a new search or the same letter again, steps on below the highlight; a
    // longer prefix may still fit the highlighted row, which then keeps it.
    bool oneLetter = sought_.size() % typed.size() == 0;
    for (std::size_t at = 0; oneLetter && at < sought_.size(); at += typed.size()) {
        oneLetter = sought_.compare(at, typed.size(), typed) == 0;
    }
    const std::string wanted = asciiUpper(oneLetter ? typed : sought_);
    const int count = ListCount();
    const int start = highlight_ < 0 ? 0 : highlight_ + (oneLetter ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        const std::string name = displayName(entries_[static_cast<std::size_t>(row)]);
        if (asciiUpper(name).rfind(wanted, 0) == 0) {
            return row;
        }
    }
    return -1;
}

std::string FolderList::resolve(const std::string& path) const {
    for (const DriveEntry& drive : drives_) {
        if (drive.text == path) {
            auto known = currentFolderOfDrive_.find(drive.mountPoint);
            return known != currentFolderOfDrive_.end() ? known->second : drive.mountPoint;
        }
    }
    return absoluteFolderPath(path);
}

void FolderList::fill(const std::string& folder) {
    const std::vector<std::string> subfolders = subfoldersOf(folder);
    // The ancestors, the root first.
    std::vector<std::string> chain{folder};
    for (std::string parent = parentFolder(folder); parent != chain.back();
         parent = parentFolder(parent)) {
        chain.push_back(parent);
    }
    entries_.assign(chain.rbegin(), chain.rend());
    const std::size_t depth = entries_.size();
    entries_.insert(entries_.end(), subfolders.begin(), subfolders.end());

    std::vector<ListRow> rows;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::size_t indent = 2 * (i < depth ? i : depth);
        rows.push_back({std::string(indent, ' ') + displayName(entries_[i]), entries_[i]});
    }
    view_.setRows(Control::Result_Dir, rows);
    sought_.clear();
    highlight_ = static_cast<int>(depth) - 1;
    view_.setHighlight(Control::Result_Dir, highlight_);
}

std::vector<std::string> FolderList::subfoldersOf(const std::string& folder) {
    std::vector<std::string> subfolders;
    const std::string prefix = folderPrefix(folder);
    try {
        for (std::string name =
                 fileSystem_.startEnumeration(prefix + "*", attribute_mask::kFilesAndFolders);
             !name.empty(); name = fileSystem_.nextName()) {
            if (name == "." || name == "..") {
                continue;
            }
            const std::string full = prefix + name;
            if ((fileSystem_.fileAttributes(full) & file_attribute::kFolder) != 0) {
                subfolders.push_back(full);
            }
        }
    } catch (const RaisedError&) {
        // A folder that can be entered but not read shows no subfolders; the file list,
        // which must read it, reports the failure.
    }
    return subfolders;
}

}  // namespace tolvane
