#pragma once

#include <dirent.h>
#include <sys/resource.h>
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
//
// In a walk (beginWalk) every folder stays open while the walk is below it, and each
// subfolder is opened from its parent's open folder without following a link, so that a
// folder swapped for a link while the walk goes on is never entered, and a tree thousands
// of folders deep costs one open per folder, not one per level of its path. A folder on
// another device than its parent (a mount point) is not returned by the walk's
// enumerations. At most `maxOpenFolders` levels stay open (by default half the process's
// descriptor limit, raised towards its hard limit first); past that, levels are closed
// evenly along the path and reached again from the nearest open one.
class PosixFileSystem : public FileSystem {
  public:
    explicit PosixFileSystem(std::size_t maxOpenFolders = 0) : maxOpenFolders_(maxOpenFolders) {}
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;
    ~PosixFileSystem() override;

    void beginWalk() override;
    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override;
    std::string nextName() override;
    std::int64_t fileLength(const std::string& fullPath) override;
    DateTime fileTimeStamp(const std::string& fullPath) override;
    std::uint32_t fileAttributes(const std::string& fullPath) override;

    // How many times an entry was stat'ed, so that a walk's cost can be checked.
    std::uint64_t statCalls() const { return statCalls_; }

  private:
    enum class Kind : std::uint8_t { File, Folder, LinkToFolder, FolderOnOtherDevice };

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

    // One open folder of a walk: the length of its prefix in levelsPrefix_, its
    // descriptor and its device.
    struct OpenLevel {
        std::size_t prefixLength = 0;
        int fd = -1;
        dev_t device = 0;
    };

    int statAt(int folderFd, const char* name, struct stat& info, int flags);
    void readFolder(const std::string& prefix);
    // The open folder `prefix` names in a walk, reached from the deepest open folder above
    // it without following a link; the descriptor is owned by levels_ or by looseFd_.
    int descendTo(const std::string& prefix);
    void keepLevel(int fd, dev_t device, std::size_t prefixLength);
    std::size_t openFolderLimit();
    void readEntries(int fd);
    void sortEntries();
    void closeFolder();
    void closeLevels(std::size_t keep);
    void noteStatus(Entry& entry, const struct stat& info);
    Entry classify(int folderFd, const char* name, unsigned char type);
    void statEntry(Entry& entry);
    std::string advanceToMatch();
    std::string_view nameOf(const Entry& entry) const;
    bool returnedByMask(const Entry& entry) const;

    // The status of the entry a full path names: the current entry's without a new stat,
    // any other path's through one.
    Status statusOf(const std::string& fullPath, bool* hidden);
    static std::uint32_t attributesOf(const Status& status, bool hidden);

    // The folder enumerated last: its descriptor (-1 when none), prefix and device.
    int folderFd_ = -1;
    dev_t folderDevice_ = 0;
    std::string folderPrefix_;

    bool walking_ = false;
    std::vector<OpenLevel> levels_;  // the walk's chosen folder and the open path below it
    std::string levelsPrefix_;       // the deepest open level's prefix
    int looseFd_ = -1;               // a folder read outside levels_
    std::size_t maxOpenFolders_ = 0;
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
