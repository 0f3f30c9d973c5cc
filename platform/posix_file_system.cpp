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
}

void PosixFileSystem::closeFolder() {
    if (folder_ != nullptr) {
        ::closedir(folder_);
        folder_ = nullptr;
    }
    entries_.clear();
    names_.clear();
    folderPrefix_.clear();
}

std::string PosixFileSystem::startEnumeration(const std::string& pattern,
                                              std::uint32_t attributeMask) {
    const std::size_t slash = pattern.rfind('/');
    const std::string prefix =
        slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    wildcard_ = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

    // The subfolders pass that follows a folder's files pass reuses that reading: the
    // files it queried are not stat'ed again.
    const bool reuse = folder_ != nullptr && prefix == folderPrefix_ &&
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
    const int fd = openFolder(prefix);
    if (fd < 0) {
        throw systemError(errno, kSource);
    }
    folder_ = ::fdopendir(fd);
    if (folder_ == nullptr) {
        const int saved = errno;
        ::close(fd);
        throw systemError(saved, kSource);
    }
    folderPrefix_ = prefix;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(folder_);
        if (item == nullptr) {
            if (errno != 0) {
                const int saved = errno;
                closeFolder();
                previousMask_ = 0;
                throw systemError(saved, kSource);
            }
            break;
        }
        Entry entry = classify(item->d_name, item->d_type);
        entry.nameOffset = static_cast<std::uint32_t>(names_.size());
        entry.nameLength = static_cast<std::uint32_t>(std::char_traits<char>::length(item->d_name));
        names_.append(item->d_name, entry.nameLength);
        entries_.push_back(entry);
    }
    sortEntries();
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

PosixFileSystem::Entry PosixFileSystem::classify(const char* name, unsigned char type) {
    Entry entry;
    if (type == DT_DIR) {
        entry.kind = Kind::Folder;
        return entry;
    }
    if (type != DT_LNK && type != DT_UNKNOWN) {
        return entry;  // a file of some kind; stat'ed when it is queried
    }
    const int fd = ::dirfd(folder_);
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (statAt(fd, name, info, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.statusKnown = true;
            entry.status.errorNumber = errno;
            return entry;
        }
        if (S_ISDIR(info.st_mode)) {
            entry.kind = Kind::Folder;
        }
        if (!S_ISLNK(info.st_mode)) {
            entry.statusKnown = true;
            entry.status = Status{0, S_ISDIR(info.st_mode), (info.st_mode & S_IWUSR) != 0,
                                  static_cast<std::int64_t>(info.st_size),
                                  static_cast<std::int64_t>(info.st_mtime)};
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
    entry.statusKnown = true;
    entry.status =
        Status{0, false, (info.st_mode & S_IWUSR) != 0, static_cast<std::int64_t>(info.st_size),
               static_cast<std::int64_t>(info.st_mtime)};
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
            return false;
    }
    return false;
}

std::string PosixFileSystem::advanceToMatch() {
    const bool everyName = matchesEveryName(wildcard_);
    while (nextIndex_ < entries_.size()) {
        const std::size_t index = nextIndex_++;
        const Entry& entry = entries_[index];
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
    if (folder_ == nullptr) {
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
                struct stat info {};
                const std::string bareName(name);
                if (statAt(::dirfd(folder_), bareName.c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
                    entry.status.errorNumber = errno;
                } else {
                    entry.status =
                        Status{0, entry.kind == Kind::Folder, (info.st_mode & S_IWUSR) != 0,
                               static_cast<std::int64_t>(info.st_size),
                               static_cast<std::int64_t>(info.st_mtime)};
                }
                entry.statusKnown = true;
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
