#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "drive_table.h"

namespace tolvane {

class FileSystem;
class FormView;

// The folder list Result_Dir: the current folder's ancestors from the root down, the
// folder itself (highlighted), then its subfolders, indented like a tree. Every entry is
// a full path.
//
// Each drive keeps a current folder, as on the program's original platform: the folder
// this list last showed on that drive, at first the working folder for the drive that
// holds it and the drive's root for every other drive.
class FolderList {
  public:
    // `fileSystem` reads the subfolders; it must not be the one a listing run uses, since
    // a path set during the run's yields would end the run's enumeration.
    FolderList(FormView& view, const std::vector<DriveEntry>& drives, FileSystem& fileSystem);

    std::function<void()> Change;

    // The folder shown: a root with its separator, any other folder without one.
    std::string Path() const { return path_; }

    // Accepts a full or relative folder path, or a drive's entry text, which selects that
    // drive's current folder. Raises a RaisedError, changing nothing, for a folder that
    // cannot be reached, naming that folder. A different folder raises Change before this returns;
    // the current one again raises nothing but puts the highlight back on it.
    void setPath(const std::string& path);

    // Shows the current folder again as it now is: a subfolder removed since the list was
    // filled drops out of it. A current folder that is gone itself gives way to the nearest
    // folder above it that is still there, which raises Change.
    void refresh();

    // The full path of entry i; raises a RaisedError for an index out of range.
    std::string List(int i) const;
    int ListIndex() const { return highlight_; }
    int ListCount() const { return static_cast<int>(entries_.size()); }

    // The user moved the highlight (arrow keys, a click).
    void userHighlighted(int index) { highlight_ = index; }

    // Type-ahead: the row that `typed` (one character, as UTF-8) picks when the user types
    // it at `time` (milliseconds on any clock that wraps at 2^32), or -1 for none. A row
    // matches by its folder's name, not the indentation before it. A character typed
    // soon after the one before adds to what is sought, so the first letters of a name
    // find it; the same letter again, or a new search, steps on to the next match below
    // the highlight, going round to the top. Moves nothing itself.
    int typeAheadRow(const std::string& typed, std::uint32_t time);

  private:
    std::string resolve(const std::string& path) const;
    void fill(const std::string& folder);
    std::vector<std::string> subfoldersOf(const std::string& folder);

    FormView& view_;
    const std::vector<DriveEntry>& drives_;
    FileSystem& fileSystem_;
    std::map<std::string, std::string> currentFolderOfDrive_;
    std::vector<std::string> entries_;
    int highlight_ = -1;
    std::string path_;
    // What type-ahead seeks so far, and when its last character came.
    std::string sought_;
    std::uint32_t soughtAt_ = 0;
};

}  // namespace tolvane
