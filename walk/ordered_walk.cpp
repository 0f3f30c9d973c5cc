#include "ordered_walk.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <system_error>

#include "path_separator.h"
#include "process_limits.h"

namespace tolvane {

namespace {

// One reading in this many is watched for waiting: asking costs a system call.
constexpr unsigned kSampleEvery = 4;

// The emptied buffers of folders kept for the next readings: as many as the threads may
// want at once, each no larger than a folder of a few thousand entries, so that what is
// kept stays small beside the window.
constexpr std::size_t kSpareBuffers = 16;
constexpr std::size_t kSpareBytes = std::size_t{256} << 10;

// A reading out of descriptors tries again after each one freed, or every 20 ms, and gives
// up after 100 tries (2 s with nothing freed): then nothing the walk holds is coming back.
constexpr auto kHandleWait = std::chrono::milliseconds(20);
constexpr int kHandleTries = 100;

// A folder with more entries to query than this is queried in slices of kSlice entries by
// every thread that is free: through a share, 5,000 queries one after another take 2.5 s at
// half a millisecond a round trip; 64 threads at once, about 40 ms. Below it, one thread
// reads the folder faster than the slices would be handed out.
// A folder's first queries are timed: when they took more than kRoundTrip each, the rest are
// shared out. The walk cannot go below a folder before it is read, and 100 subfolders
// queried one after another on a share kept every other thread waiting 100 ms; a query of a
// warm local disk takes a microsecond or two, and a cold disk reads a block of inodes at
// once, so that the order of the inodes, one thread's, is the fast one there.
// A slice is small because a thread looks at Stop, and the walk's thread hands its caller
// the time, only between slices: a query through a share is a look-up and a getattr, and
// while 64 readers keep both cores busy each takes 1 to 3 ms. On the slow share
// tolvane-list ended 15 to 81 ms after SIGTERM with slices of 8, 14 to 42 ms with slices
// of 4 (20 tries each), and listed as fast.
constexpr std::size_t kProbed = 8;
constexpr auto kRoundTrip = std::chrono::microseconds(150);
constexpr std::size_t kSlice = 4;
// A folder whose first queries took less than kWarmQuery each is in a warm cache, where the
// cores are what a reading waits for: one with more than kWarmShared queries left is shared
// out in slices of kWarmSlice, so that the free cores query it too. One folder of 200,000
// files took 0.36 s on one thread and 0.27 s shared (the baseline: 0.33 s).
constexpr auto kWarmQuery = std::chrono::microseconds(10);
constexpr std::size_t kWarmShared = 1024;
constexpr std::size_t kWarmSlice = 256;
// Queries made between two looks at Stop by a thread reading a folder alone: a folder on a
// share is sliced after its first kProbed, and on a local disk 8 queries take microseconds.
constexpr std::size_t kBetweenLooks = 8;

// Descriptors one reading may hold at once: the parent reached again and the folder.
constexpr std::size_t kHandlesPerReading = 2;
// A quarter, in the 1/65536ths the share of readings that waited is counted in.
constexpr std::size_t kQuarter = 65536 / 4;
// Most threads reading at once from a local disk: there the disk, not the round trip, is
// what a reading waits for, and more threads in its queue only scatter its reads. Cold,
// /usr listed in 0.95 s with 8, 1.4 s with 16 and 1.7 s with 64 (the baseline: 2.06 s);
// the tree of 1,000 folders of 200 files in 0.41 s with 8 and 0.43 s with 64. A volume of a
// local disk's type is one from the start; another, once its folders' first queries show
// no round trips. (Told by the queries alone, a cold disk's first folders, 1 to 7 ms a
// query, looked like a share's, and up to 64 threads flooded the disk with reads the walk
// did not need yet: cold, /usr took 0.80 s instead of 0.72 s, the wide tree 0.45 s instead
// of 0.43 s.)
constexpr std::size_t kDiskReaders = 8;

void appendChild(std::string& path, std::string_view name) {
    if (path.empty() || path.back() != kPathSeparator) {
        path.push_back(kPathSeparator);
    }
    path.append(name);
}

}  // namespace

struct OrderedWalk::Node {
    enum class State : std::uint8_t { Pending, Reading, Ready };

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node() {
        // Let go of the folders above one at a time: a chain thousands of folders deep
        // must not be undone by as many nested destructor calls.
        NodePtr above = std::move(parent);
        while (above && above.use_count() == 1) {
            NodePtr next = std::move(above->parent);
            above = std::move(next);
        }
    }

    NodePtr parent;            // null for the walk's chosen folder
    std::string name;          // the bare name in the parent
    std::string path;          // the chosen folder's; the others' are made as they are handed over
    std::uint64_t serial = 0;  // tells a folder from one made later at the same address
    std::list<NodePtr>::iterator position;
    State state = State::Pending;
    std::uint64_t passedIn = 0;  // the look (lookRound_) that went past it, taken
    bool byWalk = false;         // read by the walk's own thread, so not part of the window
    FolderHandle handle;
    int users = 0;  // openings below it that use its handle right now
    std::size_t unopenedChildren = 0;
    int openFailure = 0;
    int readFailure = 0;
    std::size_t overflowAt = WalkFolder::kNone;
    std::size_t bytes = 0;
    FolderEntries entries;
};

bool OrderedWalk::isSubfolder(const FolderEntries& folder, const FolderEntry& entry) {
    return entry.kind == EntryKind::Folder && entry.failure == 0 &&
           !isSelfOrParent(folder.nameOf(entry));
}

OrderedWalk::OrderedWalk(const std::string& root, bool recursive, const WalkOptions& options)
    : options_(options), recursive_(recursive) {
    maxOpenFolders_ = openFolderLimit();
    // The walk's own thread reads too whenever it would otherwise wait, so on a warm cache
    // one core is left to it.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    warmReaders_ = std::max<std::size_t>(1, cores - 1);
    busyLimit_ = std::min(recursive_ ? options_.readAheadThreads : 0, warmReaders_);
    lastHook_ = std::chrono::steady_clock::now();
    root_ = std::make_shared<Node>();
    root_->path = root;
    root_->position = ahead_.insert(ahead_.end(), root_);
    pendingFrom_ = ahead_.begin();
}

OrderedWalk::~OrderedWalk() {
    {
        std::lock_guard<SpinFirstMutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    handleFreed_.notify_all();
    slicesDone_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    closeAll(walkRoom_.closing);  // the folders read on this thread since it last closed any
    for (const NodePtr& node : ahead_) {
        for (Node* n = node.get(); n != nullptr; n = n->parent.get()) {
            closeLocked(*n);
        }
    }
    closeLocked(*root_);
    ahead_.clear();
    root_.reset();
    std::vector<FolderHandle> last;
    takeClosingLocked(last);
    closeAll(last);
}

std::size_t OrderedWalk::openFolderLimit() {
    if (options_.maxOpenFolders != 0) {
        return options_.maxOpenFolders;
    }
    return std::max<std::size_t>(processHandleLimit() / 2, 4);
}

bool OrderedWalk::next(WalkFolder& out) {
    WalkLock lock(mutex_);
    if (ahead_.empty()) {
        return false;
    }
    const NodePtr node = ahead_.front();
    while (node->state != Node::State::Ready) {
        if (node->state == Node::State::Pending) {
            // No thread has taken it (or one gave it back): the walk reads it itself.
            node->state = Node::State::Reading;
            node->byWalk = true;
            read(node, lock, walkRoom_, walkReadings_++ % kSampleEvery == 0);
            if (ahead_.size() > 1 && !started_) {
                started_ = true;
                startWorkersLocked();
            }
        } else if (!awaitLocked(node, lock)) {
            return false;  // stopped while it waited
        }
        if (hookStopped_) {
            return false;
        }
    }
    handlesShort_ = false;
    if (pendingFrom_ == ahead_.begin()) {
        ++pendingFrom_;
    }
    ahead_.pop_front();
    leftWindowLocked(*node);
    handOver(node, out);
    takeClosingLocked(walkRoom_.closing);
    lock.unlock();
    closeAll(walkRoom_.closing);
    walkRoom_.scratch.trim();
    return true;
}

bool OrderedWalk::peek(std::string& path) {
    std::lock_guard<SpinFirstMutex> lock(mutex_);
    if (ahead_.empty()) {
        return false;
    }
    const Node& node = *ahead_.front();
    if (!node.parent) {
        path = node.path;
        return true;
    }
    path.assign(chainPath_, 0, chainLengthOf(*node.parent));
    appendChild(path, node.name);
    return true;
}

std::size_t OrderedWalk::chainLengthOf(const Node& parent) const {
    // A folder's parent is always handed over before it, and is on the chain from the
    // chosen folder to the one handed over last: the walk is depth first.
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
        if (it->first == parent.serial) {
            return it->second;
        }
    }
    return 0;
}

void OrderedWalk::handOver(const NodePtr& node, WalkFolder& out) {
    // One path for the chain of folders handed over, cut back to the parent for each new
    // one: a path kept in every folder would take memory in the square of a tree's depth.
    if (!node->parent) {
        chainPath_ = node->path;
        chain_.clear();
    } else {
        const std::uint64_t parent = node->parent->serial;
        while (!chain_.empty() && chain_.back().first != parent) {
            chain_.pop_back();
        }
        chainPath_.resize(chain_.empty() ? 0 : chain_.back().second);
        appendChild(chainPath_, node->name);
    }
    chain_.emplace_back(node->serial, chainPath_.size());
    out.path = chainPath_;
    out.openFailure = node->openFailure;
    out.readFailure = node->readFailure;
    out.overflowAt = node->overflowAt;
    out.entries.clear();
    std::swap(out.entries, node->entries);
    if (spare_.size() < kSpareBuffers && node->entries.bytes() <= kSpareBytes) {
        spare_.push_back(std::move(node->entries));
    }
    node->entries = FolderEntries();
}

void OrderedWalk::startWorkersLocked() {
    // Threads are started as they are allowed to read, so that a walk that never waits
    // starts no more of them than there are cores.
    if (options_.readAheadThreads == 0 || stopping_ || !started_) {
        return;
    }
    try {
        while (workers_.size() < busyLimit_) {
            workers_.emplace_back([this] { work(); });
        }
    } catch (const std::system_error&) {
        busyLimit_ = workers_.size();  // no more threads to be had: those there are read
    }
}

bool OrderedWalk::awaitLocked(const NodePtr& node, WalkLock& lock) {
    // Rather than wait for the thread reading it, the walk reads the next folder no thread
    // has taken, as long as there is one within the window: a thread that sleeps and is
    // woken for every folder costs more than a small folder takes to read. Not while
    // readings wait for the disk: there the threads are many, and a folder read here could
    // keep the walk from the one it needs for as long as the disk takes; then it helps
    // with the slices of a large folder, and hands its caller the time it waits.
    awaited_ = node.get();
    bool goOn = true;
    while (node->state == Node::State::Reading && goOn) {
        const NodePtr next = busyLimit_ <= warmReaders_ ? pickLocked() : nullptr;
        if (next) {
            next->state = Node::State::Reading;
            ++readingAhead_;
            read(next, lock, walkRoom_, walkReadings_++ % kSampleEvery == 0);
        } else if (!walkRoom_.closing.empty()) {
            lock.unlock();
            closeAll(walkRoom_.closing);  // not held while it waits
            lock.lock();
        } else if (helpWithSliceLocked(lock)) {
            // Slices of other folders, one after another, can keep it from waiting for a
            // long while on a share: its caller still has the time every kHookEvery.
            if (hookDue()) {
                lock.unlock();
                goOn = callHook();
                lock.lock();
            }
        } else if (!nodeReady_.wait_for(lock, kHookEvery,
                                        [&node] { return node->state != Node::State::Reading; })) {
            lock.unlock();
            goOn = callHook();
            lock.lock();
        }
    }
    awaited_ = nullptr;
    return goOn;
}

void OrderedWalk::hookWhileReading(const Node& node) {
    // The walk's own folder, read on its own thread: its caller is not kept waiting.
    if (node.byWalk && hookDue()) {
        callHook();
    }
}

bool OrderedWalk::callHook() {
    lastHook_ = std::chrono::steady_clock::now();
    if (waitHook_ && !waitHook_()) {
        hookStopped_ = true;
    }
    return !hookStopped_;
}

void OrderedWalk::queryAll(Node& node, ReaderRoom& room) {
    const std::size_t total = FolderReading::queriesOf(room.scratch);
    // The first queries one after another, timed: a folder whose queries are round trips
    // (a share) is shared out in small slices, a large one in a warm cache in large ones;
    // one on a cold local disk is this thread's alone, in the order of its inodes.
    const auto started = std::chrono::steady_clock::now();
    std::size_t at = 0;
    bool roundTrips = false;
    bool warm = false;
    for (; at < total && !stopping_ && !hookStopped_; at += kBetweenLooks) {
        if (at == kProbed && options_.readAheadThreads != 0 &&
            ((roundTrips && total - at > kSlice) || (warm && total - at > kWarmShared))) {
            break;
        }
        const std::size_t end = std::min(at + kBetweenLooks, total);
        reading_.query(node.handle, node.entries, room.scratch, at, end);
        if (at == 0) {
            const auto took = std::chrono::steady_clock::now() - started;
            roundTrips = took > end * kRoundTrip;
            warm = took < end * kWarmQuery;
            noteRoundTrips(roundTrips);
            countEarlyWait(room);
        }
        hookWhileReading(node);
    }
    if (at >= total || stopping_ || hookStopped_) {
        return;
    }
    SliceJob job{&node.handle, &node.entries, &room.scratch, total,
                 roundTrips ? kSlice : kWarmSlice};
    job.next = job.done = at;
    WalkLock lock(mutex_);
    sliceJobs_.push_back(&job);
    started_ = true;  // a large chosen folder is shared out too
    startWorkersLocked();
    workReady_.notify_all();
    while (querySliceLocked(job, lock)) {
        if (node.byWalk) {
            lock.unlock();
            hookWhileReading(node);
            lock.lock();
        }
    }
    slicesDone_.wait(lock, [&job] { return job.done == job.next; });
    sliceJobs_.erase(std::find(sliceJobs_.begin(), sliceJobs_.end(), &job));
}

void OrderedWalk::countEarlyWait(ReaderRoom& room) {
    // A cold disk's first folders are the slowest, and the threads let in grow with every
    // reading counted as one that waited. Counted when they ended, the first ones (100
    // subfolders each, 12 ms) kept two threads reading alone until 23 ms into a cold listing
    // of 1,000 folders of 200 files; counted here, eight read by 17 ms. Cold, that listing
    // went from 0.454 s to 0.448 s and /usr from 0.745 s to 0.726 s (medians of 11 and 7).
    if (room.watching && waitedSince(room.mark)) {
        room.watching = false;
        WalkLock lock(mutex_);
        noteWaitLocked(true);
    }
}

bool OrderedWalk::helpWithSliceLocked(WalkLock& lock) {
    for (SliceJob* job : sliceJobs_) {
        if (querySliceLocked(*job, lock)) {
            return true;
        }
    }
    return false;
}

bool OrderedWalk::querySliceLocked(SliceJob& job, WalkLock& lock) {
    if (job.next >= job.total || stopping_ || hookStopped_) {
        return false;
    }
    const std::size_t begin = job.next;
    const std::size_t end = std::min(begin + job.slice, job.total);
    job.next = end;
    lock.unlock();
    const WaitMark mark = markWait();
    reading_.query(*job.handle, *job.entries, *job.scratch, begin, end);
    const bool waited = waitedSince(mark);
    lock.lock();
    noteWaitLocked(waited);
    job.done += end - begin;
    if (job.done == job.next) {
        slicesDone_.notify_all();
    }
    return true;
}

void OrderedWalk::leftWindowLocked(const Node& node) {
    if (node.byWalk) {
        return;
    }
    --readingAhead_;
    readyBytes_ -= node.bytes;
    // Threads that stopped at the edge of the window go on once a quarter of it is free,
    // all at once: waking one for every folder taken would cost more than it buys.
    if (windowWasFull_ && idleWorkers_ > 0 && readingAhead_ <= options_.windowFolders * 3 / 4 &&
        readyBytes_ <= options_.windowBytes * 3 / 4) {
        windowWasFull_ = false;
        wakeLocked();
    }
}

OrderedWalk::NodePtr OrderedWalk::pickLocked() {
    if (handlesShort_) {
        return nullptr;
    }
    if (readingAhead_ >= options_.windowFolders || readyBytes_ >= options_.windowBytes) {
        windowWasFull_ = true;
        return nullptr;
    }
    // Every reading may hold two descriptors: no more readings than the budget leaves room
    // for, the walk's own thread aside, which may always read.
    if (openFolders_ + kHandlesPerReading * (readingsNow_ + 1) > maxOpenFolders_) {
        return nullptr;
    }
    for (; pendingFrom_ != ahead_.end(); ++pendingFrom_) {
        const NodePtr& node = *pendingFrom_;
        if (node->state == Node::State::Pending) {
            return node;  // the first the walk will reach
        }
        node->passedIn = lookRound_;
    }
    return nullptr;
}

void OrderedWalk::work() {
    WalkLock lock(mutex_);
    unsigned readings = 0;
    ReaderRoom room;
    while (!stopping_) {
        if (helpWithSliceLocked(lock)) {
            continue;
        }
        const NodePtr node = busyWorkers_ < busyLimit_ ? pickLocked() : nullptr;
        if (!node) {
            if (!closing_.empty() || !room.closing.empty()) {
                takeClosingLocked(room.closing);
                lock.unlock();
                closeAll(room.closing);
                lock.lock();
                continue;
            }
            ++idleWorkers_;
            workReady_.wait(lock);
            --idleWorkers_;
            continue;
        }
        node->state = Node::State::Reading;
        ++readingAhead_;
        ++busyWorkers_;
        // The reading ends with the lock held, to look for the next folder at once.
        read(node, lock, room, readings++ % kSampleEvery == 0);
        --busyWorkers_;
    }
    lock.unlock();
    closeAll(room.closing);
}

void OrderedWalk::takeClosingLocked(std::vector<FolderHandle>& into) {
    handlesClosing_ += closing_.size();
    into.insert(into.end(), closing_.begin(), closing_.end());
    closing_.clear();
}

void OrderedWalk::closeAll(std::vector<FolderHandle>& handles) {
    for (FolderHandle& handle : handles) {
        reading_.close(handle);
    }
    if (!handles.empty()) {
        handlesFreed_ += handles.size();
        handlesClosing_ -= handles.size();
        handleFreed_.notify_all();
    }
    handles.clear();
}

void OrderedWalk::read(const NodePtr& node, WalkLock& lock, ReaderRoom& room, bool watch) {
    // Everything that needs the lock is done in a few turns of it: a lock passed between
    // threads for every entry costs more than reading a small folder.
    if (!spare_.empty()) {
        node->entries = std::move(spare_.back());
        spare_.pop_back();
    }
    ++readingsNow_;
    // Queried in the disk's order once readings are seen to wait (a cold disk, a share).
    room.scratch.inDiskOrder = waitShare_ > kQuarter / 4;
    const int failure = openLocked(*node, lock, room);
    if (FolderReading::outOfHandles(failure) && !node->byWalk) {
        deferLocked(node);
        return;
    }
    lock.unlock();
    std::vector<NodePtr> children;
    room.watching = watch && failure == 0;
    if (room.watching) {
        room.mark = markWait();
    }
    if (failure == 0) {
        readEntries(*node, room, children);  // counts a wait seen early itself
    } else {
        node->openFailure = failure;
        node->entries.clear();
    }
    const bool counting = room.watching;
    room.watching = false;
    const bool waited = counting && waitedSince(room.mark);
    lock.lock();
    if (counting) {
        noteWaitLocked(waited);
    }
    --readingsNow_;
    finishLocked(node, children, room);
}

int OrderedWalk::openLocked(Node& node, WalkLock& lock, ReaderRoom& room) {
    if (!node.parent) {
        // The chosen folder is reached by its path, links in it followed.
        lock.unlock();
        FolderHandle handle;
        const int failure = reading_.openRoot(node.path, handle);
        lock.lock();
        if (failure == 0) {
            node.handle = handle;
            ++openFolders_;
        }
        return failure;
    }
    for (int tries = 0;;) {
        Opening opening;
        if (!planOpeningLocked(node, opening)) {
            return ENOENT;  // nothing above it is open any more: the walk has ended
        }
        takeClosingLocked(room.closing);  // closed here, outside the lock
        lock.unlock();
        closeAll(room.closing);
        openPlanned(node, opening);
        lock.lock();
        finishOpeningLocked(node, opening);
        // A folder read ahead is given back rather than waited for: the walk reads it when
        // it gets there, and gives up only when nothing it holds is coming back.
        if (FolderReading::outOfHandles(opening.failure) && !node.byWalk) {
            freeUnusedLocked(node);
            return opening.failure;  // to be opened later: still a child to come
        }
        if (!FolderReading::outOfHandles(opening.failure) ||
            !waitForHandleLocked(node, lock, room, tries)) {
            releaseChildLocked(*node.parent);  // opened, or never to be
            return opening.failure;
        }
    }
}

bool OrderedWalk::waitForHandleLocked(Node& node, WalkLock& lock, ReaderRoom& room, int& tries) {
    // The process is out of descriptors, which is no failure of this folder: the walk keeps
    // fewer folders open from now on, closes every one nobody uses (each is reached again
    // from the one above when needed), and tries again once a handle is freed. Each try
    // frees one or waits for one, so the tries are bounded in number and in time.
    if (++tries > kHandleTries || stopping_) {
        return false;
    }
    freeUnusedLocked(node);
    if (!closing_.empty()) {
        takeClosingLocked(room.closing);
        lock.unlock();
        closeAll(room.closing);
        lock.lock();
        return true;
    }
    if (readingsNow_ <= 1 && handlesClosing_ == 0) {
        return false;  // no other reading holds one: nothing the walk holds is coming back
    }
    const std::uint64_t seen = handlesFreed_.load();
    handleFreed_.wait_for(lock, kHandleWait, [&] {
        return handlesFreed_.load() != seen || stopping_ || !closing_.empty();
    });
    return !stopping_;
}

void OrderedWalk::freeUnusedLocked(const Node& node) {
    maxOpenFolders_ = std::max<std::size_t>(openFolders_ > 2 ? openFolders_ - 1 : 2, 2);
    handlesShort_ = true;  // no more readings ahead until the walk has moved on
    thinLocked(node, true);
    for (const NodePtr& ahead : ahead_) {
        thinLocked(*ahead, true);
    }
}

void OrderedWalk::deferLocked(const NodePtr& node) {
    --readingsNow_;
    --readingAhead_;
    node->state = Node::State::Pending;
    node->entries.clear();
    pendingFrom_ = ahead_.begin();
    ++lookRound_;
    if (awaited_ == node.get()) {
        nodeReady_.notify_all();
    }
}

void OrderedWalk::readEntries(Node& node, ReaderRoom& room, std::vector<NodePtr>& children) {
    FolderEntries& folder = node.entries;
    node.readFailure = reading_.readNames(node.handle, folder, room.scratch, [&] {
        hookWhileReading(node);
        return !stopping_ && !hookStopped_;
    });
    queryAll(node, room);
    if (stopping_ || hookStopped_) {
        node.readFailure = ECANCELED;
        return;
    }
    reading_.finish(folder, room.scratch);
    if (node.readFailure != 0 && folder.entries.empty()) {
        // Not even "." could be read: the folder could not be entered.
        node.openFailure = node.readFailure;
        node.readFailure = 0;
        return;
    }
    if (!recursive_) {
        return;
    }
    // The subfolders the walk enters, and the cap on how many one folder may hold, are
    // decided here alone: the walker reports the one past the cap and enters none.
    std::size_t found = 0;
    for (std::size_t i = 0; i < folder.entries.size(); ++i) {
        if (isSubfolder(folder, folder.entries[i]) && ++found > kMostSubfolders) {
            node.overflowAt = i;
            return;
        }
    }
    // The walk visits a folder's subfolders the last one found first.
    children.reserve(found);
    for (auto it = folder.entries.rbegin(); it != folder.entries.rend(); ++it) {
        if (isSubfolder(folder, *it)) {
            auto child = std::make_shared<Node>();
            child->name = folder.nameOf(*it);
            child->serial = nextSerial_.fetch_add(1, std::memory_order_relaxed);
            children.push_back(std::move(child));
        }
    }
}

void OrderedWalk::finishLocked(const NodePtr& node, std::vector<NodePtr>& children,
                               ReaderRoom& room) {
    if (stopping_) {
        closeLocked(*node);  // the walk has ended
        node->entries = FolderEntries();
        node->state = Node::State::Ready;
        nodeReady_.notify_all();
        return;
    }
    const auto insertAt = std::next(node->position);
    for (NodePtr& child : children) {
        child->parent = node;
        child->position = ahead_.insert(insertAt, child);
        node->bytes += sizeof(Node) + child->name.capacity() + 4 * sizeof(void*);
    }
    if (!children.empty() && node->passedIn == lookRound_) {
        // The threads look from beyond this folder, every folder before that place taken:
        // its subfolders are now the first to take. Those between them and that place are
        // to be passed again. (Looking again from the front passed 25 folders a look on
        // /usr, each a miss in the processor's caches.)
        const auto from = std::next(children.back()->position);
        for (auto it = from; it != pendingFrom_; ++it) {
            (*it)->passedIn = 0;
        }
        pendingFrom_ = children.front()->position;
    }
    node->unopenedChildren = children.size();
    if (children.empty()) {
        // Closed by the thread that read it, which the folder's kernel structures are
        // still near: the next time it lets go of the lock.
        closeLocked(*node, &room.closing);
    }
    node->bytes += node->entries.bytes();
    node->state = Node::State::Ready;
    if (!node->byWalk) {
        readyBytes_ += node->bytes;
    }
    if (awaited_ == node.get()) {
        nodeReady_.notify_all();
    }
    // New folders to read wake the threads while the window has room now: the flag that it
    // was full may be left from a while ago, when no thread was idle to be woken, and then
    // kept them asleep while the walk read the new folders alone (10 ms at a time on /usr).
    if (!children.empty() && readingAhead_ < options_.windowFolders &&
        readyBytes_ < options_.windowBytes) {
        wakeLocked();
    }
}

void OrderedWalk::wakeLocked() {
    std::size_t wanted = busyLimit_ > busyWorkers_ ? busyLimit_ - busyWorkers_ : 0;
    for (wanted = std::min(wanted, idleWorkers_); wanted > 0; --wanted) {
        workReady_.notify_one();
    }
}

void OrderedWalk::noteRoundTrips(bool roundTrips) {
    // Half way to all with each folder whose queries were round trips, down by 1/16 with
    // each one whose were not; racing threads may lose a step, which a share's next folder
    // makes up for. Written only when it changes: a word that every folder's reading
    // writes passes from core to core.
    const unsigned share = tripShare_.load(std::memory_order_relaxed);
    const unsigned next = roundTrips ? share + (65536 - share) / 2 : share - share / 16;
    if (next != share) {
        tripShare_.store(next, std::memory_order_relaxed);
    }
    if (!queriesTimed_.load(std::memory_order_relaxed)) {
        queriesTimed_ = true;
    }
}

void OrderedWalk::noteWaitLocked(bool waited) {
    // The share of readings lately that waited: it rises fast (a quarter of the way to all
    // with each one that did), since on a cold disk every reading waits and threads held
    // back cost the most, and falls slowly (by 1/16 with each one that did not), since a
    // reading of a warm folder seldom waits at all. The threads allowed to read at once
    // grow with it from the cores, once more than a quarter waited, to all of them when all
    // did (on a local disk, to kDiskReaders). One reading that waits in a warm tree (a folder the
    // cache had let go of) leaves the cores to the walk: taken for a disk, it let 33 threads in on
    // /usr, and the listing took 0.39 s instead of 0.22 s.
    waitShare_ = waited ? waitShare_ + (65536 - waitShare_) / 4 : waitShare_ - waitShare_ / 16;
    const std::size_t workers = options_.readAheadThreads;
    const bool localDisk = reading_.onLocalDisk() || (queriesTimed_ && tripShare_ <= kQuarter);
    const std::size_t most = localDisk ? std::min(workers, kDiskReaders) : workers;
    const std::size_t extra = most > warmReaders_ ? most - warmReaders_ : 0;
    const std::size_t beyond = waitShare_ > kQuarter ? waitShare_ - kQuarter : 0;
    const std::size_t span = 65536 - kQuarter;
    const std::size_t limit = std::min(workers, warmReaders_ + (extra * beyond + span / 2) / span);
    if (limit != busyLimit_) {
        busyLimit_ = limit;
        startWorkersLocked();
        wakeLocked();
    }
}

bool OrderedWalk::planOpeningLocked(Node& node, Opening& opening) {
    Node* const parent = node.parent.get();
    // The folders between the nearest open one above and the parent, nearest first; the
    // walk's chosen folder stays open to the end.
    Node* base = parent;
    while (!base->handle.isOpen() && base->parent != nullptr) {
        opening.closed.push_back(base);
        base = base->parent.get();
    }
    if (!base->handle.isOpen()) {
        releaseChildLocked(*parent);
        return false;
    }
    ++base->users;  // kept open until finishOpeningLocked
    opening.base = base;
    opening.baseHandle = base->handle;
    return true;
}

void OrderedWalk::openPlanned(const Node& node, Opening& opening) {
    FolderHandle at = opening.baseHandle;
    int failure = 0;
    for (auto it = opening.closed.rbegin(); it != opening.closed.rend() && failure == 0; ++it) {
        FolderHandle next;
        failure = reading_.openChild(at, (*it)->name.c_str(), next);
        if (it != opening.closed.rbegin()) {
            reading_.close(at);  // a folder between, reached on the way down
        }
        at = next;
    }
    if (failure != 0) {
        opening.failure = failure;
        return;
    }
    if (!opening.closed.empty()) {
        opening.reopened = at;  // the parent, reached again
    }
    opening.failure = reading_.openChild(at, node.name.c_str(), opening.opened);
}

void OrderedWalk::finishOpeningLocked(Node& node, Opening& opening) {
    Node* const parent = node.parent.get();
    --opening.base->users;
    if (opening.reopened.isOpen()) {
        // The parent, reached again: kept open when more subfolders of it are to come.
        if (!parent->handle.isOpen() && parent->unopenedChildren > 1) {
            parent->handle = opening.reopened;
            ++openFolders_;
        } else {
            closing_.push_back(opening.reopened);
        }
    }
    if (opening.base != parent) {
        releaseChildLocked(*opening.base, false);
    }
    if (opening.opened.isOpen()) {
        node.handle = opening.opened;
        if (++openFolders_ + kHandlesPerReading * readingsNow_ > maxOpenFolders_) {
            thinLocked(node);
        }
    }
}

void OrderedWalk::releaseChildLocked(Node& parent, bool opened) {
    if (opened && parent.unopenedChildren > 0) {
        --parent.unopenedChildren;
    }
    if (parent.unopenedChildren == 0 && parent.users == 0 && &parent != root_.get()) {
        closeLocked(parent);
    }
}

void OrderedWalk::closeLocked(Node& node, std::vector<FolderHandle>* into) {
    if (node.handle.isOpen()) {
        // Closed once the lock is let go of: by whichever thread takes closing_ first, or by
        // the one that holds `into`.
        if (into != nullptr) {
            into->push_back(node.handle);
            ++handlesClosing_;
        } else {
            closing_.push_back(node.handle);
        }
        node.handle = FolderHandle();
        --openFolders_;
    }
}

void OrderedWalk::thinLocked(const Node& from, bool all) {
    // Every other open folder on the way up is closed, the nearest kept: coming back up a
    // tree of depth D with L folders open then costs about D / L opens a folder.
    std::size_t seen = 0;
    for (Node* n = from.parent.get(); n != nullptr && n != root_.get(); n = n->parent.get()) {
        if (n->handle.isOpen() && n->users == 0 && (all || seen++ % 2 == 1)) {
            closeLocked(*n);
        }
    }
}

}  // namespace tolvane
