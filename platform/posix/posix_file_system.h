#pragma once

#include <cstdint>
#include <string>

#include "file_system.h"
#include "posix_folder_reading.h"

namespace tolvane {

// The file system of the window's lists on Linux and other POSIX systems. A folder is read
// once, whole (FolderReading: sorted as an NTFS folder lists them, every entry stat'ed),
// reached by its path with links followed, and kept until another folder is enumerated, so
// that the queries of the entry just returned cost nothing more. A link to a folder is
// never returned; a mount point is a folder like any other here (the lists show it).
class PosixFileSystem : public FileSystem {
  public:
    PosixFileSystem() = default;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;

    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override;
    std::string nextName() override;
    std::uint32_t fileAttributes(const std::string& fullPath) override;

  private:
    std::string advanceToMatch();
    // The entry a full path names: the current one without a new look, any other path by
    // reading its folder. Raises the entry's failure.
    const FolderEntry& entryOf(const std::string& fullPath);

    FolderReading reading_{false};
    ReadingScratch scratch_;
    std::string folderPrefix_;
    FolderEntries folder_;
    FolderEntries single_;  // an entry asked for by a path outside the current folder
    std::uint32_t mask_ = 0;
    std::string wildcard_;
    std::size_t nextIndex_ = 0;
    std::size_t currentIndex_ = static_cast<std::size_t>(-1);
};

}  // namespace tolvane
