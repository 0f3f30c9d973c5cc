#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "file_attributes.h"
#include "file_system.h"
#include "raised_error.h"
#include "wildcard.h"

namespace tolvane::testing {

// A file system whose folders, entries, order and failures a test scripts. Folders are
// named by their prefix (path with a trailing separator).
class ScriptedFileSystem : public FileSystem {
  public:
    struct Entry {
        std::string name;
        bool folder = false;
        std::int64_t size = 0;
        bool queriesFail = false;
    };

    // Adds the entries of absolute paths in the order given, with every folder along
    // them: "/w/A/a.txt" adds folder A to /w/ (once) and file a.txt to /w/A/; a path that
    // ends in "/" adds just the folders.
    void add(std::initializer_list<std::string> paths, std::int64_t size = 0) {
        for (const std::string& path : paths) {
            std::size_t start = 1;
            for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos;
                 start = slash + 1) {
                addEntry(path.substr(0, start), Entry{path.substr(start, slash - start), true});
            }
            if (start < path.size()) {
                addEntry(path.substr(0, start), Entry{path.substr(start), false, size});
            }
        }
    }
    // An entry whose queries fail.
    void addUnreadable(const std::string& prefix, const std::string& name, bool folder = false) {
        index_[prefix + name] = folders_[prefix].size();
        folders_[prefix].push_back(Entry{name, folder, 0, true});
    }
    // The folder's enumerations cannot be started.
    void failEnumeration(const std::string& prefix) { unreadable_.insert(prefix); }

    std::string startEnumeration(const std::string& pattern, std::uint32_t mask) override {
        ++enumerationsStarted;
        const std::size_t slash = pattern.rfind('/');
        const std::string prefix = pattern.substr(0, slash + 1);
        const std::string wildcard = pattern.substr(slash + 1);
        current_.clear();
        position_ = 0;
        if (unreadable_.count(prefix) != 0 || folders_.count(prefix) == 0) {
            throw RaisedError(76, "FileSystem", "Path not found");
        }
        if ((mask & file_attribute::kFolder) != 0 && prefix != "/") {
            current_ = {".", ".."};
        }
        for (const Entry& entry : folders_[prefix]) {
            if (entry.folder && (mask & file_attribute::kFolder) == 0) {
                continue;
            }
            if (matchesWildcard(wildcard, entry.name)) {
                current_.push_back(entry.name);
            }
        }
        return nextName();
    }

    std::string nextName() override {
        return position_ < current_.size() ? current_[position_++] : std::string();
    }

    std::int64_t fileLength(const std::string& path) override { return find(path).size; }
    DateTime fileTimeStamp(const std::string& path) override {
        find(path);
        return DateTime{2004, 1, 1, 12, 0, 0};
    }
    std::uint32_t fileAttributes(const std::string& path) override {
        return find(path).folder ? file_attribute::kFolder : 0;
    }

    int enumerationsStarted = 0;

  private:
    void addEntry(const std::string& prefix, const Entry& entry) {
        std::vector<Entry>& entries = folders_[prefix];
        if (!index_.emplace(prefix + entry.name, entries.size()).second) {
            return;
        }
        entries.push_back(entry);
        if (entry.folder) {
            folders_[prefix + entry.name + "/"];
        }
    }

    const Entry& find(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::string prefix = path.substr(0, slash + 1);
        const std::string name = path.substr(slash + 1);
        if (name == "." || name == "..") {
            static const Entry self{".", true};
            return self;
        }
        const auto found = index_.find(path);
        if (found == index_.end()) {
            throw RaisedError(53, "FileSystem", "No such file or directory");
        }
        const Entry& entry = folders_[prefix][found->second];
        if (entry.queriesFail) {
            throw RaisedError(75, "FileSystem", "Permission denied");
        }
        return entry;
    }

    std::map<std::string, std::vector<Entry>> folders_;
    std::map<std::string, std::size_t> index_;  // an entry's place in its folder, by path
    std::set<std::string> unreadable_;
    std::vector<std::string> current_;
    std::size_t position_ = 0;
};

}  // namespace tolvane::testing
