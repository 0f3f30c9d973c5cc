#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "file_system.h"
#include "posix_folder_reading.h"
#include "posix_walk_ahead.h"

namespace tolvane {

// The file system on Linux and other POSIX systems.
//
// A folder is read once, all its names sorted as an NTFS folder lists them (namesInOrder),
// and kept until another folder is enumerated; the walker's two passes over one folder
// (files, then subfolders) share that reading. Outside a walk each entry is stat'ed at
// most once, and only when it is queried or must be told apart (a symbolic link, an entry
// of unknown type): the three queries of one file cost one stat together.
//
// Attributes: hidden for a name that begins with "."; read-only when the owner's write
// bit is clear; never archive or system; the folder bit for a directory that is not
// reached through a symbolic link. A link to a file is that file; a dangling link is a
// file of its own; a link to a folder is never returned, so no walk can loop.
//
// A walk (beginWalk) reads its folders through a WalkAhead: each subfolder is opened from
// its parent's open folder without following a link, so that a folder swapped for a link
// while the walk goes on is never entered; a folder on another device than the chosen one
// (a mount point) is not returned; and when the walk recurses, `readAheadThreads` threads
// read the folders the walk is about to visit, in its order, within a window of
// `windowFolders` folders and `windowBytes` bytes. Each folder of a walk is stat'ed whole
// (every entry once) when it is read.
class PosixFileSystem : public FileSystem {
  public:
    struct Options {
        // Threads reading ahead. A cold disk keeps a thread waiting most of the time, so
        // more of them than cores pay there (on 2 cores, cold: 8 threads read a tree of
        // 20,000 small folders in about 3/4 of the time 4 take, 16 gain nothing more); a
        // warm cache is bound by the kernel's work on the cores there are, where every
        // thread beyond them only takes turns with the walk's own. So no more of them read
        // at once than there are cores until their readings are seen to wait, and then up
        // to all of them. The window holds a few hundred folders: enough for 8 threads
        // never to wait for the walk, and 8 MiB at most whatever their size; a larger one
        // measured no faster. Measured with bench/compare.
        std::size_t readAheadThreads = 8;
        std::size_t windowFolders = 256;
        std::size_t windowBytes = std::size_t{8} << 20;
        // Folders a walk keeps open at most (0: half the process's descriptor limit).
        std::size_t maxOpenFolders = 0;
        const PosixCalls* calls = nullptr;  // null: the system's own
    };

    PosixFileSystem() : PosixFileSystem(Options{}) {}
    explicit PosixFileSystem(const Options& options);
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;
    ~PosixFileSystem() override;

    void beginWalk(bool recursive) override;
    void endWalk() override;
    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override;
    std::string nextName() override;
    std::int64_t fileLength(const std::string& fullPath) override;
    DateTime fileTimeStamp(const std::string& fullPath) override;
    std::uint32_t fileAttributes(const std::string& fullPath) override;
    FileFacts fileFacts(const std::string& fullPath) override;

    // How many times an entry was stat'ed, so that a walk's cost can be checked.
    std::uint64_t statCalls() const { return statCalls_.load(); }

  private:
    void readFolder(const std::string& prefix);
    void closeFolder();
    std::string advanceToMatch();
    bool returnedByMask(const FolderEntry& entry) const;
    FolderReader reader();

    // The status of the entry a full path names: the current entry's without a new stat,
    // any other path's through one.
    EntryStatus statusOf(const std::string& fullPath, bool* hidden);
    // statusOf, its failure raised.
    EntryStatus statusOrRaise(const std::string& fullPath, bool& hidden);
    static std::uint32_t attributesOf(const EntryStatus& status, bool hidden);
    static DateTime timeStampOf(const EntryStatus& status);

    Options options_;
    std::unique_ptr<WalkAhead> walk_;
    dev_t walkDevice_ = 0;

    // The folder enumerated last: its entries, prefix, and its descriptor outside a walk.
    bool haveFolder_ = false;
    int looseFd_ = -1;
    std::string folderPrefix_;
    std::string requestedPrefix_;  // the prefix being read, kept to reuse its memory
    FolderEntries folder_;

    std::uint32_t mask_ = 0;
    std::uint32_t previousMask_ = 0;
    std::string wildcard_;
    std::size_t nextIndex_ = 0;
    std::size_t currentIndex_ = static_cast<std::size_t>(-1);
    std::atomic<std::uint64_t> statCalls_{0};
};

}  // namespace tolvane
