#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "posix_folder_reading.h"

namespace tolvane {

// The folders of one walk, read in the order the walk visits them: the chosen folder, then
// depth first, each folder's subfolders the last one first. On a cold disk a walk spends
// nearly all its time waiting for one folder after another; here a few threads read the
// folders ahead of the walk, strictly in its order and at most a window of folders and
// bytes ahead, and hand each one over whole (names, stats and local times) when the walk
// reaches it. A folder no thread has taken yet is read by the walk's own thread, so with
// no threads at all this is a plain sequential walk; and while readings run without
// waiting (a warm cache), the walk's thread, rather than sleep until the folder it needs
// is read, reads the next one no thread has taken. So on a warm cache one thread fewer than
// there are cores reads at once (more would only take turns with the walk's own thread);
// the more of their readings wait (for the disk), the more of them read at once, up to all
// of them, and the walk's thread waits for its folder instead.
//
// Every folder is opened from its parent's open folder without following a link, and a
// folder on another device than the chosen one (a mount point) is neither returned as a
// folder nor opened. A folder stays open while subfolders of it are still to be opened;
// when more than `maxOpenFolders` are open, every other one on the way up is closed and
// reached again, when needed, from the nearest open one above it.
//
// A failure met ahead is kept with its folder and raised when the walk asks for it. The
// walk may leave folders out (after a failure, say): asking for a later one lets go of the
// ones before it. Destroying the object stops the threads at once and joins them.
class WalkAhead {
  public:
    struct Options {
        bool recursive = true;  // false: the walk reads its chosen folder alone
        std::size_t workers = 0;
        std::size_t windowFolders = 256;
        std::size_t windowBytes = std::size_t{8} << 20;
        std::size_t maxOpenFolders = 0;  // 0: half the process's descriptor limit
    };

    WalkAhead(const Options& options, const PosixCalls& calls,
              std::atomic<std::uint64_t>& statCalls);
    WalkAhead(const WalkAhead&) = delete;
    WalkAhead& operator=(const WalkAhead&) = delete;
    ~WalkAhead();

    // The entries of the folder `prefix` (a path ending in "/"), sorted, every one stat'ed,
    // into `out`. The first folder asked for is the walk's chosen folder, reached by its
    // path; every later one must be a folder that an earlier one returned, in the walk's
    // order. Raises the failure met reading it, or "not found" for a folder that is not
    // the walk's to read.
    void take(const std::string& prefix, FolderEntries& out);

    // The device the walk stays on (valid after the first take).
    dev_t device() const { return device_; }

  private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    // What a thread that reads folders keeps from one to the next: the descriptors it is
    // to close outside the lock, and its scratch room.
    struct ReaderRoom {
        std::vector<int> closing;
        ReadingScratch scratch;
    };

    void work();
    NodePtr pickLocked();
    // Reads the folder, the lock held on entry and on return. With `watch`, notes whether
    // the reading had to wait.
    void read(const NodePtr& node, std::unique_lock<std::mutex>& lock, ReaderRoom& room,
              bool watch = false);
    static void closeAll(std::vector<int>& fds);
    // Wakes as many idle threads as may start reading now.
    void wakeLocked();
    // Counts one reading by a thread that had to wait (for the disk, say) or did not.
    void noteWaitLocked(bool waited);
    // Opening a folder from the nearest open one above it: planned with the lock held,
    // done without it, finished with it held again.
    struct Opening {
        Node* base = nullptr;  // the nearest open folder above, in use until finished
        int baseFd = -1;
        std::vector<Node*> closed;  // the folders between it and the parent, nearest first
    };
    bool planOpeningLocked(Node& node, Opening& opening);
    int openPlanned(const Node& node, const Opening& opening, int& reopened);
    void finishOpeningLocked(Node& node, const Opening& opening, int reopened, int opened);
    void dropFrontLocked();
    void popFrontLocked();
    void leftWindowLocked(const Node& node);
    // One subfolder of `parent` opened or left out (`opened` false: nothing changed but
    // who uses it); closes `parent` once none is left and nobody uses it.
    void releaseChildLocked(Node& parent, bool opened = true);
    void closeLocked(Node& node);
    void thinLocked(const Node& from);
    bool matches(const Node& node, const std::string& prefix) const;
    std::size_t openFolderLimit();

    const Options options_;
    const PosixCalls& calls_;
    std::atomic<std::uint64_t>& statCalls_;
    std::atomic<bool> stopping_{false};

    std::mutex mutex_;
    std::condition_variable workReady_;  // workers wait here
    std::condition_variable nodeReady_;  // the walk waits here for a folder being read
    std::list<NodePtr> ahead_;           // the folders still to visit that are known, in order
    // Where in ahead_ the first folder no thread has taken is, or any place before it: the
    // threads look for the next folder to read from here rather than from the front.
    std::list<NodePtr>::iterator pendingFrom_;
    NodePtr root_;
    std::string rootPrefix_;
    std::string lastPrefix_;  // the folder the walk took last
    dev_t device_ = 0;
    std::size_t reading_ = 0;     // folders read or being read ahead and not yet taken
    std::size_t readyBytes_ = 0;  // memory those readings take
    std::size_t idleWorkers_ = 0;
    // Threads reading a folder now, and how many may: one fewer than there are cores while
    // reading keeps them busy (a warm cache), up to every thread while readings wait.
    std::size_t busyWorkers_ = 0;
    std::size_t busyLimit_ = 0;
    std::size_t warmReaders_ = 1;  // the limit on a warm cache: a core each, the walk's aside
    unsigned waitShare_ = 0;       // of readings lately that waited, in 1/65536ths
    bool windowWasFull_ = false;   // a thread found no room in the window
    std::size_t openFolders_ = 0;
    std::size_t maxOpenFolders_ = 0;
    const Node* awaited_ = nullptr;  // the folder the walk waits for
    std::vector<int> closing_;       // descriptors let go of, to close outside the lock
    ReaderRoom walkRoom_;            // the walk's own thread's
    // The buffers of folders the walk is done with, emptied, for the next readings to fill.
    std::vector<FolderEntries> spare_;
    std::vector<std::thread> workers_;
    LocalTimeCache times_;
};

}  // namespace tolvane
