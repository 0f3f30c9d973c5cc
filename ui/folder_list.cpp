#include "folder_list.h"

#include <sys/stat.h>

#include <QFile>
#include <cerrno>

#include "file_attributes.h"
#include "file_system.h"
#include "folder_path.h"
#include "path_separator.h"
#include "raised_error.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "Result_Dir";
constexpr int kPathRole = Qt::UserRole;
constexpr std::int32_t kBadIndex = 381;

QString displayName(const std::string& path) {
    const std::size_t last = path.rfind(kPathSeparator);
    const std::string name =
        (last == std::string::npos || path.size() == 1) ? path : path.substr(last + 1);
    return QFile::decodeName(QByteArray::fromStdString(name));
}

}  // namespace

FolderList::FolderList(const std::vector<DriveEntry>& drives, FileSystem& fileSystem,
                       QWidget* parent)
    : QListWidget(parent), drives_(drives), fileSystem_(fileSystem) {
    const std::string working = absoluteFolderPath(".");
    const int drive = driveIndexOf(drives_, working);
    if (drive >= 0) {
        currentFolderOfDrive_[drives_[static_cast<std::size_t>(drive)].mountPoint] = working;
    }
}

void FolderList::setPath(const std::string& path) {
    const std::string folder = resolve(path);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        throw RaisedError(error_number::kPathNotFound, kSource, systemDescription(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        throw RaisedError(error_number::kPathNotFound, kSource, systemDescription(ENOTDIR));
    }
    const bool changed = folder != path_;
    fill(folder);
    path_ = folder;
    const int drive = driveIndexOf(drives_, folder);
    if (drive >= 0) {
        currentFolderOfDrive_[drives_[static_cast<std::size_t>(drive)].mountPoint] = folder;
    }
    if (changed) {
        emit Change();
    }
}

std::string FolderList::List(int i) const {
    if (i < 0 || i >= count()) {
        throw RaisedError(kBadIndex, kSource, "Invalid property array index");
    }
    return item(i)->data(kPathRole).toByteArray().toStdString();
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
    std::vector<std::string> subfolders = subfoldersOf(folder);
    clear();
    // The ancestors, the root first.
    std::vector<std::string> chain{folder};
    while (chain.back().size() > 1) {
        const std::size_t last = chain.back().rfind(kPathSeparator);
        chain.push_back(last == 0 ? std::string(1, kPathSeparator) : chain.back().substr(0, last));
    }
    int depth = 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        addEntry(*it, depth++);
    }
    setCurrentRow(depth - 1);
    for (const std::string& subfolder : subfolders) {
        addEntry(subfolder, depth);
    }
}

std::vector<std::string> FolderList::subfoldersOf(const std::string& folder) {
    std::vector<std::string> subfolders;
    const std::string prefix = folderPrefix(folder);
    try {
        for (std::string name = fileSystem_.startEnumeration(prefix + "*", attribute_mask::kFilesAndFolders);
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

void FolderList::addEntry(const std::string& path, int depth) {
    auto* entry = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + displayName(path), this);
    entry->setData(kPathRole, QByteArray::fromStdString(path));
    entry->setToolTip(QFile::decodeName(QByteArray::fromStdString(path)));
}

}  // namespace tolvane
