#include "posix_walk_ahead.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "raised_error.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "FileSystem";

// A folder holding more subfolders than this is one the walk visits none of (the walker
// counts them in a 16-bit signed number), so none of them is read ahead either.
constexpr std::size_t kMostSubfolders = 32767;

bool isSelfOrParent(std::string_view name) {
    return name == "." || name == "..";
}

// How often the calling thread has given up its core of its own accord (to wait for the
// disk, mostly) so far; -1 where the system does not tell.
long voluntarySwitches() {
#ifdef RUSAGE_THREAD
    rusage usage{};
    if (::getrusage(RUSAGE_THREAD, &usage) == 0) {
        return usage.ru_nvcsw;
    }
#endif
    return -1;
}

// One reading in this many is watched for waiting: asking costs a system call.
constexpr unsigned kSampleEvery = 4;

// The emptied buffers of folders kept for the next readings: as many as the threads may
// want at once, each no larger than a folder of a few thousand entries, so that what is
// kept stays small beside the window.
constexpr std::size_t kSpareBuffers = 16;
constexpr std::size_t kSpareBytes = std::size_t{256} << 10;

}  // namespace

struct WalkAhead::Node {
    enum class State : std::uint8_t { Pending, Reading, Ready };

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node() {
        if (fd >= 0) {
            ::close(fd);
        }
        // Let go of the folders above one at a time: a chain thousands of folders deep
        // must not be undone by as many nested destructor calls.
        NodePtr above = std::move(parent);
        while (above && above.use_count() == 1) {
            NodePtr next = std::move(above->parent);
            above = std::move(next);
        }
    }

    NodePtr parent;    // null for the walk's chosen folder
    std::string name;  // the bare name in the parent
    std::list<NodePtr>::iterator position;
    State state = State::Pending;
    bool inList = true;  // false once the walk has taken it or passed it
    bool taken = false;  // the walk took it, asking for it by a path prefixLength long
    std::size_t prefixLength = 0;
    bool byWalk = false;  // read by the walk's own thread, so not part of the window
    int fd = -1;
    int users = 0;  // openings below it that use fd right now
    std::size_t unopenedChildren = 0;
    int errorNumber = 0;
    std::size_t bytes = 0;
    FolderEntries entries;
};

WalkAhead::WalkAhead(const Options& options, const PosixCalls& calls,
                     std::atomic<std::uint64_t>& statCalls)
    : options_(options), calls_(calls), statCalls_(statCalls) {
    maxOpenFolders_ = openFolderLimit();
    // The walk's own thread reads too whenever it would otherwise wait, so on a warm cache
    // one core is left to it.
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    warmReaders_ = std::max<std::size_t>(1, cores - 1);
    busyLimit_ =
        voluntarySwitches() < 0 ? options_.workers : std::min(options_.workers, warmReaders_);
}

WalkAhead::~WalkAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    ahead_.clear();
    root_.reset();
    closeAll(closing_);
}

std::size_t WalkAhead::openFolderLimit() {
    if (options_.maxOpenFolders != 0) {
        return options_.maxOpenFolders;
    }
    // Half the descriptors the process may have, the other half left to the rest of the
    // program; the soft limit is raised towards the hard one first (1,024 is a common
    // soft limit, far below what deep trees need).
    rlimit limit{};
    std::size_t allowed = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, 65536);
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
            limit.rlim_cur = wanted;
            ::setrlimit(RLIMIT_NOFILE, &limit);
            ::getrlimit(RLIMIT_NOFILE, &limit);
        }
        allowed = limit.rlim_cur == RLIM_INFINITY
                      ? 65536
                      : static_cast<std::size_t>(std::min<rlim_t>(limit.rlim_cur, 65536));
    }
    return std::max<std::size_t>(allowed / 2, 4);
}

bool WalkAhead::matches(const Node& node, const std::string& prefix) const {
    if (node.parent == nullptr) {
        return prefix == rootPrefix_;
    }
    // The walk took the parent before, and every folder it took since lies below the
    // parent, the last one too: the parent's path is where the last one's begins. So a
    // folder is told by its own name, whatever the depth.
    const Node& parent = *node.parent;
    const std::size_t length = parent.prefixLength;
    return parent.taken && prefix.size() == length + node.name.size() + 1 && prefix.back() == '/' &&
           prefix.compare(length, node.name.size(), node.name) == 0 &&
           lastPrefix_.size() >= length && prefix.compare(0, length, lastPrefix_, 0, length) == 0;
}

void WalkAhead::take(const std::string& prefix, FolderEntries& out) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!root_) {
        root_ = std::make_shared<Node>();
        rootPrefix_ = prefix;
        root_->position = ahead_.insert(ahead_.end(), root_);
        pendingFrom_ = ahead_.begin();
    }
    // Folders before the one asked for are ones the walk leaves out.
    while (!ahead_.empty() && !matches(*ahead_.front(), prefix)) {
        dropFrontLocked();
    }
    if (ahead_.empty()) {
        throw systemError(ENOENT, kSource);  // not a folder of this walk
    }
    const NodePtr node = ahead_.front();
    if (node->state == Node::State::Pending) {
        // No thread has taken it: the walk reads it itself rather than wait.
        node->state = Node::State::Reading;
        node->byWalk = true;
        read(node, lock, walkRoom_);
        if (workers_.empty() && options_.workers > 0 && !stopping_) {
            try {
                for (std::size_t i = 0; i < options_.workers; ++i) {
                    workers_.emplace_back([this] { work(); });
                }
            } catch (const std::system_error&) {
                // No more threads to be had: the walk goes on with those it has, or alone.
            }
        }
    } else if (node->state == Node::State::Reading) {
        // Rather than wait for the thread reading it, the walk reads the next folder no
        // thread has taken, as long as there is one within the window: a thread that sleeps
        // and is woken for every folder costs more than a small folder takes to read. Not
        // while readings wait for the disk: there the threads are many, and a folder read
        // here could keep the walk from the one it needs for as long as the disk takes.
        awaited_ = node.get();
        while (node->state != Node::State::Ready) {
            const NodePtr next = busyLimit_ <= warmReaders_ ? pickLocked() : nullptr;
            if (!next) {
                nodeReady_.wait(lock, [&node] { return node->state == Node::State::Ready; });
                break;
            }
            next->state = Node::State::Reading;
            ++reading_;
            read(next, lock, walkRoom_);
        }
        awaited_ = nullptr;
    }

    popFrontLocked();
    node->taken = true;
    node->prefixLength = prefix.size();
    lastPrefix_ = prefix;
    leftWindowLocked(*node);
    out.clear();
    std::swap(out, node->entries);
    if (spare_.size() < kSpareBuffers && node->entries.bytes() <= kSpareBytes) {
        spare_.push_back(std::move(node->entries));
    }
    node->entries = FolderEntries();
    const int error = node->errorNumber;
    walkRoom_.closing.swap(closing_);
    lock.unlock();
    closeAll(walkRoom_.closing);
    walkRoom_.scratch.trim();
    if (error != 0) {
        out.clear();
        throw systemError(error, kSource);
    }
}

void WalkAhead::leftWindowLocked(const Node& node) {
    if (node.byWalk || node.state == Node::State::Pending) {
        return;
    }
    --reading_;
    if (node.state == Node::State::Ready) {
        readyBytes_ -= node.bytes;
    }
    // Threads that stopped at the edge of the window go on once a quarter of it is free,
    // all at once: waking one for every folder taken would cost more than it buys.
    if (windowWasFull_ && idleWorkers_ > 0 && reading_ <= options_.windowFolders * 3 / 4 &&
        readyBytes_ <= options_.windowBytes * 3 / 4) {
        windowWasFull_ = false;
        wakeLocked();
    }
}

void WalkAhead::popFrontLocked() {
    if (pendingFrom_ == ahead_.begin()) {
        ++pendingFrom_;
    }
    ahead_.front()->inList = false;
    ahead_.pop_front();
}

void WalkAhead::dropFrontLocked() {
    const NodePtr node = ahead_.front();
    popFrontLocked();
    leftWindowLocked(*node);
    if (node->state == Node::State::Pending && node->parent) {
        releaseChildLocked(*node->parent);  // never to be opened
    } else if (node->state == Node::State::Ready) {
        // Its subfolders follow it and go the same way, which closes it. One being read
        // is let go of by its reader.
        node->entries = FolderEntries();
    }
}

WalkAhead::NodePtr WalkAhead::pickLocked() {
    if (reading_ >= options_.windowFolders || readyBytes_ >= options_.windowBytes) {
        windowWasFull_ = true;
        return nullptr;
    }
    for (; pendingFrom_ != ahead_.end(); ++pendingFrom_) {
        const NodePtr& node = *pendingFrom_;
        if (node->state == Node::State::Pending) {
            return node;  // the first the walk will reach
        }
    }
    return nullptr;
}

void WalkAhead::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    unsigned readings = 0;
    ReaderRoom room;
    std::vector<int>& closing = room.closing;
    while (!stopping_) {
        const NodePtr node = busyWorkers_ < busyLimit_ ? pickLocked() : nullptr;
        if (!node) {
            if (!closing_.empty()) {
                closing.swap(closing_);
                lock.unlock();
                closeAll(closing);
                lock.lock();
                continue;
            }
            ++idleWorkers_;
            workReady_.wait(lock);
            --idleWorkers_;
            continue;
        }
        node->state = Node::State::Reading;
        ++reading_;
        ++busyWorkers_;
        // The reading ends with the lock held, to look for the next folder at once.
        read(node, lock, room, readings++ % kSampleEvery == 0);
        --busyWorkers_;
    }
}

void WalkAhead::closeAll(std::vector<int>& fds) {
    for (const int fd : fds) {
        ::close(fd);
    }
    fds.clear();
}

void WalkAhead::read(const NodePtr& node, std::unique_lock<std::mutex>& lock, ReaderRoom& room,
                     bool watch) {
    // Everything that needs the lock is done in two turns of it, one before and one after:
    // a lock passed between threads for every folder costs more than reading a small one.
    const bool isRoot = node == root_;
    Opening opening;
    const bool reachable = isRoot || planOpeningLocked(*node, opening);
    if (!spare_.empty()) {
        node->entries = std::move(spare_.back());
        spare_.pop_back();
    }
    room.closing.swap(closing_);  // closed here, outside the lock
    lock.unlock();
    closeAll(room.closing);

    int fd = -ENOENT;
    int reopened = -1;
    if (isRoot) {
        // The chosen folder is reached by its path, links in it followed.
        fd = openFolderByPath(rootPrefix_);
        struct stat info {};
        if (fd < 0) {
            fd = -errno;
        } else if (::fstat(fd, &info) != 0) {
            const int failure = errno;
            ::close(fd);
            fd = -failure;
        } else {
            device_ = info.st_dev;  // before any thread reads a subfolder
        }
    } else if (reachable) {
        fd = openPlanned(*node, opening, reopened);
    }

    std::vector<NodePtr> children;
    int error = fd < 0 ? -fd : 0;
    const bool watched = watch && error == 0;
    const long switchesBefore = watched ? voluntarySwitches() : 0;
    if (error == 0) {
        const FolderReader reader{&calls_, &statCalls_, &device_, &times_};
        ReadingScratch& scratch = room.scratch;
        scratch.inodes.clear();
        FolderEntries& folder = node->entries;
        error = reader.readNames(fd, folder, &scratch.inodes);
        if (error == 0 && !reader.statAll(fd, folder, scratch, stopping_)) {
            error = ECANCELED;
        }
        if (error == 0) {
            folder.sort(scratch);
        }
        if (error == 0 && options_.recursive) {
            // The walk visits the subfolders the last one found first.
            for (auto it = folder.entries.rbegin(); it != folder.entries.rend(); ++it) {
                const std::string_view name = folder.nameOf(*it);
                // A folder whose stat failed is one the walk reports rather than enters.
                if (it->kind == EntryKind::Folder && it->status.errorNumber == 0 &&
                    !isSelfOrParent(name)) {
                    auto child = std::make_shared<Node>();
                    child->parent = node;
                    child->name = name;
                    children.push_back(std::move(child));
                }
            }
            if (children.size() > kMostSubfolders) {
                children.clear();
            }
        }
        if (error != 0) {
            folder.clear();
        }
    }

    const bool waited = watched && voluntarySwitches() != switchesBefore;
    lock.lock();
    if (isRoot && fd >= 0) {
        node->fd = fd;
        ++openFolders_;
    } else if (reachable && !isRoot) {
        finishOpeningLocked(*node, opening, reopened, fd);
    }
    if (watched) {
        noteWaitLocked(waited);
    }
    node->errorNumber = error;
    if (!node->inList || stopping_) {
        closeLocked(*node);  // the walk has passed it, or ended
        node->entries = FolderEntries();
        node->state = Node::State::Ready;
        nodeReady_.notify_all();
        return;
    }
    const auto insertAt = std::next(node->position);
    for (NodePtr& child : children) {
        child->position = ahead_.insert(insertAt, child);
        node->bytes += sizeof(Node) + child->name.capacity() + 4 * sizeof(void*);
    }
    if (!children.empty()) {
        // The new folders may come before the place the threads look from.
        pendingFrom_ = ahead_.begin();
    }
    node->unopenedChildren = children.size();
    if (children.empty()) {
        closeLocked(*node);
    }
    node->bytes += node->entries.bytes();
    node->state = Node::State::Ready;
    if (!node->byWalk) {
        readyBytes_ += node->bytes;
    }
    if (awaited_ == node.get()) {
        nodeReady_.notify_all();
    }
    if (!children.empty() && !windowWasFull_) {
        wakeLocked();
    }
}

void WalkAhead::wakeLocked() {
    std::size_t wanted = busyLimit_ > busyWorkers_ ? busyLimit_ - busyWorkers_ : 0;
    for (wanted = std::min(wanted, idleWorkers_); wanted > 0; --wanted) {
        workReady_.notify_one();
    }
}

void WalkAhead::noteWaitLocked(bool waited) {
    // The share of readings lately that waited: it rises fast (half way to all with each
    // one that did), since on a cold disk every reading waits and threads held back cost
    // the most, and falls slowly (by 1/16 with each one that did not), since a reading of a
    // warm folder seldom waits at all. The threads allowed to read at once grow with it from
    // the cores to all of them.
    waitShare_ = waited ? waitShare_ + (65536 - waitShare_) / 2 : waitShare_ - waitShare_ / 16;
    const std::size_t extra = options_.workers > warmReaders_ ? options_.workers - warmReaders_ : 0;
    const std::size_t limit =
        std::min(options_.workers, warmReaders_ + (extra * waitShare_ + 32768) / 65536);
    if (limit != busyLimit_) {
        busyLimit_ = limit;
        wakeLocked();
    }
}

bool WalkAhead::planOpeningLocked(Node& node, Opening& opening) {
    Node* const parent = node.parent.get();
    // The folders between the nearest open one above and the parent, nearest first; the
    // walk's chosen folder stays open to the end.
    Node* base = parent;
    while (base->fd < 0 && base->parent != nullptr) {
        opening.closed.push_back(base);
        base = base->parent.get();
    }
    if (base->fd < 0) {
        releaseChildLocked(*parent);
        return false;
    }
    ++base->users;  // kept open until finishOpeningLocked
    opening.base = base;
    opening.baseFd = base->fd;
    return true;
}

int WalkAhead::openPlanned(const Node& node, const Opening& opening, int& reopened) {
    int fd = opening.baseFd;
    for (auto it = opening.closed.rbegin(); it != opening.closed.rend() && fd >= 0; ++it) {
        const int next = openSubfolder(calls_, fd, (*it)->name.c_str(), device_);
        if (fd != opening.baseFd) {
            ::close(fd);
        }
        fd = next;
    }
    if (fd >= 0 && fd != opening.baseFd) {
        reopened = fd;  // the parent, reached again
    }
    return fd >= 0 ? openSubfolder(calls_, fd, node.name.c_str(), device_) : fd;
}

void WalkAhead::finishOpeningLocked(Node& node, const Opening& opening, int reopened, int opened) {
    Node* const parent = node.parent.get();
    --opening.base->users;
    if (reopened >= 0) {
        // The parent, reached again: kept open when more subfolders of it are to come.
        if (parent->fd < 0 && parent->unopenedChildren > 1) {
            parent->fd = reopened;
            ++openFolders_;
        } else {
            closing_.push_back(reopened);
        }
    }
    releaseChildLocked(*parent);
    if (opening.base != parent) {
        releaseChildLocked(*opening.base, false);
    }
    if (opened >= 0) {
        node.fd = opened;
        if (++openFolders_ > maxOpenFolders_) {
            thinLocked(node);
        }
    }
}

void WalkAhead::releaseChildLocked(Node& parent, bool opened) {
    if (opened && parent.unopenedChildren > 0) {
        --parent.unopenedChildren;
    }
    if (parent.unopenedChildren == 0 && parent.users == 0 && &parent != root_.get()) {
        closeLocked(parent);
    }
}

void WalkAhead::closeLocked(Node& node) {
    if (node.fd >= 0) {
        closing_.push_back(node.fd);  // closed once the lock is let go of
        node.fd = -1;
        --openFolders_;
    }
}

void WalkAhead::thinLocked(const Node& from) {
    // Every other open folder on the way up is closed, the nearest kept: coming back up a
    // tree of depth D with L folders open then costs about D / L opens a folder.
    std::size_t seen = 0;
    for (Node* n = from.parent.get(); n != nullptr && n != root_.get(); n = n->parent.get()) {
        if (n->fd >= 0 && n->users == 0 && seen++ % 2 == 1) {
            closeLocked(*n);
        }
    }
}

}  // namespace tolvane
