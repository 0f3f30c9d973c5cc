#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "file_system.h"

namespace tolvane {

// The file system on Linux and other POSIX systems.
//
// A folder is read once, all its names sorted as an NTFS folder lists them (namesInOrder),
// and kept until another folder is enumerated; the walker's two passes over one folder
// (files, then subfolders) share that reading. Each entry is stat'ed at most once, and only when
// it is queried or must be told apart (a symbolic link, an entry of unknown type): the
// three queries of one file cost one stat together.
//
// Attributes: hidden for a name that begins with "."; read-only when the owner's write
// bit is clear; never archive or system; the folder bit for a directory that is not
// reached through a symbolic link. A link to a file is that file; a dangling link is a
// file of its own; a link to a folder is never returned, so no walk can loop.
class PosixFileSystem : public FileSystem {
  public:
    PosixFileSystem() = default;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;
    ~PosixFileSystem() override;

    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override;
    std::string nextName() override;
    std::int64_t fileLength(const std::string& fullPath) override;
    DateTime fileTimeStamp(const std::string& fullPath) override;
    std::uint32_t fileAttributes(const std::string& fullPath) override;

    // How many times an entry was stat'ed, so that a walk's cost can be checked.
    std::uint64_t statCalls() const { return statCalls_; }

  private:
    enum class Kind : std::uint8_t { File, Folder, LinkToFolder };

    // What one stat told about an entry, or why it could not be had.
    struct Status {
        int errorNumber = 0;
        bool folder = false;
        bool ownerWritable = true;
        std::int64_t size = 0;
        std::int64_t modified = 0;  // seconds since 1970, UTC
    };

    struct Entry {
        std::uint32_t nameOffset = 0;
        std::uint32_t nameLength = 0;
        Kind kind = Kind::File;
        bool statusKnown = false;
        Status status;
    };

    int statAt(int folderFd, const char* name, struct stat& info, int flags);
    void readFolder(const std::string& folder);
    void sortEntries();
    void closeFolder();
    Entry classify(const char* name, unsigned char type);
    std::string advanceToMatch();
    std::string_view nameOf(const Entry& entry) const;
    bool returnedByMask(const Entry& entry) const;

    // The status of the entry a full path names: the current entry's without a new stat,
    // any other path's through one.
    Status statusOf(const std::string& fullPath, bool* hidden);
    static std::uint32_t attributesOf(const Status& status, bool hidden);

    DIR* folder_ = nullptr;
    std::string folderPrefix_;
    std::vector<Entry> entries_;
    std::string names_;

    std::uint32_t mask_ = 0;
    std::uint32_t previousMask_ = 0;
    std::string wildcard_;
    std::size_t nextIndex_ = 0;
    std::size_t currentIndex_ = static_cast<std::size_t>(-1);
    std::uint64_t statCalls_ = 0;
};

}  // namespace tolvane
