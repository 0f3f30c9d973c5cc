#include "posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_attributes.h"
#include "raised_error.h"
#include "wildcard.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "FileSystem";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool beginsWithDot(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

std::string_view lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

PosixFileSystem::PosixFileSystem(const Options& options) : options_(options) {
    if (options_.calls == nullptr) {
        options_.calls = &systemPosixCalls();
    }
}

PosixFileSystem::~PosixFileSystem() {
    endWalk();
}

FolderReader PosixFileSystem::reader() {
    return FolderReader{options_.calls, &statCalls_, walk_ ? &walkDevice_ : nullptr};
}

void PosixFileSystem::closeFolder() {
    if (looseFd_ >= 0) {
        ::close(looseFd_);
        looseFd_ = -1;
    }
    haveFolder_ = false;
    folder_.clear();
    folderPrefix_.clear();
}

void PosixFileSystem::beginWalk(bool recursive) {
    endWalk();
    WalkAhead::Options options;
    options.recursive = recursive;
    options.workers = recursive ? options_.readAheadThreads : 0;
    options.windowFolders = options_.windowFolders;
    options.windowBytes = options_.windowBytes;
    options.maxOpenFolders = options_.maxOpenFolders;
    walk_ = std::make_unique<WalkAhead>(options, *options_.calls, statCalls_);
}

void PosixFileSystem::endWalk() {
    walk_.reset();  // stops and joins the threads reading ahead
    closeFolder();
    previousMask_ = 0;
}

std::string PosixFileSystem::startEnumeration(const std::string& pattern,
                                              std::uint32_t attributeMask) {
    const std::size_t slash = pattern.rfind('/');
    const std::string_view prefix = slash == std::string::npos
                                        ? std::string_view()
                                        : std::string_view(pattern).substr(0, slash + 1);
    wildcard_.assign(slash == std::string::npos ? std::string_view(pattern)
                                                : std::string_view(pattern).substr(slash + 1));

    // A second pass over the folder just read reuses that reading: outside a walk only the
    // subfolders pass after the files pass (whose queries it keeps), in a walk any pass.
    const bool reuse = haveFolder_ && prefix == folderPrefix_ &&
                       (walk_ || (previousMask_ == attribute_mask::kFiles &&
                                  attributeMask == attribute_mask::kFilesAndFolders));
    previousMask_ = attributeMask;
    mask_ = attributeMask;
    nextIndex_ = 0;
    currentIndex_ = kNone;
    if (!reuse) {
        requestedPrefix_.assign(prefix);
        readFolder(requestedPrefix_);
    }
    return advanceToMatch();
}

void PosixFileSystem::readFolder(const std::string& prefix) {
    closeFolder();
    if (walk_) {
        walk_->take(prefix, folder_);
        walkDevice_ = walk_->device();
    } else {
        // Any folder outside a walk is reached by its path, links in it followed.
        const int fd = openFolderByPath(prefix);
        if (fd < 0) {
            throw systemError(errno, kSource);
        }
        looseFd_ = fd;
        const int failure = reader().readNames(fd, folder_);
        if (failure != 0) {
            closeFolder();
            throw systemError(failure, kSource);
        }
        folder_.sort();
    }
    haveFolder_ = true;
    folderPrefix_ = prefix;
}

bool PosixFileSystem::returnedByMask(const FolderEntry& entry) const {
    switch (entry.kind) {
        case EntryKind::File:
            return true;
        case EntryKind::Folder:
            return (mask_ & file_attribute::kFolder) != 0;
        case EntryKind::LinkToFolder:
        case EntryKind::FolderOnOtherDevice:
            return false;
    }
    return false;
}

std::string PosixFileSystem::advanceToMatch() {
    const bool everyName = matchesEveryName(wildcard_);
    while (nextIndex_ < folder_.entries.size()) {
        const std::size_t index = nextIndex_++;
        const FolderEntry& entry = folder_.entries[index];
        if (!returnedByMask(entry)) {
            continue;
        }
        const std::string_view name = folder_.nameOf(entry);
        if (everyName || matchesWildcard(wildcard_, name)) {
            currentIndex_ = index;
            return std::string(name);
        }
    }
    currentIndex_ = kNone;
    return std::string();
}

std::string PosixFileSystem::nextName() {
    if (!haveFolder_) {
        return std::string();
    }
    return advanceToMatch();
}

EntryStatus PosixFileSystem::statusOf(const std::string& fullPath, bool* hidden) {
    if (currentIndex_ != kNone) {
        FolderEntry& entry = folder_.entries[currentIndex_];
        const std::string_view name = folder_.nameOf(entry);
        if (fullPath.size() == folderPrefix_.size() + name.size() &&
            fullPath.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
            fullPath.compare(folderPrefix_.size(), name.size(), name) == 0) {
            *hidden = beginsWithDot(name);
            if (!entry.statusKnown && looseFd_ >= 0) {
                reader().statEntry(looseFd_, folder_, entry);
            }
            if (entry.statusKnown) {
                return entry.status;
            }
        }
    }
    // Any other path: the link rules of the enumeration apply to its last component.
    *hidden = beginsWithDot(lastComponent(fullPath));
    struct stat info {};
    EntryStatus status;
    if (reader().statAt(AT_FDCWD, fullPath.c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
        status.errorNumber = errno;
        return status;
    }
    status.folder = S_ISDIR(info.st_mode);
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        if (reader().statAt(AT_FDCWD, fullPath.c_str(), target, 0) == 0) {
            info = target;
        }
    }
    status.ownerWritable = (info.st_mode & S_IWUSR) != 0;
    status.size = static_cast<std::int64_t>(info.st_size);
    status.modified = static_cast<std::int64_t>(info.st_mtime);
    return status;
}

EntryStatus PosixFileSystem::statusOrRaise(const std::string& fullPath, bool& hidden) {
    EntryStatus status = statusOf(fullPath, &hidden);
    if (status.errorNumber != 0) {
        throw systemError(status.errorNumber, kSource);
    }
    return status;
}

std::uint32_t PosixFileSystem::attributesOf(const EntryStatus& status, bool hidden) {
    std::uint32_t bits = 0;
    if (!status.ownerWritable) {
        bits |= file_attribute::kReadOnly;
    }
    if (hidden) {
        bits |= file_attribute::kHidden;
    }
    if (status.folder) {
        bits |= file_attribute::kFolder;
    }
    return bits;
}

std::int64_t PosixFileSystem::fileLength(const std::string& fullPath) {
    bool hidden = false;
    const EntryStatus status = statusOrRaise(fullPath, hidden);
    return status.size;
}

DateTime PosixFileSystem::fileTimeStamp(const std::string& fullPath) {
    bool hidden = false;
    const EntryStatus status = statusOrRaise(fullPath, hidden);
    return timeStampOf(status);
}

DateTime PosixFileSystem::timeStampOf(const EntryStatus& status) {
    if (status.localKnown) {
        return status.local;
    }
    DateTime local;
    if (!localTimeOf(status.modified, local)) {
        throw systemError(EOVERFLOW, kSource);
    }
    return local;
}

FileFacts PosixFileSystem::fileFacts(const std::string& fullPath) {
    bool hidden = false;
    const EntryStatus status = statusOrRaise(fullPath, hidden);
    FileFacts facts;
    facts.length = status.size;
    facts.attributes = attributesOf(status, hidden);
    facts.timeStamp = timeStampOf(status);
    return facts;
}

std::uint32_t PosixFileSystem::fileAttributes(const std::string& fullPath) {
    bool hidden = false;
    const EntryStatus status = statusOrRaise(fullPath, hidden);
    return attributesOf(status, hidden);
}

}  // namespace tolvane
