#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "file_attributes.h"
#include "file_system.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "native_file_system.h"
#include "output_file_table.h"
#include "raised_error.h"
#include "run_window.h"
#include "support/test_support.h"
#include "wildcard.h"
#ifdef _WIN32
#include "win32_text.h"
#endif

// The engine's stand-ins for the window and the file system, a listing read back, and
// runs over real folders.
namespace tolvane::testing {

// A window that records what the engine does to it, as one event log, and lets a test
// act during a yield (a Stop press, say).
class RecordingWindow : public RunWindow {
  public:
    struct Message {
        std::string text;
        std::string title;
    };

    void yield() override {
        ++yields;
        log.push_back("yield");
        if (onYield) {
            onYield(yields);
        }
    }
    void setProgressText(const std::string& text) override {
        progress = text;
        progressShown.push_back(text);
        log.push_back("progress " + text);
    }
    void showMessage(const std::string& text, const std::string& title) override {
        messages.push_back(Message{text, title});
        log.push_back("message");
    }
    void setMakeButtonCaption(const std::string& text) override { caption = text; }
    void setControlEnabled(RunControl control, bool enabled) override {
        this->enabled[control] = enabled;
        switched.push_back(control);
    }
    std::string folderListPath() override { return folder; }
    void beep() override {
        ++beeps;
        log.push_back("beep");
    }

    std::string folder;
    std::function<void(int)> onYield;
    int yields = 0;
    int beeps = 0;
    std::string progress;
    std::vector<std::string> progressShown;  // every text, in order
    std::string caption;
    std::map<RunControl, bool> enabled;
    std::vector<RunControl> switched;
    std::vector<Message> messages;
    std::vector<std::string> log;
};

// A file system whose folders, entries, order and failures a test scripts. Paths are
// absolute and spelt with "/".
class ScriptedFileSystem : public FileSystem {
  public:
    struct Entry {
        bool folder = false;
        std::int64_t size = 0;
        bool queriesFail = false;
    };

    // Adds the entries of absolute paths in the order given, with every folder along
    // them: "/w/A/a.txt" adds folder A to /w (once) and file a.txt to /w/A; a path that
    // ends in "/" adds just the folders.
    void add(std::initializer_list<std::string> paths, std::int64_t size = 0) {
        for (const std::string& path : paths) {
            for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
                 slash = path.find('/', slash + 1)) {
                addEntry(path.substr(0, slash), Entry{true});
            }
            if (path.back() != '/') {
                addEntry(path, Entry{false, size});
            }
        }
    }
    // An entry whose queries fail.
    void addUnreadable(const std::string& prefix, const std::string& name, bool folder = false) {
        addEntry(prefix + name, Entry{folder, 0, true});
    }
    // The folder's enumerations cannot be started.
    void failEnumeration(const std::string& prefix) { unreadable_.insert(prefix); }

    std::string startEnumeration(const std::string& pattern, std::uint32_t mask) override {
        ++enumerationsStarted;
        const std::size_t slash = pattern.rfind('/');
        const std::string prefix = pattern.substr(0, slash + 1);
        current_.clear();
        position_ = 0;
        if (unreadable_.count(prefix) != 0 || names_.count(prefix) == 0) {
            throw RaisedError(76, "FileSystem", "Path not found");
        }
        const bool folders = (mask & file_attribute::kFolder) != 0;
        if (folders && prefix != "/") {
            current_ = {".", ".."};
        }
        for (const std::string& name : names_[prefix]) {
            if ((folders || !entries_[prefix + name].folder) &&
                matchesWildcard(pattern.substr(slash + 1), name)) {
                current_.push_back(name);
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
    void addEntry(const std::string& path, const Entry& entry) {
        if (entries_.emplace(path, entry).second) {
            const std::size_t slash = path.rfind('/');
            names_[path.substr(0, slash + 1)].push_back(path.substr(slash + 1));
            if (entry.folder) {
                names_[path + "/"];
            }
        }
    }

    const Entry& find(const std::string& path) {
        static const Entry self{true};
        if (path.ends_with("/.") || path.ends_with("/..")) {
            return self;
        }
        const auto found = entries_.find(path);
        if (found == entries_.end()) {
            throw RaisedError(53, "FileSystem", "No such file or directory");
        }
        if (found->second.queriesFail) {
            throw RaisedError(75, "FileSystem", "Permission denied");
        }
        return found->second;
    }

    std::map<std::string, Entry> entries_;                   // by path
    std::map<std::string, std::vector<std::string>> names_;  // by folder prefix, in order
    std::set<std::string> unreadable_;
    std::vector<std::string> current_;
    std::size_t position_ = 0;
};

// Each file line of a listing as "directory|name" (the header left out), with the first
// `strip` characters cut from each directory, and "|" and the attribute letters after it
// when `withAttributes`.
inline std::vector<std::string> directoryAndNames(const std::string& listing, std::size_t strip = 0,
                                                  bool withAttributes = false) {
    std::vector<std::string> result;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.at(0) != "Filename") {
            result.push_back(fields.at(4).substr(strip) + "|" + fields.at(0) +
                             (withAttributes ? "|" + fields.at(5) : ""));
        }
    }
    return result;
}

// A listing run, started as the window starts it, over a fresh tree through the system's
// file system (or another), into a file in a folder of its own.
class TreeListingTest : public ::testing::Test {
  protected:
    TreeListingTest() {
        fields.RecurseSubdirectories = true;
        fields.SaveFilename = (output.path() / "Tolvane.Txt").string();
        window.folder = tree.str();
    }

    std::string listing() { return listingThrough(fileSystem); }
    std::string listingThrough(FileSystem& walkedBy) {
        ListingRun run(fields, window, walkedBy, files, dateText);
        run.Make_Button_Click();
        EXPECT_FALSE(fields.Running);
#ifdef _WIN32
        return readFile(std::filesystem::path(wideFromUtf8(fields.SaveFilename)));
#else
        return readFile(fields.SaveFilename);
#endif
    }

    TemporaryFolder tree;
    TemporaryFolder output;
    ListingFields fields;
    NativeFileSystem fileSystem;
    OutputFileTable files;
    DateTimeText dateText{"%d-%m-%Y", "%H:%M:%S"};
    RecordingWindow window;
};

}  // namespace tolvane::testing
