#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "folder_entries.h"
#include "native_folder_reading.h"
#include "process_limits.h"
#include "spin_first_mutex.h"

namespace tolvane {

// How a walk reads. A warm cache is bound by the kernel's work on the cores there are,
// where every thread beyond them only takes turns with the walk's own; a cold disk, and far
// more a share, keeps a reading waiting most of the time, and there only the readings in
// flight at once count: through a share that answers each request after 500 us, 8 threads
// listed 10,000 files in 200 folders in 1.7 s, 64 in 0.4 s. So no more threads read at once
// than there are cores until their readings are seen to wait, and then more, up to this
// many (started as they are let in; 8 at most from a local disk). The window holds a few thousand
// folders and 8 MiB at most whatever their size: room for the threads to read on while the walk's
// own thread is held up (this virtual machine's host takes a core away for tens of milliseconds at
// times). With 256 folders /usr listed in 0.236 s warm and 1.02 s cold, with 4,096 in
// 0.217 s and 0.88 s; the other trees the same. Measured with bench/compare.
struct WalkOptions {
    std::size_t readAheadThreads = 64;  // 0: the plain sequential walk
    std::size_t windowFolders = 4096;
    std::size_t windowBytes = std::size_t{8} << 20;
    // Descriptors the walk may hold at once, open folders and readings together (0: half
    // of what the process may have).
    std::size_t maxOpenFolders = 0;
};

// One folder as the walk hands it over.
struct WalkFolder {
    std::string path;       // as the listing's Directory field shows it
    int openFailure = 0;    // the folder could not be entered: no entries
    int readFailure = 0;    // its names could not all be read: the entries read before
    FolderEntries entries;  // in listing order, each with its facts or its failure
    // The subfolder one past the most a folder may hold (an index into entries, or kNone):
    // the walk enters none of this folder's subfolders.
    std::size_t overflowAt = kNone;

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// The folders of one walk, handed over in exactly the listing's order: the chosen folder,
// then depth first, each folder's subfolders the last one found first, each one's whole
// tree before the next. A failure is a state of the folder or of the entry it concerns,
// never raised, and loses only what could not be read: a folder that cannot be entered is
// handed over with its failure and the walk goes on with the next one.
//
// On a cold disk a walk spends nearly all its time waiting for one folder after another;
// here a few threads read the folders ahead of the walk, strictly in its order and at most
// a window of folders and bytes ahead, and each one is handed over whole when the walk
// reaches it. A folder no thread has taken yet is read by the walk's own thread, so with no
// threads at all this is a plain sequential walk; and while readings run without waiting
// (a warm cache), the walk's thread, rather than sleep until the folder it needs is read,
// reads the next one no thread has taken. So on a warm cache one thread fewer than there
// are cores reads at once; the more of their readings wait (a disk, a share), the more of
// them read at once, up to WalkOptions::readAheadThreads, and the walk's thread waits for
// its folder instead, handing its caller the time every kHookEvery. A folder with many
// entries to query is queried in slices by every thread that is free.
//
// Every subfolder is opened from its parent's open folder without following a link, and a
// folder on another volume than the chosen one (a mount point) is neither entered nor
// listed. A folder stays open while subfolders of it are still to be opened; when more are
// open than the descriptors allow, every other one on the way up is closed and reached
// again, when needed, from the nearest open one above it. A reading that finds the process
// out of descriptors waits for one that the walk holds to be freed. Destroying the object
// stops the threads at once and joins them; no descriptor outlives it.
class OrderedWalk {
  public:
    // Most subfolders one folder may hold: the walker counts them in a 16-bit signed number.
    static constexpr std::size_t kMostSubfolders = 32767;

    OrderedWalk(const std::string& root, bool recursive, const WalkOptions& options);
    OrderedWalk(const OrderedWalk&) = delete;
    OrderedWalk& operator=(const OrderedWalk&) = delete;
    ~OrderedWalk();

    // The path of the folder next() hands over next, before it is read; false when the
    // walk is over.
    bool peek(std::string& path);

    // Called on the walk's own thread every kHookEvery or so while next() waits for a folder
    // (a share, a cold disk), so that its caller can handle a Stop press; when it returns
    // false, next() returns false at once.
    static constexpr auto kHookEvery = std::chrono::milliseconds(20);
    void setWaitHook(std::function<bool()> hook) { waitHook_ = std::move(hook); }

    // The next folder into `out`; false when the walk is over.
    bool next(WalkFolder& out);

    // Whether `entry` of a folder is a subfolder the walk enters (found, queried, not "."
    // or "..", not a link or a mount point).
    static bool isSubfolder(const FolderEntries& folder, const FolderEntry& entry);

    // How many entries were queried, so that a walk's cost can be checked.
    std::uint64_t statCalls() const { return reading_.statCalls(); }

  private:
    struct Node;
    using WalkLock = std::unique_lock<SpinFirstMutex>;
    using NodePtr = std::shared_ptr<Node>;

    // A large folder's queries, shared out in slices: `next` is the first not handed out,
    // `done` how many are made. Lives on the stack of the thread reading the folder.
    struct SliceJob {
        const FolderHandle* handle;
        FolderEntries* entries;
        const ReadingScratch* scratch;
        std::size_t total;
        std::size_t slice;  // queries handed out at once
        std::size_t next = 0;
        std::size_t done = 0;
    };

    // What a thread that reads folders keeps from one to the next: the handles it is to
    // close outside the lock, and its scratch room.
    struct ReaderRoom {
        std::vector<FolderHandle> closing;
        ReadingScratch scratch;
        // The reading under way is watched for a wait and not counted yet; since `mark`.
        bool watching = false;
        WaitMark mark;
    };

    // Opening a folder from the nearest open one above it: planned with the lock held,
    // done without it, finished with it held again.
    struct Opening {
        Node* base = nullptr;  // the nearest open folder above, in use until finished
        FolderHandle baseHandle;
        std::vector<Node*> closed;  // the folders between it and the parent, nearest first
        FolderHandle reopened;      // the parent, reached again
        FolderHandle opened;
        int failure = 0;
    };

    void work();
    NodePtr pickLocked();
    // Waits for the folder being read; false when the wait hook said stop.
    bool awaitLocked(const NodePtr& node, WalkLock& lock);
    bool callHook();
    // Whether kHookEvery has passed since the caller last had the time (the walk's thread).
    bool hookDue() const { return std::chrono::steady_clock::now() - lastHook_ >= kHookEvery; }
    void hookWhileReading(const Node& node);
    // Queries the entries of the folder being read, a large one in slices shared out.
    void queryAll(Node& node, ReaderRoom& room);
    // Counts the watched reading under way as one that waited, once it is seen to have.
    void countEarlyWait(ReaderRoom& room);
    // Queries one slice of a large folder another thread reads; false when there is none.
    bool helpWithSliceLocked(WalkLock& lock);
    // Queries the next slice of `job`, the lock let go of meanwhile; false when none is left
    // to hand out (or the walk stops).
    bool querySliceLocked(SliceJob& job, WalkLock& lock);
    void startWorkersLocked();
    // Reads the folder, the lock held on entry and on return. With `watch`, notes whether
    // the reading had to wait.
    void read(const NodePtr& node, WalkLock& lock, ReaderRoom& room, bool watch = false);
    // Opens the folder (the lock held on entry and on return); 0 or the error number.
    int openLocked(Node& node, WalkLock& lock, ReaderRoom& room);
    void readEntries(Node& node, ReaderRoom& room, std::vector<NodePtr>& children);
    void finishLocked(const NodePtr& node, std::vector<NodePtr>& children, ReaderRoom& room);
    // Out of descriptors: frees what the walk can and waits for another reading to free
    // one; false when nothing the walk holds can be freed.
    bool waitForHandleLocked(Node& node, WalkLock& lock, ReaderRoom& room, int& tries);
    // Closes every open folder nobody uses, to leave descriptors to the walk's own reading.
    void freeUnusedLocked(const Node& node);
    // Gives a folder read ahead back, to be read when the walk gets there.
    void deferLocked(const NodePtr& node);
    bool planOpeningLocked(Node& node, Opening& opening);
    void openPlanned(const Node& node, Opening& opening);
    void finishOpeningLocked(Node& node, Opening& opening);
    void handOver(const NodePtr& node, WalkFolder& out);
    std::size_t chainLengthOf(const Node& parent) const;
    // Takes the handles let go of, to close outside the lock with closeAll.
    void takeClosingLocked(std::vector<FolderHandle>& into);
    void closeAll(std::vector<FolderHandle>& handles);
    // Wakes as many idle threads as may start reading now.
    void wakeLocked();
    // Counts one folder whose first queries were timed: round trips (a share) or not (a
    // local disk, where fewer threads read at once).
    void noteRoundTrips(bool roundTrips);
    // Counts one reading by a thread that had to wait (for the disk, say) or did not.
    void noteWaitLocked(bool waited);
    void leftWindowLocked(const Node& node);
    // One subfolder of `parent` opened or given up (`opened` false: nothing changed but
    // who uses it); closes `parent` once none is left and nobody uses it.
    void releaseChildLocked(Node& parent, bool opened = true);
    void closeLocked(Node& node, std::vector<FolderHandle>* into = nullptr);
    // Closes every other open folder above `from` (`all`: every one nobody uses).
    void thinLocked(const Node& from, bool all = false);
    std::size_t openFolderLimit();

    const WalkOptions options_;
    const bool recursive_;
    FolderReading reading_{true};
    std::atomic<bool> stopping_{false};

    SpinFirstMutex mutex_;
    std::condition_variable_any workReady_;    // workers wait here
    std::condition_variable_any nodeReady_;    // the walk waits here for a folder being read
    std::condition_variable_any handleFreed_;  // readings out of descriptors wait here
    std::condition_variable_any slicesDone_;   // a reading waits here for its slices
    std::vector<SliceJob*> sliceJobs_;
    std::function<bool()> waitHook_;
    std::atomic<bool> hookStopped_{false};
    std::chrono::steady_clock::time_point lastHook_;
    bool started_ = false;  // the threads may start (the chosen folder is read)
    std::atomic<std::uint64_t> nextSerial_{1};
    // The path of the folder handed over last, and for each folder on the way to it from
    // the chosen one its serial and where its path ends.
    std::string chainPath_;
    std::vector<std::pair<std::uint64_t, std::size_t>> chain_;
    unsigned walkReadings_ = 0;  // the walk's own, one in a few watched
    std::list<NodePtr> ahead_;   // the folders still to hand over that are known
    // Where in ahead_ the first folder no thread has taken is, or any place before it: the
    // threads look for the next folder to read from here rather than from the front. The
    // folders a look passes are marked with lookRound_, which a look from the front again
    // makes new: a folder so marked lies before this place.
    std::list<NodePtr>::iterator pendingFrom_;
    std::uint64_t lookRound_ = 1;
    NodePtr root_;
    std::size_t readingAhead_ = 0;  // folders read or being read ahead and not yet taken
    std::size_t readyBytes_ = 0;    // memory those readings take
    std::size_t idleWorkers_ = 0;
    // Threads reading a folder now, and how many may: one fewer than there are cores while
    // reading keeps them busy (a warm cache), up to every thread while readings wait.
    std::size_t busyWorkers_ = 0;
    std::size_t readingsNow_ = 0;  // readings under way, the walk's own thread's included
    bool handlesShort_ = false;    // out of descriptors: nobody reads ahead for now
    std::size_t busyLimit_ = 0;
    std::size_t warmReaders_ = 1;  // the limit on a warm cache: a core each, the walk's aside
    unsigned waitShare_ = 0;       // of readings lately that waited, in 1/65536ths
    // Of folders lately whose queries were round trips, and whether any were timed (none
    // are where a folder's reading hands the facts over with the names, as on Windows).
    std::atomic<unsigned> tripShare_{0};
    std::atomic<bool> queriesTimed_{false};
    bool windowWasFull_ = false;  // a thread found no room in the window
    std::size_t openFolders_ = 0;
    std::size_t maxOpenFolders_ = 0;
    std::atomic<std::size_t> handlesClosing_{0};  // taken to be closed, not closed yet
    std::atomic<std::uint64_t> handlesFreed_{0};  // handles closed so far, for readings that wait
    const Node* awaited_ = nullptr;               // the folder the walk waits for
    std::vector<FolderHandle> closing_;           // handles let go of, to close outside the lock
    ReaderRoom walkRoom_;                         // the walk's own thread's
    // The buffers of folders the walk is done with, emptied, for the next readings to fill.
    std::vector<FolderEntries> spare_;
    std::vector<std::thread> workers_;
};

}  // namespace tolvane
