#pragma once

#include <QListWidget>
#include <string>

namespace tolvane {

class FileSystem;

// The file list Result_File: the names of every file of one folder, hidden ones
// included; no pattern ever narrows it.
class FileList : public QListWidget {
public:
    // `fileSystem` must not be the one a listing run uses (see FolderList).
    FileList(FileSystem& fileSystem, QWidget* parent);

    std::string Path() const { return path_; }

    // Shows the files of `path` (the native separator alone is the root). Raises a
    // RaisedError, keeping the old entries, for a folder that cannot be read.
    void setPath(const std::string& path);

private:
    FileSystem& fileSystem_;
    std::string path_;
};

}  // namespace tolvane
