#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "date_time.h"

namespace tolvane {

// The system calls that reading a folder makes through a descriptor, behind a table that
// tests can replace, so that a folder that cannot be opened or an entry that cannot be
// queried can be had without root's permission bits getting in the way. Entries of the
// table are called from several threads at once.
struct PosixCalls {
    int (*openAt)(int folderFd, const char* name, int flags);
    int (*statAt)(int folderFd, const char* name, struct stat* info, int flags);
};

// The table of the real system calls.
const PosixCalls& systemPosixCalls();

// What an entry is to an enumeration. A link to a folder and a folder on another device
// than the walk's (a mount point) are never returned.
enum class EntryKind : std::uint8_t { File, Folder, LinkToFolder, FolderOnOtherDevice };

// What one stat told about an entry, or why it could not be had.
struct EntryStatus {
    int errorNumber = 0;
    bool folder = false;
    bool ownerWritable = true;
    bool localKnown = false;  // `local` holds `modified` in local time
    std::int64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970, UTC
    DateTime local;
};

struct FolderEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    EntryKind kind = EntryKind::File;
    bool statusKnown = false;
    EntryStatus status;
};

struct ReadingScratch;

// The entries of one folder, their names laid end to end in one text, each followed by a
// NUL so that it can be handed to the system as it stands.
struct FolderEntries {
    std::vector<FolderEntry> entries;
    std::string names;

    std::string_view nameOf(const FolderEntry& entry) const {
        return std::string_view(names.data() + entry.nameOffset, entry.nameLength);
    }
    const char* cNameOf(const FolderEntry& entry) const { return names.data() + entry.nameOffset; }
    void clear() {
        entries.clear();
        names.clear();
    }
    // Memory the entries take.
    std::size_t bytes() const {
        return entries.capacity() * sizeof(FolderEntry) + names.capacity();
    }
    // Sorts the entries as an NTFS folder lists them (namesInOrder).
    void sort();
    void sort(ReadingScratch& scratch);
};

// Room that reading a folder needs for a moment, kept by the thread that reads folders
// from one to the next: small folders read one after another would otherwise go to the
// allocator several times each.
struct ReadingScratch {
    std::vector<ino_t> inodes;  // of the entries, as readNames gives them
    std::vector<std::pair<ino_t, std::uint32_t>> statOrder;
    std::string keys;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> places;
    std::vector<FolderEntry> sorted;
    // Lets go of the room a very large folder took, so that a thread that lives on does not
    // keep it.
    void trim();
};

// What local time is, for the days (UTC) of a walk. localtime_r locks the process's time
// zone on every call and costs more than a stat; a day whose offset from UTC is the same at
// its first and its last second has that offset throughout, and its times are had by
// arithmetic alone. A day that changes its offset is left to localtime_r. The threads of
// one walk share it (each day is one word, read and written whole), and it lives no longer
// than the walk, so that a change of time zone is seen by the next one.
struct LocalTimeCache {
    static constexpr std::size_t kDays = 4096;  // eleven years without two days in one place
    std::atomic<std::uint64_t> days[kDays] = {};

    // The day (UTC) of `seconds`, and its place.
    static std::int64_t dayOf(std::int64_t seconds) {
        return seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    }
    static std::size_t slotOf(std::int64_t day) { return static_cast<std::uint64_t>(day) % kDays; }
    // Asks the processor to bring the word of the day of `seconds` close.
    void prefetch(std::int64_t seconds) const { __builtin_prefetch(&days[slotOf(dayOf(seconds))]); }
};

// How a folder is read: the calls to make, the count of stats to add to, and the device of
// the walk it belongs to (null outside a walk), whose folders alone count as folders.
struct FolderReader {
    const PosixCalls* calls = nullptr;
    std::atomic<std::uint64_t>* statCalls = nullptr;
    const dev_t* walkDevice = nullptr;
    LocalTimeCache* times = nullptr;  // the walk's, or none

    int statAt(int folderFd, const char* name, struct stat& info, int flags) const;
    // Appends every entry of the folder `fd`, opened for this and not read from yet, to
    // `out`, stat'ing only the links and the entries of unknown type, and each entry's inode
    // to `inodes` when given; 0, or the errno of a failure to read the folder. `fd` stays
    // open.
    int readNames(int fd, FolderEntries& out, std::vector<ino_t>* inodes = nullptr) const;
    // Stats every entry not yet known in the order of their inodes (`scratch.inodes`, as
    // readNames gave them), which on most file systems is the order of their places on
    // the disk, so that a cold disk seeks least; then turns every time stamp into local
    // time. "." and ".." are folders without a stat. Stops early, returning false, once
    // `stop` is set.
    bool statAll(int fd, FolderEntries& folder, ReadingScratch& scratch,
                 const std::atomic<bool>& stop) const;
    // Stats one entry without following a link.
    void statEntry(int fd, FolderEntries& folder, FolderEntry& entry) const;
    void noteStatus(FolderEntry& entry, const struct stat& info) const;

  private:
    // statEntry without counting the stat.
    void queryEntry(int fd, FolderEntries& folder, FolderEntry& entry) const;
    void addEntry(int fd, const char* name, unsigned char type, ino_t inode, FolderEntries& out,
                  std::vector<ino_t>* inodes) const;
};

// Opens a folder by its path, links in it followed. A path longer than the system accepts
// in one piece is opened one component at a time, so a deep tree can still be walked to
// its bottom. Returns -1 with errno set on failure.
int openFolderByPath(const std::string& path);

// Opens the subfolder `name` of the open folder `fd` for reading without following a link,
// and only if it lies on `device`; the descriptor, or minus the errno of the failure
// (EXDEV for a folder on another device).
int openSubfolder(const PosixCalls& calls, int fd, const char* name, dev_t device);

// The time stamp `seconds` in local time, through `cache` where given; false when it
// cannot be represented.
bool localTimeOf(std::int64_t seconds, DateTime& local, LocalTimeCache* cache = nullptr);

}  // namespace tolvane
