#include "directory_walker.h"

#include <vector>

#include "date_time_text.h"
#include "file_attributes.h"
#include "file_system.h"
#include "listing_line.h"
#include "path_separator.h"
#include "raised_error.h"
#include "walker_host.h"
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
    std::string prefix = FolderPath;
    if (prefix.empty() || prefix.back() != kPathSeparator) {
        prefix.push_back(kPathSeparator);
    }

    // A failure to start this enumeration is not this call's to report: the caller's
    // handler (or, for the chosen folder itself, the run's) sees it.
    std::string name = fileSystem_.startEnumeration(
        fields_.UseFileFilter ? prefix + fields_.FileFilter : prefix, attribute_mask::kFiles);

    // Files. No yield here: a folder's lines are written in one go.
    while (!name.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        try {
            writeFileLine(FileNo, prefix, FolderPath, name);
        } catch (const WriteFailure&) {
            throw;
        } catch (const RaisedError& error) {
            if (!isQuietlySkipped(name)) {
                reportReadingFailure(prefix + name, error);
                return;
            }
        }
        try {
            name = fileSystem_.nextName();
        } catch (const RaisedError& error) {
            reportReadingFailure(prefix + name, error);
            return;
        }
    }

    if (!fields_.RecurseSubdirectories) {
        return;
    }

    // Collect the subfolders; the file pattern never applies to them.
    std::vector<std::string> subfolders;
    try {
        name = fileSystem_.startEnumeration(prefix, attribute_mask::kFilesAndFolders);
    } catch (const RaisedError& error) {
        reportReadingFailure(prefix + name, error);
        return;
    }
    while (!name.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        bool found = false;
        try {
            const std::uint32_t attributes = fileSystem_.fileAttributes(prefix + name);
            if ((attributes & file_attribute::kFolder) != 0 && !isSelfOrParent(name)) {
                if (subfolders.size() >= static_cast<std::size_t>(kMaxSubfolders)) {
                    throw RaisedError(error_number::kOverflow, "ListDirectory", "Overflow");
                }
                subfolders.push_back(name);
                found = true;
            }
        } catch (const RaisedError& error) {
            if (!isQuietlySkipped(name)) {
                reportReadingFailure(prefix + name, error);
                return;
            }
        }
        if (found) {
            host_.yield();
        }
        try {
            name = fileSystem_.nextName();
        } catch (const RaisedError& error) {
            reportReadingFailure(prefix + name, error);
            return;
        }
    }

    // Visit them, the last one found first. The enumeration is complete by now, so no
    // enumeration stays open across the recursive calls.
    while (!subfolders.empty()) {
        if (fields_.StopRequested) {
            return;
        }
        const std::string subfolderPath = prefix + subfolders.back();
        try {
            host_.setProgressText(subfolderPath);
            host_.yield();
            ListDirectory(FileNo, subfolderPath);
        } catch (const WriteFailure&) {
            throw;
        } catch (const RaisedError& error) {
            reportRecursionFailure(subfolderPath, error);
            return;
        }
        subfolders.pop_back();
    }
}

void DirectoryWalker::writeFileLine(FileNumber fileNo, const std::string& folderPrefix,
                                    const std::string& folderPath, const std::string& name) {
    fullPath_.assign(folderPrefix).append(name);
    ListingLine line;
    line.name = name;
    line.size = fileSystem_.fileLength(fullPath_);
    line.attributes = fileSystem_.fileAttributes(fullPath_);
    line.modified = fileSystem_.fileTimeStamp(fullPath_);
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
