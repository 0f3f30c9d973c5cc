#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "file_system.h"

namespace tolvane {

// The file system of the window's lists on Windows, through FindFirstFileExW /
// FindNextFileW (win32Calls()).
//
// One find handle is open at a time; starting an enumeration closes the previous one.
// An enumeration returns an entry when each of its hidden, system and folder bits is in
// the mask, so the files mask (hidden + system) never returns a folder and the folders
// mask returns everything, "." and ".." included. A folder that is a reparse point (a
// junction or a symbolic link) is never returned, so it is neither listed nor entered
// and no walk can loop. Entries come in the order the file system keeps them.
//
// The queries of the entry just returned (by its full path, folder prefix + name) are
// answered from its find data; any other path is asked of GetFileAttributesExW. The time
// stamp is the last write time in the local time of that date. Paths too long for the
// plain Win32 form are passed in their "\\?\" form. Failures carry the system's own
// description.
class Win32FileSystem : public FileSystem {
  public:
    Win32FileSystem();
    Win32FileSystem(const Win32FileSystem&) = delete;
    Win32FileSystem& operator=(const Win32FileSystem&) = delete;
    ~Win32FileSystem() override;

    std::string startEnumeration(const std::string& pattern, std::uint32_t attributeMask) override;
    std::string nextName() override;
    std::uint32_t fileAttributes(const std::string& fullPath) override;

    // Whether an entry with these attribute bits is returned under `attributeMask`.
    static bool returnedByMask(std::uint32_t attributes, std::uint32_t attributeMask);

  private:
    void closeFind();
    // Steps through the find data until an entry the mask returns; `haveData` says
    // whether the find data already holds an entry not yet looked at.
    std::string advanceToMatch(bool haveData);
    std::uint32_t attributesOf(const std::string& fullPath);
    static std::uint32_t knownAttributes(std::uint32_t attributes);

    // The open find handle and the find data it fills; kept out of this header so that
    // its users need not include <windows.h>.
    struct Find;
    std::unique_ptr<Find> find_;
    std::uint32_t mask_ = 0;
    std::string folderPrefix_;
    std::string currentName_;
    std::uint32_t currentAttributes_ = 0;
};

}  // namespace tolvane
