#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "date_time.h"

namespace tolvane {

// What an entry of a folder is to a walk. A link to a folder and a folder on another
// volume than the walk's (a mount point) are neither listed as files nor entered.
enum class EntryKind : std::uint8_t { File, Folder, LinkToFolder, FolderOnOtherVolume };

// One entry of a folder as a reading hands it over: its name, its kind, and either what a
// listing line shows of it or the system's number for the failure to query it. A failure
// is a value here, for the walker to report; nothing that reads a folder raises one.
struct FolderEntry {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    EntryKind kind = EntryKind::File;
    bool known = false;            // the facts, or the failure, are filled in
    int failure = 0;               // the system's error number; 0 when the facts hold
    std::uint32_t attributes = 0;  // file_attribute bits
    std::int64_t size = 0;
    std::int64_t stamp = 0;  // the system's own time stamp (POSIX: seconds since 1970, UTC)
    DateTime local;          // the time stamp in local time
};

// The entries of one folder, their names laid end to end in one text, each followed by a
// NUL so that it can be handed to the system as it stands.
struct FolderEntries {
    std::vector<FolderEntry> entries;
    std::string names;

    std::string_view nameOf(const FolderEntry& entry) const {
        return std::string_view(names.data() + entry.nameOffset, entry.nameLength);
    }
    const char* cNameOf(const FolderEntry& entry) const { return names.data() + entry.nameOffset; }
    void add(std::string_view name, const FolderEntry& facts) {
        FolderEntry entry = facts;
        entry.nameOffset = static_cast<std::uint32_t>(names.size());
        entry.nameLength = static_cast<std::uint32_t>(name.size());
        names.append(name);
        names.push_back('\0');
        entries.push_back(entry);
    }
    void clear() {
        entries.clear();
        names.clear();
    }
    // Memory the entries take.
    std::size_t bytes() const {
        return entries.capacity() * sizeof(FolderEntry) + names.capacity();
    }
};

inline bool isSelfOrParent(std::string_view name) {
    return name == "." || name == "..";
}

}  // namespace tolvane
