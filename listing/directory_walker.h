#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listing_fields.h"
#include "ordered_walk.h"

namespace tolvane {

class ListingOutput;
class RaisedError;
class WalkerHost;

// Writes one listing line for every file of a folder and, when recursing, of every folder
// below it, in the order the walk (OrderedWalk) hands the folders over. It yields after
// each subfolder found and before each one entered, never per file, and tests
// StopRequested at the top of every loop. A failure loses only what could not be read: a
// file that cannot be queried, a folder that cannot be entered or read to its end, is
// reported in a message box and the walk goes on with the next entry or folder. A failure
// to store lines (WriteFailure) and a failure to read the chosen folder at all travel to
// the caller.
class DirectoryWalker {
  public:
    // A look in the middle of a folder's files, every this many lines: the walker yields
    // only between folders, and not at all without recursion. 32 lines take some 50
    // microseconds on a local disk.
    static constexpr unsigned kLinesPerPoll = 32;

    DirectoryWalker(const ListingFields& fields, const WalkOptions& options, WalkerHost& host);

    // Writes into `FileNo`, the run's open listing.
    void ListDirectory(ListingOutput& FileNo, const std::string& FolderPath);

    // File lines written since this walker was made.
    std::uint64_t filesListed() const { return filesListed_; }

  private:
    // The folder's file lines, then (when recursing) a yield for each subfolder found.
    void listFolder(ListingOutput& output);
    void writeFiles(ListingOutput& output);
    void collectSubfolders();
    // Whether the files pass reports a failure of `entry` (a file the pattern names).
    bool listedAsFile(const FolderEntry& entry, std::string_view name) const;
    void writeFileLine(ListingOutput& output, std::string_view name, const FolderEntry& entry);
    void reportEntryFailure(std::string_view name, int failure);
    void reportReadingFailure(const std::string& entryPath, const RaisedError& error);
    void reportRecursionFailure(const std::string& subfolderPath, const RaisedError& error);

    const ListingFields& fields_;
    const WalkOptions& options_;
    WalkerHost& host_;
    std::uint64_t filesListed_ = 0;
    WalkFolder folder_;        // the folder being listed
    std::string path_;         // the folder about to be entered
    std::string prefix_;       // its path with one trailing separator
    std::string_view filter_;  // empty: every name
};

}  // namespace tolvane
