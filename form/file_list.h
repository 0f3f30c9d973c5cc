#pragma once

#include <string>

namespace tolvane {

class FileSystem;
class FormView;

// The file list Result_File: the names of every file of one folder, hidden ones
// included; no pattern ever narrows it.
class FileList {
  public:
    // `fileSystem` must not be the one a listing run uses (see FolderList).
    FileList(FormView& view, FileSystem& fileSystem) : view_(view), fileSystem_(fileSystem) {}

    std::string Path() const { return path_; }

    // Shows the files of `path` (the separator alone is the root of the current drive).
    // Raises a RaisedError, keeping the old entries, for a folder that cannot be read.
    void setPath(const std::string& path);

  private:
    FormView& view_;
    FileSystem& fileSystem_;
    std::string path_;
};

}  // namespace tolvane
