#include "directory_walker.h"

#include <vector>

#include "date_time_text.h"
#include "file_attributes.h"
#include "file_system.h"
#include "listing_line.h"
#include "path_separator.h"
#include "raised_error.h"
#include "walker_host.h"
#include "wildcard.h"
#include "write_failure.h"

namespace tolvane {

namespace {

constexpr char kMessageTitle[] = "Error in ListDirectory";

// An entry whose name ends in ".sys", compared exactly, may fail its queries: such system
// files are passed over in silence.
bool isQuietlySkipped(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".sys") == 0;
}

bool isSelfOrParent(const std::string& name) {
    return name == "." || name == "..";
}

}  // namespace

DirectoryWalker::DirectoryWalker(const ListingFields& fields, FileSystem& fileSystem,
                                 OutputFileTable& files, const DateTimeText& dateText,
                                 WalkerHost& host)
    : fields_(fields), fileSystem_(fileSystem), files_(files), dateText_(dateText), host_(host) {}

void DirectoryWalker::ListDirectory(FileNumber FileNo, const std::string& FolderPath) {
    // The file system may read ahead of the walk: it learns that the walk is over on every
    // way out, a Stop and a failure that travels on included.
    struct WalkEnd {
        FileSystem& fileSystem;
        ~WalkEnd() { fileSystem.endWalk(); }
    } walkEnd{fileSystem_};
    fileSystem_.beginWalk(fields_.RecurseSubdirectories);
    path_ = FolderPath;
    std::vector<Level> levels(1);
    levels[0].pathLength = path_.size();

    // A failure to start reading the chosen folder is not the walker's to report: the
    // run's caller sees it.
    readFolder(FileNo, levels[0]);

    while (!levels.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        Level& parent = levels.back();
        if (parent.subfolders.empty()) {
            levels.pop_back();
            continue;
        }
        // Enter the last subfolder found. Every enumeration of the parent is complete by
        // now, so none stays open while the subfolder is read.
        path_.resize(parent.pathLength);
        if (path_.empty() || path_.back() != kPathSeparator) {
            path_.push_back(kPathSeparator);
        }
        path_ += parent.subfolders.back();
        Level child;
        child.pathLength = path_.size();
        try {
            host_.setProgressText(path_);
            host_.yield();
            readFolder(FileNo, child);
        } catch (const WriteFailure&) {
            throw;
        } catch (const RaisedError& error) {
            // The parent's walk ends here: its remaining subfolders are left out.
            reportRecursionFailure(path_, error);
            levels.pop_back();
            continue;
        }
        parent.subfolders.pop_back();
        levels.push_back(std::move(child));
    }
}

void DirectoryWalker::readFolder(FileNumber fileNo, Level& level) {
    prefix_.assign(path_);
    if (prefix_.empty() || prefix_.back() != kPathSeparator) {
        prefix_.push_back(kPathSeparator);
    }
    const std::string_view folderPath(path_.data(), level.pathLength);

    std::string name =
        fileSystem_.startEnumeration(fields_.UseFileFilter && !matchesEveryName(fields_.FileFilter)
                                         ? fullPath_.assign(prefix_).append(fields_.FileFilter)
                                         : prefix_,
                                     attribute_mask::kFiles);

    // Files. No yield here: a folder's lines are written in one go.
    while (!name.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        try {
            writeFileLine(fileNo, folderPath, name);
        } catch (const WriteFailure&) {
            throw;
        } catch (const RaisedError& error) {
            if (!isQuietlySkipped(name)) {
                reportReadingFailure(prefix_ + name, error);
                return;
            }
        }
        try {
            name = fileSystem_.nextName();
        } catch (const RaisedError& error) {
            reportReadingFailure(prefix_ + name, error);
            return;
        }
    }

    if (!fields_.RecurseSubdirectories) {
        return;
    }

    // Collect the subfolders; the file pattern never applies to them. A failure ends this
    // folder: none of the subfolders found so far is visited.
    std::vector<std::string>& subfolders = level.subfolders;
    try {
        name = fileSystem_.startEnumeration(prefix_, attribute_mask::kFilesAndFolders);
    } catch (const RaisedError& error) {
        reportReadingFailure(prefix_ + name, error);
        return;
    }
    while (!name.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        bool found = false;
        try {
            fullPath_.assign(prefix_).append(name);
            const std::uint32_t attributes = fileSystem_.fileAttributes(fullPath_);
            if ((attributes & file_attribute::kFolder) != 0 && !isSelfOrParent(name)) {
                if (subfolders.size() >= static_cast<std::size_t>(kMaxSubfolders)) {
                    throw RaisedError(error_number::kOverflow, "ListDirectory", "Overflow");
                }
                subfolders.push_back(name);
                found = true;
            }
        } catch (const RaisedError& error) {
            if (!isQuietlySkipped(name)) {
                subfolders.clear();
                reportReadingFailure(prefix_ + name, error);
                return;
            }
        }
        if (found) {
            host_.yield();
        }
        try {
            name = fileSystem_.nextName();
        } catch (const RaisedError& error) {
            subfolders.clear();
            reportReadingFailure(prefix_ + name, error);
            return;
        }
    }
}

void DirectoryWalker::writeFileLine(FileNumber fileNo, std::string_view folderPath,
                                    const std::string& name) {
    fullPath_.assign(prefix_).append(name);
    const FileFacts facts = fileSystem_.fileFacts(fullPath_);
    ListingLine line;
    line.name = name;
    line.size = facts.length;
    line.attributes = facts.attributes;
    line.modified = facts.timeStamp;
    line.folder = folderPath;
    if (fields_.AddComment) {
        line.comment = fields_.FileComment;
    }
    formatListingLine(line, dateText_, line_);
    files_.writeLine(fileNo, line_);
    ++filesListed_;
}

void DirectoryWalker::reportReadingFailure(const std::string& entryPath, const RaisedError& error) {
    host_.showMessage(
        "Error has occured in subroutine: ListDirectory,\r"
        "during reading directory contents: " +
            entryPath + "\rError: " + error.description(),
        kMessageTitle);
}

void DirectoryWalker::reportRecursionFailure(const std::string& subfolderPath,
                                             const RaisedError& error) {
    host_.showMessage(
        "Error has occured in subroutine: ListDirectory,\r"
        "during recursing to subdirectory: " +
            subfolderPath + "\rError: " + error.description(),
        kMessageTitle);
}

}  // namespace tolvane
