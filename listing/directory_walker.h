#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listing_fields.h"

namespace tolvane {

class FileSystem;
class ListingOutput;
class RaisedError;
class WalkerHost;

// Writes one listing line for every file of a folder and, when recursing, walks its
// subfolders depth first, the last one found first. It yields only after each subfolder
// found and before each one entered, never per file, and tests StopRequested at the top
// of every loop. Failures to read a folder are reported in a message box and end that
// folder's walk, not the run; a failure to store lines (WriteFailure) and a failure to
// start the enumeration of the folder it was called for travel to the caller.
//
// The walk keeps one path for the whole tree and, for each level, only its length and the
// names of the subfolders still to visit: memory follows the depth and the widest folder,
// never the depth squared, and a tree thousands of folders deep costs no call stack.
class DirectoryWalker {
  public:
    // Most subfolders one folder may hold: the count is a 16-bit signed number.
    static constexpr int kMaxSubfolders = 32767;

    DirectoryWalker(const ListingFields& fields, FileSystem& fileSystem, WalkerHost& host);

    // Writes the lines to FileNo, the listing the run opened (text or workbook).
    void ListDirectory(ListingOutput& FileNo, const std::string& FolderPath);

    // File lines written since this walker was made.
    std::uint64_t filesListed() const { return filesListed_; }

  private:
    // One folder of the walk: where its path ends in path_, and the subfolders it found
    // that are still to be visited (the last one first).
    struct Level {
        std::size_t pathLength = 0;
        std::vector<std::string> subfolders;
    };

    // Lists the files of the folder path_ names and, when recursing, collects its
    // subfolders into `level`. A failure to start the first enumeration travels to the
    // caller; every later one is reported here and ends this folder.
    void readFolder(ListingOutput& output, Level& level);
    void writeFileLine(ListingOutput& output, std::string_view folderPath, const std::string& name);
    void reportReadingFailure(const std::string& entryPath, const RaisedError& error);
    void reportRecursionFailure(const std::string& subfolderPath, const RaisedError& error);

    const ListingFields& fields_;
    FileSystem& fileSystem_;
    WalkerHost& host_;
    std::uint64_t filesListed_ = 0;
    std::string path_;      // the folder being read or entered
    std::string prefix_;    // path_ with one trailing separator
    std::string fullPath_;  // reused for every file, so that the loop does not allocate
};

}  // namespace tolvane
