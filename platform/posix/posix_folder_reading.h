#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "folder_entries.h"
#include "posix_calls.h"

namespace tolvane {

// An open folder: its descriptor.
struct FolderHandle {
    int fd = -1;
    bool isOpen() const { return fd >= 0; }
};

// An entry's place in sorting a folder: the first sixteen bytes of its order key.
struct SortPlace {
    std::uint64_t head;
    std::uint64_t next;
    std::uint32_t index;
};

// Room that reading a folder needs for a moment, kept by the thread that reads folders
// from one to the next: small folders read one after another would otherwise go to the
// allocator several times each.
struct ReadingScratch {
    // Whether the entries are queried in the order of their inodes (for a cold disk) or as
    // the names came (a warm cache, where that took 4% less on /usr: the kernel finds the
    // names' records nearer each other).
    bool inDiskOrder = true;
    std::vector<ino_t> inodes;  // of the entries, in the order they were read
    std::vector<std::pair<ino_t, std::uint32_t>> statOrder;
    std::vector<SortPlace> places;
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

// Reading folders on POSIX systems, every call through posixCalls(). Each folder is read
// whole: its names in one pass (getdents64), every entry stat'ed without following a link
// (in the order of the inodes where the scratch room asks for it: on most file systems the
// order of their places on the disk, so that a cold disk seeks least), the time stamps
// turned into local time, and the entries sorted as an NTFS folder lists them
// (namesInOrder). A failure is the entry's state or the reading's result, never raised.
//
// Attributes: hidden for a name that begins with "."; read-only when the owner's write bit
// is clear; never archive or system; a folder is a directory not reached through a link.
// A link to a file is that file; a dangling link is a file of its own.
//
// For a walk (`oneVolume`), a folder on another device than the walk's chosen folder is
// marked FolderOnOtherVolume, and a subfolder is opened from its parent's descriptor
// without following a link, so that a folder swapped for a link is never entered. The
// const operations may be called from several threads at once.
class FolderReading {
  public:
    explicit FolderReading(bool oneVolume);

    // Opens a folder by its path, links in it followed; a path longer than the system
    // takes in one piece is opened one component at a time. For a walk, its device is the
    // one the walk stays on. 0, or the error number.
    int openRoot(const std::string& path, FolderHandle& out);

    // Whether the walk's chosen folder lies on a local disk by its file system's type (ext4,
    // xfs, tmpfs...), as openRoot found; false for a share and for a type not known.
    bool onLocalDisk() const { return localDisk_; }

    // Opens the subfolder `name` of `parent` without following a link, and only if it lies
    // on the walk's device (EXDEV otherwise). 0, or the error number.
    int openChild(const FolderHandle& parent, const char* name, FolderHandle& out) const;

    // Appends every entry of `folder` with its facts or failure to `out`, sorted. 0, or the
    // error number of a failure to read the folder's names (the entries read before it are
    // kept), or ECANCELED once `stop` is set. It is the three steps below in a row.
    int read(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
             const std::atomic<bool>& stop) const;

    // A folder read in steps, so that several threads can query the entries of a large one
    // at once: its names (0 or the error number, as read gives it), then the queries, in
    // ranges of queriesOf() that may be made at the same time by different threads, then
    // the end (local times, order).
    // `goOn` is asked between batches of names (a large folder on a share takes many).
    int readNames(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
                  const std::function<bool()>& goOn = {}) const;
    static std::size_t queriesOf(const ReadingScratch& scratch) { return scratch.statOrder.size(); }
    void query(const FolderHandle& folder, FolderEntries& out, const ReadingScratch& scratch,
               std::size_t begin, std::size_t end) const;
    void finish(FolderEntries& out, ReadingScratch& scratch) const;

    // Appends the one entry `name` of `folder`, with its facts or failure, to `out`.
    void readOne(const FolderHandle& folder, const char* name, FolderEntries& out) const;

    void close(FolderHandle& folder) const;

    // The process has no descriptor to spare: a reading may wait for one.
    static bool outOfHandles(int failure);

    // How many entries were stat'ed, so that a walk's cost can be checked.
    std::uint64_t statCalls() const { return statCalls_.load(); }

  private:
    int readNames(int fd, FolderEntries& out, std::vector<ino_t>& inodes,
                  const std::function<bool()>& goOn) const;
    void addEntry(int fd, const char* name, unsigned char type, FolderEntries& out) const;
    void queryEntry(int fd, FolderEntries& folder, FolderEntry& entry) const;
    void noteStatus(FolderEntries& folder, FolderEntry& entry, const struct stat& info) const;
    void noteLocalTimes(FolderEntries& folder) const;

    const bool oneVolume_;
    dev_t device_ = 0;
    bool localDisk_ = false;
    mutable LocalTimeCache times_;
    mutable std::atomic<std::uint64_t> statCalls_{0};
    mutable std::atomic<bool> withoutOpenOnVolume_{false};  // the kernel has no openat2
};

// Sorts the entries as an NTFS folder lists them (namesInOrder).
void sortEntries(FolderEntries& folder, ReadingScratch& scratch);

// The time stamp `seconds` in local time, through `cache` where given; false when it
// cannot be represented.
bool localTimeOf(std::int64_t seconds, DateTime& local, LocalTimeCache* cache = nullptr);

}  // namespace tolvane
