#include "posix_file_system.h"

#include <cerrno>

#include "file_attributes.h"
#include "raised_error.h"
#include "wildcard.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "FileSystem";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

std::string PosixFileSystem::startEnumeration(const std::string& pattern,
                                              std::uint32_t attributeMask) {
    const std::size_t slash = pattern.rfind('/');
    const std::string prefix =
        slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    wildcard_.assign(slash == std::string::npos ? pattern : pattern.substr(slash + 1));
    mask_ = attributeMask;
    nextIndex_ = 0;
    currentIndex_ = kNone;
    folder_.clear();
    folderPrefix_.clear();

    FolderHandle handle;
    int failure = reading_.openRoot(prefix, handle);
    if (failure == 0) {
        const std::atomic<bool> never{false};
        failure = reading_.read(handle, folder_, scratch_, never);
        reading_.close(handle);
    }
    scratch_.trim();
    if (failure != 0) {
        folder_.clear();
        throw systemError(failure, kSource);
    }
    folderPrefix_ = prefix;
    return advanceToMatch();
}

std::string PosixFileSystem::advanceToMatch() {
    const bool everyName = matchesEveryName(wildcard_);
    while (nextIndex_ < folder_.entries.size()) {
        const std::size_t index = nextIndex_++;
        const FolderEntry& entry = folder_.entries[index];
        const bool returned =
            entry.kind == EntryKind::File ||
            ((entry.kind == EntryKind::Folder || entry.kind == EntryKind::FolderOnOtherVolume) &&
             (mask_ & file_attribute::kFolder) != 0);
        const std::string_view name = folder_.nameOf(entry);
        if (returned && (everyName || matchesWildcard(wildcard_, name))) {
            currentIndex_ = index;
            return std::string(name);
        }
    }
    currentIndex_ = kNone;
    return std::string();
}

std::string PosixFileSystem::nextName() {
    return advanceToMatch();
}

const FolderEntry& PosixFileSystem::entryOf(const std::string& fullPath) {
    const FolderEntry* found = nullptr;
    if (currentIndex_ != kNone && fullPath.size() > folderPrefix_.size() &&
        fullPath.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
        folder_.nameOf(folder_.entries[currentIndex_]) ==
            std::string_view(fullPath).substr(folderPrefix_.size())) {
        found = &folder_.entries[currentIndex_];
    } else {
        // Any other path: its folder by its path, the link rules applying to its last part.
        std::string path = fullPath;
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        FolderHandle handle;
        const int failure = reading_.openRoot(folder, handle);
        if (failure != 0) {
            throw systemError(failure, kSource);
        }
        single_.clear();
        reading_.readOne(handle, name.c_str(), single_);
        reading_.close(handle);
        found = &single_.entries.back();
    }
    if (found->failure != 0) {
        throw systemError(found->failure, kSource);
    }
    return *found;
}

std::uint32_t PosixFileSystem::fileAttributes(const std::string& fullPath) {
    return entryOf(fullPath).attributes;
}

}  // namespace tolvane
