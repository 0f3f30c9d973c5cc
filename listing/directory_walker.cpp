#include "directory_walker.h"

#include "listing_line.h"
#include "listing_output.h"
#include "path_separator.h"
#include "raised_error.h"
#include "reading_failure.h"
#include "walker_host.h"
#include "wildcard.h"

namespace tolvane {

namespace {

constexpr char kMessageTitle[] = "Error in ListDirectory";

// An entry whose name ends in ".sys", compared exactly, may fail its queries: such system
// files are passed over in silence.
bool isQuietlySkipped(std::string_view name) {
    return name.size() >= 4 && name.substr(name.size() - 4) == ".sys";
}

}  // namespace

DirectoryWalker::DirectoryWalker(const ListingFields& fields, const WalkOptions& options,
                                 WalkerHost& host)
    : fields_(fields), options_(options), host_(host) {}

void DirectoryWalker::ListDirectory(ListingOutput& FileNo, const std::string& FolderPath) {
    filter_ = fields_.UseFileFilter && !matchesEveryName(fields_.FileFilter)
                  ? std::string_view(fields_.FileFilter)
                  : std::string_view();
    OrderedWalk walk(FolderPath, fields_.RecurseSubdirectories, options_);
    walk.setWaitHook([this] {
        host_.waiting();
        return !fields_.StopRequested;
    });
    if (!walk.next(folder_)) {
        return;
    }
    // The chosen folder that cannot be read at all is not the walker's to report: the
    // run's caller sees it.
    if (folder_.openFailure != 0) {
        throw readingFailure(folder_.openFailure);
    }
    listFolder(FileNo);
    // Each subfolder is shown and yielded for before it is entered.
    while (!fields_.StopRequested && walk.peek(path_)) {
        host_.setProgressText(path_);
        host_.yield();
        if (fields_.StopRequested || !walk.next(folder_)) {
            return;
        }
        if (folder_.openFailure != 0) {
            // Reported by its parent; the walk goes on with the next subfolder.
            reportRecursionFailure(folder_.path, readingFailure(folder_.openFailure));
            continue;
        }
        listFolder(FileNo);
    }
}

void DirectoryWalker::listFolder(ListingOutput& output) {
    prefix_.assign(folder_.path);
    if (prefix_.empty() || prefix_.back() != kPathSeparator) {
        prefix_.push_back(kPathSeparator);
    }
    writeFiles(output);
    if (fields_.StopRequested) {
        return;
    }
    if (folder_.readFailure != 0) {
        // The entries read before the failure are listed; the rest could not be had.
        reportReadingFailure(prefix_, readingFailure(folder_.readFailure));
    }
    if (fields_.RecurseSubdirectories) {
        collectSubfolders();
    }
}

bool DirectoryWalker::listedAsFile(const FolderEntry& entry, std::string_view name) const {
    return entry.kind == EntryKind::File && (filter_.empty() || matchesWildcard(filter_, name));
}

void DirectoryWalker::writeFiles(ListingOutput& output) {
    // No yield here: a folder's lines are written in one go.
    unsigned untilPoll = kLinesPerPoll;
    const FolderEntries& folder = folder_.entries;
    for (const FolderEntry& entry : folder.entries) {
        if (fields_.StopRequested) {
            return;
        }
        const std::string_view name = folder.nameOf(entry);
        if (!listedAsFile(entry, name)) {
            continue;
        }
        if (entry.failure != 0) {
            reportEntryFailure(name, entry.failure);
        } else {
            writeFileLine(output, name, entry);
        }
        if (--untilPoll == 0) {
            untilPoll = kLinesPerPoll;
            host_.poll();
        }
    }
}

void DirectoryWalker::collectSubfolders() {
    // One yield for each subfolder found. An entry that could not be queried and that the
    // files pass did not report (a folder, or a file the pattern leaves out) is reported
    // here, once.
    const FolderEntries& folder = folder_.entries;
    for (std::size_t i = 0; i < folder.entries.size(); ++i) {
        if (fields_.StopRequested) {
            return;
        }
        const FolderEntry& entry = folder.entries[i];
        const std::string_view name = folder.nameOf(entry);
        if (i == folder_.overflowAt) {
            // One subfolder more than a folder may hold: none of them is entered.
            reportReadingFailure(prefix_ + std::string(name),
                                 RaisedError(error_number::kOverflow, "ListDirectory", "Overflow"));
            return;
        }
        if (entry.failure != 0 && !listedAsFile(entry, name)) {
            reportEntryFailure(name, entry.failure);
        } else if (OrderedWalk::isSubfolder(folder, entry)) {
            host_.yield();
        }
    }
}

void DirectoryWalker::writeFileLine(ListingOutput& output, std::string_view name,
                                    const FolderEntry& entry) {
    ListingLine line;
    line.name = name;
    line.size = entry.size;
    line.attributes = entry.attributes;
    line.modified = entry.local;
    line.folder = folder_.path;
    if (fields_.AddComment) {
        line.comment = fields_.FileComment;
    }
    output.writeLine(line);
    ++filesListed_;
}

void DirectoryWalker::reportEntryFailure(std::string_view name, int failure) {
    if (!isQuietlySkipped(name)) {
        reportReadingFailure(prefix_ + std::string(name), readingFailure(failure));
    }
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
