#pragma once

#include <cstdint>
#include <string>

#include "date_time.h"

namespace tolvane {

// What a listing line shows of one file besides its name.
struct FileFacts {
    std::int64_t length = 0;
    std::uint32_t attributes = 0;
    DateTime timeStamp;
};

// What the directory walker needs of the file system. Only one enumeration exists at a
// time: starting one ends the previous one. Every operation that fails raises a
// RaisedError carrying the system's description of the failure.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Starts a walk; `recursive` tells whether it goes on into subfolders. The next
    // enumeration names the walk's chosen folder, reached by its path; each later one a
    // subfolder that an enumeration of the walk returned, in the walk's order (each
    // folder's subfolders the last one first, each one's whole tree before the next), which
    // a file system may reach from its parent's open folder and may read ahead of the walk.
    // Such a file system enters no link to a folder even when a folder is swapped for one
    // while the walk goes on, and keeps the walk on the chosen folder's own file system
    // (volume). Enumerations made outside a walk (the window's lists) reach every folder by
    // its path.
    virtual void beginWalk(bool recursive) { (void)recursive; }

    // Ends the walk begun last, whichever way it ends (done, stopped or failed): nothing
    // is read for it any more, and every thread that read for it has ended.
    virtual void endWalk() {}

    // Starts an enumeration. `pattern` is a folder prefix (ending in the separator),
    // optionally followed by a wildcard pattern for the names. `attributeMask` is
    // attribute_mask::kFiles or attribute_mask::kFilesAndFolders. Returns the first
    // matching bare name, or an empty text when nothing matches.
    virtual std::string startEnumeration(const std::string& pattern,
                                         std::uint32_t attributeMask) = 0;

    // The next name of the current enumeration, or an empty text when it is exhausted.
    virtual std::string nextName() = 0;

    // Queries of one entry by its full path.
    virtual std::int64_t fileLength(const std::string& fullPath) = 0;
    virtual DateTime fileTimeStamp(const std::string& fullPath) = 0;
    virtual std::uint32_t fileAttributes(const std::string& fullPath) = 0;

    // The three queries at once, made in the order fileLength, fileAttributes,
    // fileTimeStamp, the first failure raised. A file system that has all three from one
    // look at the entry answers without looking three times.
    virtual FileFacts fileFacts(const std::string& fullPath) {
        FileFacts facts;
        facts.length = fileLength(fullPath);
        facts.attributes = fileAttributes(fullPath);
        facts.timeStamp = fileTimeStamp(fullPath);
        return facts;
    }
};

}  // namespace tolvane
