#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

// What the window's drive, folder and file lists need of the file system. Only one
// enumeration exists at a time: starting one ends the previous one. Every operation that
// fails raises a RaisedError carrying the system's description of the failure. (A listing
// run reads its folders through walk/, not through this.)
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Starts an enumeration. `pattern` is a folder prefix (ending in the separator),
    // optionally followed by a wildcard pattern for the names. `attributeMask` is
    // attribute_mask::kFiles or attribute_mask::kFilesAndFolders. Returns the first
    // matching bare name, or an empty text when nothing matches.
    virtual std::string startEnumeration(const std::string& pattern,
                                         std::uint32_t attributeMask) = 0;

    // The next name of the current enumeration, or an empty text when it is exhausted.
    virtual std::string nextName() = 0;

    // The attributes of one entry, by its full path.
    virtual std::uint32_t fileAttributes(const std::string& fullPath) = 0;
};

}  // namespace tolvane
