#include "posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "file_attributes.h"
#include "name_order.h"
#include "raised_error.h"
#include "wildcard.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "FileSystem";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Opens a folder for reading. A path longer than the system accepts in one piece is
// opened one component at a time, so a deep tree can still be walked to its bottom.
int openFolder(const std::string& path) {
    const char* start = path.empty() ? "." : path.c_str();
    int fd = ::open(start, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG) {
        return fd;
    }
    fd = ::open(path[0] == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t begin = 0;
    while (fd >= 0 && begin < path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > begin) {
            const std::string component = path.substr(begin, end - begin);
            const int next = ::openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const int saved = errno;
            ::close(fd);
            errno = saved;
            fd = next;
        }
        begin = end + 1;
    }
    return fd;
}

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

int PosixFileSystem::statAt(int folderFd, const char* name, struct stat& info, int flags) {
    ++statCalls_;
    return ::fstatat(folderFd, name, &info, flags);
}

PosixFileSystem::~PosixFileSystem() {
    closeFolder();
    closeLevels(0);
}

void PosixFileSystem::closeFolder() {
    if (looseFd_ >= 0) {
        ::close(looseFd_);
        looseFd_ = -1;
    }
    folderFd_ = -1;
    entries_.clear();
    names_.clear();
    folderPrefix_.clear();
}

void PosixFileSystem::closeLevels(std::size_t keep) {
    while (levels_.size() > keep) {
        ::close(levels_.back().fd);
        levels_.pop_back();
    }
    levelsPrefix_.resize(levels_.empty() ? 0 : levels_.back().prefixLength);
}

void PosixFileSystem::beginWalk() {
    closeFolder();
    closeLevels(0);
    previousMask_ = 0;
    walking_ = true;
}

std::string PosixFileSystem::startEnumeration(const std::string& pattern,
                                              std::uint32_t attributeMask) {
    const std::size_t slash = pattern.rfind('/');
    const std::string prefix =
        slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    wildcard_ = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

    // The subfolders pass that follows a folder's files pass reuses that reading: the
    // files it queried are not stat'ed again.
    const bool reuse = folderFd_ >= 0 && prefix == folderPrefix_ &&
                       previousMask_ == attribute_mask::kFiles &&
                       attributeMask == attribute_mask::kFilesAndFolders;
    previousMask_ = attributeMask;
    mask_ = attributeMask;
    nextIndex_ = 0;
    currentIndex_ = kNone;
    if (!reuse) {
        readFolder(prefix);
    }
    return advanceToMatch();
}

void PosixFileSystem::readFolder(const std::string& prefix) {
    closeFolder();
    previousMask_ = 0;
    int fd = -1;
    if (walking_ && !levels_.empty()) {
        fd = descendTo(prefix);
    } else {
        // The chosen folder of a walk, or any folder outside one: reached by its path,
        // links in it followed.
        fd = openFolder(prefix);
        if (fd < 0) {
            throw systemError(errno, kSource);
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            const int saved = errno;
            ::close(fd);
            throw systemError(saved, kSource);
        }
        if (walking_) {
            levelsPrefix_ = prefix;
            levels_.push_back(OpenLevel{prefix.size(), fd, info.st_dev});
        } else {
            looseFd_ = fd;
        }
        folderDevice_ = info.st_dev;
    }
    readEntries(fd);
    folderFd_ = fd;
    folderPrefix_ = prefix;
    previousMask_ = mask_;
    sortEntries();
}

int PosixFileSystem::descendTo(const std::string& prefix) {
    // The open levels that lie above `prefix` (or are it) stay; the rest are done with.
    const std::size_t common = static_cast<std::size_t>(
        std::mismatch(prefix.begin(), prefix.end(), levelsPrefix_.begin(), levelsPrefix_.end())
            .first -
        prefix.begin());
    std::size_t keep = levels_.size();
    while (keep > 0 && levels_[keep - 1].prefixLength > common) {
        --keep;
    }
    if (keep == 0) {
        throw systemError(ENOENT, kSource);  // not below the walk's chosen folder
    }
    closeLevels(keep);

    int fd = levels_.back().fd;
    dev_t device = levels_.back().device;
    std::size_t begin = levels_.back().prefixLength;
    while (begin < prefix.size()) {
        std::size_t end = prefix.find('/', begin);
        if (end == std::string::npos) {
            end = prefix.size();
        }
        if (end > begin) {
            const std::string component = prefix.substr(begin, end - begin);
            const int next =
                ::openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            int failure = next < 0 ? errno : 0;
            struct stat info {};
            if (failure == 0 && ::fstat(next, &info) != 0) {
                failure = errno;
            } else if (failure == 0 && info.st_dev != device) {
                failure = EXDEV;  // became a mount point since it was found
            }
            if (failure != 0) {
                if (next >= 0) {
                    ::close(next);
                }
                throw systemError(failure, kSource);
            }
            keepLevel(next, info.st_dev, end + 1);
            levelsPrefix_.append(prefix, begin, end + 1 - begin);
            fd = next;
            device = info.st_dev;
        }
        begin = end + 1;
    }
    folderDevice_ = device;
    return fd;
}

void PosixFileSystem::keepLevel(int fd, dev_t device, std::size_t prefixLength) {
    if (levels_.size() >= openFolderLimit()) {
        // At the limit every other level between the chosen folder and the deepest one is
        // closed. A folder whose level was closed is reached again from the nearest open
        // one above it, so coming back up a tree of depth D with L levels open costs about
        // D / L opens a folder instead of D.
        std::size_t kept = 1;
        for (std::size_t i = 1; i < levels_.size(); ++i) {
            if (i % 2 == 1 && i + 1 < levels_.size()) {
                ::close(levels_[i].fd);
            } else {
                levels_[kept++] = levels_[i];
            }
        }
        levels_.resize(kept);
    }
    levels_.push_back(OpenLevel{prefixLength, fd, device});
}

std::size_t PosixFileSystem::openFolderLimit() {
    if (maxOpenFolders_ == 0) {
        // Half the descriptors the process may have, the other half left to the rest of
        // the program; the soft limit is raised towards the hard one first (1,024 is a
        // common soft limit, far below what deep trees need).
        rlimit limit{};
        std::size_t allowed = 1024;
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
            const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 65536);
            if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
                limit.rlim_cur = wanted;
                ::setrlimit(RLIMIT_NOFILE, &limit);
                ::getrlimit(RLIMIT_NOFILE, &limit);
            }
            allowed = limit.rlim_cur == RLIM_INFINITY
                          ? 65536
                          : static_cast<std::size_t>(std::min<rlim_t>(limit.rlim_cur, 65536));
        }
        maxOpenFolders_ = std::max<std::size_t>(allowed / 2, 4);
    }
    return maxOpenFolders_;
}

void PosixFileSystem::readEntries(int fd) {
    // A folder is read through a descriptor of its own, so that `fd` stays open for the
    // queries and for the subfolders below it.
    const int readFd = ::dup(fd);
    DIR* folder = readFd < 0 ? nullptr : ::fdopendir(readFd);
    if (folder == nullptr) {
        const int saved = errno;
        if (readFd >= 0) {
            ::close(readFd);
        }
        closeFolder();
        throw systemError(saved, kSource);
    }
    ::rewinddir(folder);
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(folder);
        if (item == nullptr) {
            if (errno != 0) {
                const int saved = errno;
                ::closedir(folder);
                closeFolder();
                throw systemError(saved, kSource);
            }
            break;
        }
        Entry entry = classify(fd, item->d_name, item->d_type);
        entry.nameOffset = static_cast<std::uint32_t>(names_.size());
        entry.nameLength = static_cast<std::uint32_t>(std::char_traits<char>::length(item->d_name));
        names_.append(item->d_name, entry.nameLength);
        entries_.push_back(entry);
    }
    ::closedir(folder);
}

void PosixFileSystem::sortEntries() {
    // Every name's key at once: the keys of the names laid end to end in names_.
    const std::string keys = orderKey(names_);
    const auto keyOf = [&keys](const Entry& entry) {
        return std::string_view(keys.data() + entry.nameOffset, entry.nameLength);
    };
    std::sort(entries_.begin(), entries_.end(), [&](const Entry& a, const Entry& b) {
        return keysInOrder(keyOf(a), nameOf(a), keyOf(b), nameOf(b));
    });
}

void PosixFileSystem::noteStatus(Entry& entry, const struct stat& info) {
    entry.statusKnown = true;
    entry.status =
        Status{0, entry.kind == Kind::Folder, (info.st_mode & S_IWUSR) != 0,
               static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtime)};
    if (entry.kind == Kind::Folder && !S_ISDIR(info.st_mode)) {
        entry.kind = Kind::File;  // swapped for a file or a link since the folder was read
        entry.status.folder = false;
    } else if (walking_ && entry.kind == Kind::Folder && info.st_dev != folderDevice_) {
        entry.kind = Kind::FolderOnOtherDevice;
    }
}

void PosixFileSystem::statEntry(Entry& entry) {
    struct stat info {};
    const std::string bareName(nameOf(entry));
    if (statAt(folderFd_, bareName.c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.statusKnown = true;
        entry.status.errorNumber = errno;
    } else {
        noteStatus(entry, info);
    }
}

PosixFileSystem::Entry PosixFileSystem::classify(int fd, const char* name, unsigned char type) {
    Entry entry;
    if (type == DT_DIR) {
        entry.kind = Kind::Folder;
        return entry;  // stat'ed when the subfolders pass reaches it
    }
    if (type != DT_LNK && type != DT_UNKNOWN) {
        return entry;  // a file of some kind; stat'ed when it is queried
    }
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (statAt(fd, name, info, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.statusKnown = true;
            entry.status.errorNumber = errno;
            return entry;
        }
        if (!S_ISLNK(info.st_mode)) {
            entry.kind = S_ISDIR(info.st_mode) ? Kind::Folder : Kind::File;
            noteStatus(entry, info);
            return entry;
        }
    }
    // A symbolic link: its target decides, or the link itself when it dangles.
    if (statAt(fd, name, info, 0) == 0) {
        if (S_ISDIR(info.st_mode)) {
            entry.kind = Kind::LinkToFolder;
            return entry;
        }
    } else if (statAt(fd, name, info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.statusKnown = true;
        entry.status.errorNumber = errno;
        return entry;
    }
    noteStatus(entry, info);
    return entry;
}

std::string_view PosixFileSystem::nameOf(const Entry& entry) const {
    return std::string_view(names_.data() + entry.nameOffset, entry.nameLength);
}

bool PosixFileSystem::returnedByMask(const Entry& entry) const {
    switch (entry.kind) {
        case Kind::File:
            return true;
        case Kind::Folder:
            return (mask_ & file_attribute::kFolder) != 0;
        case Kind::LinkToFolder:
        case Kind::FolderOnOtherDevice:
            return false;
    }
    return false;
}

std::string PosixFileSystem::advanceToMatch() {
    const bool everyName = matchesEveryName(wildcard_);
    const bool foldersWanted = (mask_ & file_attribute::kFolder) != 0;
    while (nextIndex_ < entries_.size()) {
        const std::size_t index = nextIndex_++;
        Entry& entry = entries_[index];
        if (walking_ && foldersWanted && entry.kind == Kind::Folder && !entry.statusKnown) {
            statEntry(entry);  // a mount point is not the walk's to enter
        }
        if (!returnedByMask(entry)) {
            continue;
        }
        const std::string_view name = nameOf(entry);
        if (everyName || matchesWildcard(wildcard_, name)) {
            currentIndex_ = index;
            return std::string(name);
        }
    }
    currentIndex_ = kNone;
    return std::string();
}

std::string PosixFileSystem::nextName() {
    if (folderFd_ < 0) {
        return std::string();
    }
    return advanceToMatch();
}

PosixFileSystem::Status PosixFileSystem::statusOf(const std::string& fullPath, bool* hidden) {
    if (currentIndex_ != kNone) {
        Entry& entry = entries_[currentIndex_];
        const std::string_view name = nameOf(entry);
        if (fullPath.size() == folderPrefix_.size() + name.size() &&
            fullPath.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
            fullPath.compare(folderPrefix_.size(), name.size(), name) == 0) {
            *hidden = beginsWithDot(name);
            if (!entry.statusKnown) {
                statEntry(entry);
            }
            return entry.status;
        }
    }
    // Any other path: the link rules of the enumeration apply to its last component.
    *hidden = beginsWithDot(lastComponent(fullPath));
    struct stat info {};
    Status status;
    if (statAt(AT_FDCWD, fullPath.c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
        status.errorNumber = errno;
        return status;
    }
    const bool folder = S_ISDIR(info.st_mode);
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        if (statAt(AT_FDCWD, fullPath.c_str(), target, 0) == 0) {
            info = target;
        }
    }
    return Status{0, folder, (info.st_mode & S_IWUSR) != 0, static_cast<std::int64_t>(info.st_size),
                  static_cast<std::int64_t>(info.st_mtime)};
}

std::uint32_t PosixFileSystem::attributesOf(const Status& status, bool hidden) {
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
    const Status status = statusOf(fullPath, &hidden);
    if (status.errorNumber != 0) {
        throw systemError(status.errorNumber, kSource);
    }
    return status.size;
}

DateTime PosixFileSystem::fileTimeStamp(const std::string& fullPath) {
    bool hidden = false;
    const Status status = statusOf(fullPath, &hidden);
    if (status.errorNumber != 0) {
        throw systemError(status.errorNumber, kSource);
    }
    const std::time_t seconds = static_cast<std::time_t>(status.modified);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        throw systemError(EOVERFLOW, kSource);
    }
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::uint32_t PosixFileSystem::fileAttributes(const std::string& fullPath) {
    bool hidden = false;
    const Status status = statusOf(fullPath, &hidden);
    if (status.errorNumber != 0) {
        throw systemError(status.errorNumber, kSource);
    }
    return attributesOf(status, hidden);
}

}  // namespace tolvane
