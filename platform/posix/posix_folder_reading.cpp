#include "posix_folder_reading.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <utility>

#include "file_attributes.h"
#include "reading_failure.h"

namespace tolvane {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens `path` from `at` one component at a time, for a path longer than the system takes
// in one piece.
int openByComponents(const PosixCalls& calls, const std::string& path) {
    int fd = calls.openAt(AT_FDCWD, path[0] == '/' ? "/" : ".", kFolderFlags);
    std::size_t begin = 0;
    while (fd >= 0 && begin < path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > begin) {
            const std::string component = path.substr(begin, end - begin);
            const int next = calls.openAt(fd, component.c_str(), kFolderFlags);
            const int saved = errno;
            calls.close(fd);
            errno = saved;
            fd = next;
        }
        begin = end + 1;
    }
    return fd;
}

// Eight bytes of a name's order key (its ASCII letters upper-cased), from `at`, as a number
// whose order is theirs; a key that ends sooner is padded with zeros, below every byte of a
// name. The letters are upper-cased eight at a time.
std::uint64_t keyWordAt(std::string_view name, std::size_t at) {
    unsigned char bytes[8] = {};
    if (at < name.size()) {
        std::memcpy(bytes, name.data() + at, std::min(name.size() - at, sizeof bytes));
    }
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHigh = kOnes * 0x80;
    const std::uint64_t low = word & ~kHigh;  // each byte's lower seven bits: no carries below
    const std::uint64_t fromA = low + kOnes * (0x80 - 'a');      // high bit: at least 'a'
    const std::uint64_t pastZ = low + kOnes * (0x80 - 'z' - 1);  // high bit: past 'z'
    const std::uint64_t small = fromA & ~pastZ & ~word & kHigh;  // 'a' to 'z', ASCII only
    word -= small >> 2;                                          // 0x20 off each
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// namesInOrder for names whose keys agree in their first sixteen bytes.
bool restInOrder(std::string_view left, std::string_view right) {
    const std::size_t longer = std::max(left.size(), right.size());
    for (std::size_t at = 16; at < longer; at += 8) {
        const std::uint64_t a = keyWordAt(left, at);
        const std::uint64_t b = keyWordAt(right, at);
        if (a != b) {
            return a < b;
        }
    }
    return left < right;  // the same key: plain byte order decides
}

// Whether a volume of this type (statfs's f_type) is a disk of this machine's: the file
// systems of local disks and memory. A share (NFS, SMB, a FUSE file system, which may be
// either) is not one, nor is a type not named here.
bool isLocalDiskType(unsigned long type) {
    switch (type) {
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // xfs
        case 0x9123683E:  // btrfs
        case 0xF2F52010:  // f2fs
        case 0x2FC12FC1:  // zfs
        case 0xCA451A4E:  // bcachefs
        case 0x3153464A:  // jfs
        case 0x52654973:  // reiserfs
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0x794C7630:  // overlay
        case 0x4D44:      // vfat, msdos
        case 0x2011BAB0:  // exfat
        case 0x7366746E:  // ntfs3
        case 0x5346544E:  // ntfs (the old driver)
        case 0x482B:      // hfsplus
        case 0x9660:      // iso9660
        case 0x15013346:  // udf
        case 0x73717368:  // squashfs
            return true;
        default:
            return false;
    }
}

// Room for `more` items beyond those `items` holds, at least doubling it when it must grow:
// room made to measure batch after batch would move a large folder's entries once a batch.
template <typename Items>
void reserveMore(Items& items, std::size_t more) {
    const std::size_t wanted = items.size() + more;
    if (wanted > items.capacity()) {
        items.reserve(std::max(wanted, items.capacity() * 2));
    }
}

}  // namespace

void sortEntries(FolderEntries& folder, ReadingScratch& scratch) {
    std::vector<FolderEntry>& entries = folder.entries;
    // What is sorted is each entry's place with the first sixteen bytes of its order key as
    // two numbers, which decide most comparisons without going back to the names (eight
    // alone left "IMG_2024..." and "file0000..." to the names); the entries are then moved
    // once, into their order.
    auto& places = scratch.places;
    places.resize(entries.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        const std::string_view name = folder.nameOf(entries[i]);
        places[i] = SortPlace{keyWordAt(name, 0), keyWordAt(name, 8), i};
    }
    std::sort(places.begin(), places.end(), [&](const SortPlace& a, const SortPlace& b) {
        if (a.head != b.head) {
            return a.head < b.head;
        }
        if (a.next != b.next) {
            return a.next < b.next;
        }
        return restInOrder(folder.nameOf(entries[a.index]), folder.nameOf(entries[b.index]));
    });
    std::vector<FolderEntry>& sorted = scratch.sorted;
    sorted.clear();
    sorted.reserve(entries.size());
    for (const SortPlace& place : places) {
        sorted.push_back(entries[place.index]);
    }
    entries.swap(sorted);
}

void ReadingScratch::trim() {
    constexpr std::size_t kKeptEntries = 4096;
    if (inodes.capacity() > kKeptEntries || sorted.capacity() > kKeptEntries) {
        *this = ReadingScratch();
    }
}

RaisedError readingFailure(int failure) {
    return systemError(failure, "FileSystem");
}

FolderReading::FolderReading(bool oneVolume) : oneVolume_(oneVolume) {}

bool FolderReading::outOfHandles(int failure) {
    return failure == EMFILE || failure == ENFILE;
}

int FolderReading::openRoot(const std::string& path, FolderHandle& out) {
    const PosixCalls& calls = posixCalls();
    int fd = calls.openAt(AT_FDCWD, path.empty() ? "." : path.c_str(), kFolderFlags);
    if (fd < 0 && errno == ENAMETOOLONG) {
        fd = openByComponents(calls, path);
    }
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    if (calls.statOpen(fd, &info) != 0) {
        const int failure = errno;
        calls.close(fd);
        return failure;
    }
    device_ = info.st_dev;  // before any thread opens a subfolder
    struct statfs volume {};
    localDisk_ = calls.statVolume(fd, &volume) == 0 && isLocalDiskType(volume.f_type);
    out.fd = fd;
    return 0;
}

int FolderReading::openChild(const FolderHandle& parent, const char* name,
                             FolderHandle& out) const {
    const PosixCalls& calls = posixCalls();
    constexpr int kFlags = kFolderFlags | O_NOFOLLOW;
    // Opened where no mount can come in between, the folder needs no query of its own: one
    // system call a folder fewer, and on a share one round trip fewer.
    if (oneVolume_ && !withoutOpenOnVolume_.load(std::memory_order_relaxed)) {
        const int fd = calls.openOnVolume(parent.fd, name, kFlags);
        if (fd >= 0) {
            out.fd = fd;
            return 0;
        }
        const int failure = errno;
        if (failure == ENOSYS) {
            withoutOpenOnVolume_.store(true, std::memory_order_relaxed);
        } else if (failure != EXDEV && failure != EPERM && failure != EINVAL) {
            return failure;
        }
        // A mount point: told by its device below, so that a folder bound from this same
        // volume is entered. EPERM and EINVAL: a sandbox or a kernel that refuses the call.
    }
    const int fd = calls.openAt(parent.fd, name, kFlags);
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    int failure = 0;
    if (calls.statOpen(fd, &info) != 0) {
        failure = errno;
    } else if (oneVolume_ && info.st_dev != device_) {
        failure = EXDEV;  // became a mount point since it was found
    }
    if (failure != 0) {
        calls.close(fd);
        return failure;
    }
    out.fd = fd;
    return 0;
}

void FolderReading::close(FolderHandle& folder) const {
    if (folder.fd >= 0) {
        posixCalls().close(folder.fd);
        folder.fd = -1;
    }
}

int FolderReading::read(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
                        const std::atomic<bool>& stop) const {
    const int failure = readNames(folder, out, scratch);
    // The queries a few at a time, so that a stop is seen between them.
    constexpr std::size_t kBetweenLooks = 64;
    for (std::size_t at = 0; at < queriesOf(scratch); at += kBetweenLooks) {
        if (stop.load(std::memory_order_relaxed)) {
            return ECANCELED;
        }
        query(folder, out, scratch, at, std::min(at + kBetweenLooks, queriesOf(scratch)));
    }
    finish(out, scratch);
    return failure;
}

int FolderReading::readNames(const FolderHandle& folder, FolderEntries& out,
                             ReadingScratch& scratch, const std::function<bool()>& goOn) const {
    scratch.inodes.clear();
    const int failure = readNames(folder.fd, out, scratch.inodes, goOn);
    // The entries to query, for a cold disk in the order of their inodes, which on most file
    // systems is the order of their places on the disk, so that it seeks least. "." and
    // ".." are folders without a query.
    auto& order = scratch.statOrder;
    order.clear();
    for (std::uint32_t i = 0; i < out.entries.size(); ++i) {
        FolderEntry& entry = out.entries[i];
        if (isSelfOrParent(out.nameOf(entry))) {
            entry.kind = EntryKind::Folder;
            entry.known = true;
            entry.attributes = file_attribute::kFolder;
        } else if (!entry.known) {
            order.emplace_back(i < scratch.inodes.size() ? scratch.inodes[i] : 0, i);
        }
    }
    if (scratch.inDiskOrder) {
        std::sort(order.begin(), order.end());
    }
    return failure;
}

void FolderReading::query(const FolderHandle& folder, FolderEntries& out,
                          const ReadingScratch& scratch, std::size_t begin, std::size_t end) const {
    for (std::size_t at = begin; at < end; ++at) {
        queryEntry(folder.fd, out, out.entries[scratch.statOrder[at].second]);
    }
}

void FolderReading::finish(FolderEntries& out, ReadingScratch& scratch) const {
    // Counted once for the folder: a count shared by the threads, raised for every entry,
    // would pass its cache line from core to core.
    statCalls_.fetch_add(queriesOf(scratch), std::memory_order_relaxed);
    noteLocalTimes(out);
    sortEntries(out, scratch);
}

void FolderReading::readOne(const FolderHandle& folder, const char* name,
                            FolderEntries& out) const {
    addEntry(folder.fd, name, DT_UNKNOWN, out);
    FolderEntry& entry = out.entries.back();
    if (!entry.known) {
        queryEntry(folder.fd, out, entry);  // a folder
    }
    if (entry.failure == 0 && entry.kind == EntryKind::File &&
        !localTimeOf(entry.stamp, entry.local, &times_)) {
        entry.failure = EOVERFLOW;
    }
}

void FolderReading::noteStatus(FolderEntries& folder, FolderEntry& entry,
                               const struct stat& info) const {
    entry.known = true;
    entry.failure = 0;
    if (entry.kind == EntryKind::Folder && !S_ISDIR(info.st_mode)) {
        entry.kind = EntryKind::File;  // swapped for a file or a link since the folder was read
    } else if (oneVolume_ && entry.kind == EntryKind::Folder && info.st_dev != device_) {
        entry.kind = EntryKind::FolderOnOtherVolume;
    }
    std::uint32_t bits = 0;
    if ((info.st_mode & S_IWUSR) == 0) {
        bits |= file_attribute::kReadOnly;
    }
    if (folder.names[entry.nameOffset] == '.') {
        bits |= file_attribute::kHidden;
    }
    if (entry.kind == EntryKind::Folder) {
        bits |= file_attribute::kFolder;
    }
    entry.attributes = bits;
    entry.size = static_cast<std::int64_t>(info.st_size);
    entry.stamp = static_cast<std::int64_t>(info.st_mtime);
}

void FolderReading::queryEntry(int fd, FolderEntries& folder, FolderEntry& entry) const {
    struct stat info;
    if (posixCalls().statAt(fd, folder.cNameOf(entry), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.known = true;
        entry.failure = errno;
    } else {
        noteStatus(folder, entry, info);
    }
}

void FolderReading::addEntry(int fd, const char* name, unsigned char type,
                             FolderEntries& out) const {
    out.add(name, FolderEntry{});
    FolderEntry& entry = out.entries.back();
    if (type == DT_DIR) {
        entry.kind = EntryKind::Folder;  // stat'ed with the rest, to tell a mount point
        return;
    }
    if (type != DT_LNK && type != DT_UNKNOWN) {
        return;
    }
    const PosixCalls& calls = posixCalls();
    struct stat info {};
    statCalls_.fetch_add(1, std::memory_order_relaxed);
    if (type == DT_UNKNOWN && calls.statAt(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.known = true;
        entry.failure = errno;
    } else if (type == DT_UNKNOWN && !S_ISLNK(info.st_mode)) {
        entry.kind = S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
        noteStatus(out, entry, info);
    } else if (calls.statAt(fd, name, &info, 0) == 0) {
        // A symbolic link: its target decides.
        if (S_ISDIR(info.st_mode)) {
            entry.kind = EntryKind::LinkToFolder;
            entry.known = true;
        } else {
            noteStatus(out, entry, info);
        }
    } else if (calls.statAt(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.known = true;
        entry.failure = errno;
    } else {
        noteStatus(out, entry, info);  // a dangling link is a file of its own
    }
}

int FolderReading::readNames(int fd, FolderEntries& out, std::vector<ino_t>& inodes,
                             const std::function<bool()>& goOn) const {
    // The entries straight from the descriptor: no second descriptor, no directory stream
    // and none of the calls that setting one up and taking it down make, which on a folder
    // of a few files cost as much as reading it.
    alignas(dirent64) char buffer[32 * 1024];
    const PosixCalls& calls = posixCalls();
    for (;;) {
        if (goOn && !goOn()) {
            return ECANCELED;
        }
        const long filled = calls.readEntries(fd, buffer, sizeof buffer);
        if (filled <= 0) {
            return filled == 0 ? 0 : errno;
        }
        // Room for the whole batch at once rather than growing entry by entry.
        std::size_t count = 0;
        std::size_t nameBytes = 0;
        for (long at = 0; at < filled;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + at);
            ++count;
            nameBytes += item->d_reclen - offsetof(dirent64, d_name);  // the name, NUL, padding
            at += item->d_reclen;
        }
        reserveMore(out.entries, count);
        reserveMore(out.names, nameBytes);
        reserveMore(inodes, count);
        for (long at = 0; at < filled;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + at);
            addEntry(fd, item->d_name, item->d_type, out);
            inodes.push_back(item->d_ino);
            at += item->d_reclen;
        }
    }
}

void FolderReading::noteLocalTimes(FolderEntries& folder) const {
    // The days of a folder's files are far apart in the cache as often as not, and the
    // stats have pushed it out of the processor's caches: asking for all of them first
    // lets the memory fetch them at once rather than one after another.
    for (const FolderEntry& entry : folder.entries) {
        times_.prefetch(entry.stamp);
    }
    for (FolderEntry& entry : folder.entries) {
        if (entry.failure == 0 && entry.known && entry.kind == EntryKind::File &&
            !localTimeOf(entry.stamp, entry.local, &times_)) {
            entry.failure = EOVERFLOW;  // a time the calendar cannot hold
        }
    }
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(std::int64_t days, DateTime& date) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    date.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
}

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// How far local time is ahead of UTC at `seconds`; false when the system cannot tell.
bool localOffsetAt(std::int64_t seconds, std::int64_t& offset) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::localtime_r(&time, &tm) == nullptr) {
        return false;
    }
    offset = daysFromCivil(tm.tm_year + std::int64_t{1900}, tm.tm_mon + 1, tm.tm_mday) * 86400 +
             tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec - seconds;
    return true;
}

}  // namespace

bool localTimeOf(std::int64_t seconds, DateTime& local, LocalTimeCache* cache) {
    // A day's word: the day plus 2^25 in the top 26 bits, its offset plus 2^19 in the next
    // 20, then whether the offset holds all day, then whether the word is filled in.
    constexpr std::int64_t kDay = 86400;
    constexpr std::int64_t kDayBias = std::int64_t{1} << 25;
    constexpr std::int64_t kOffsetBias = std::int64_t{1} << 19;
    if (cache != nullptr && seconds > -(std::int64_t{1} << 40) &&
        seconds < (std::int64_t{1} << 40)) {
        const std::int64_t day = LocalTimeCache::dayOf(seconds);
        std::atomic<std::uint64_t>& slot = cache->days[LocalTimeCache::slotOf(day)];
        std::uint64_t word = slot.load(std::memory_order_relaxed);
        if ((word & 1) == 0 || static_cast<std::int64_t>(word >> 38) != day + kDayBias) {
            std::int64_t first = 0;
            std::int64_t last = 0;
            const bool uniform = localOffsetAt(day * kDay, first) &&
                                 localOffsetAt(day * kDay + kDay - 1, last) && first == last &&
                                 first > -kOffsetBias && first < kOffsetBias;
            word = static_cast<std::uint64_t>(day + kDayBias) << 38 |
                   static_cast<std::uint64_t>(uniform ? first + kOffsetBias : 0) << 18 |
                   (uniform ? 2u : 0u) | 1u;
            slot.store(word, std::memory_order_relaxed);
        }
        if ((word & 2) != 0) {
            const std::int64_t offset =
                static_cast<std::int64_t>(word >> 18 & ((1u << 20) - 1)) - kOffsetBias;
            const std::int64_t at = seconds + offset;
            const std::int64_t localDay = floorDivide(at, kDay);
            const std::int64_t second = at - localDay * kDay;
            civilFromDays(localDay, local);
            local.hour = static_cast<int>(second / 3600);
            local.minute = static_cast<int>(second / 60 % 60);
            local.second = static_cast<int>(second % 60);
            return true;
        }
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::localtime_r(&time, &tm) == nullptr) {
        return false;
    }
    local =
        DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

}  // namespace tolvane
