#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "folder_entries.h"
#include "raised_error.h"

namespace tolvane {

// An open folder: on Windows its path, which every search of it starts from (a search
// hands over the names with their facts, so no handle is kept between readings).
struct FolderHandle {
    std::string path;
    bool isOpen() const { return !path.empty(); }
};

// Nothing to keep between readings on Windows, and no queries to order: the search hands
// the facts over with the names.
struct ReadingScratch {
    bool inDiskOrder = true;  // the walk's wish, of no use here
    void trim() {}
};

// Reading folders on Windows, every call through win32Calls(): one search a folder
// (FindFirstFileExW with FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH), whose find data
// carry each entry's size, last write time and attributes, so no entry is asked about
// again. Entries come in the order the file system keeps them. A folder that is a reparse
// point (a junction or a folder link) is a LinkToFolder, never entered. A failure is the
// entry's state or the reading's result (a Win32 error code), never raised. The const
// operations may be called from several threads at once. Same interface as on POSIX.
class FolderReading {
  public:
    explicit FolderReading(bool oneVolume) { (void)oneVolume; }

    int openRoot(const std::string& path, FolderHandle& out);
    int openChild(const FolderHandle& parent, const char* name, FolderHandle& out) const;
    int read(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
             const std::atomic<bool>& stop) const;
    // The search hands each entry's facts over with its name: nothing is left to query.
    int readNames(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
                  const std::function<bool()>& goOn = {}) const;
    static std::size_t queriesOf(const ReadingScratch&) { return 0; }
    void query(const FolderHandle&, FolderEntries&, const ReadingScratch&, std::size_t,
               std::size_t) const {}
    void finish(FolderEntries&, ReadingScratch&) const {}
    void close(FolderHandle& folder) const { folder.path.clear(); }

    // Not told here: the search hands the facts over with the names, so there are no
    // queries of a folder to be round trips, and readers rise while readings wait.
    bool onLocalDisk() const { return false; }

    static bool outOfHandles(int failure);
    std::uint64_t statCalls() const { return 0; }
};

}  // namespace tolvane
