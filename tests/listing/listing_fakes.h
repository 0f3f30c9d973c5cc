#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "run_window.h"
#include "support/test_support.h"
#ifdef _WIN32
#include "win32_text.h"
#endif

// The engine's stand-in for the window, a listing read back, and runs over real folders.
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
    void waiting() override {
        if (onWaiting) {
            onWaiting();
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
    // The run's states are proved through the window in tests/form.
    void setMakeButtonCaption(const std::string&) override {}
    void setControlEnabled(RunControl, bool) override {}
    std::string folderListPath() override { return folder; }
    void beep() override { log.push_back("beep"); }

    std::string folder;
    std::function<void(int)> onYield;
    std::function<void()> onWaiting;
    int yields = 0;
    std::string progress;
    std::vector<std::string> progressShown;  // every text, in order
    std::vector<Message> messages;
    std::vector<std::string> log;
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

    std::string listing() { return listingThrough(walkOptions); }
    std::string listingThrough(const WalkOptions& options) {
        ListingRun run(fields, window, options, files, dateText);
        run.start();
        EXPECT_FALSE(fields.Running);
#ifdef _WIN32
        return readFile(std::filesystem::path(wideFromUtf8(fields.SaveFilename)));
#else
        return readFile(fields.SaveFilename);
#endif
    }

    // Each message's text, with the tree's path cut out when `cut`.
    std::vector<std::string> messages(bool cut = true) const {
        std::vector<std::string> texts;
        for (const auto& message : window.messages) {
            std::string text = message.text;
            for (std::size_t at; cut && (at = text.find(tree.str())) != std::string::npos;) {
                text.erase(at, tree.str().size());
            }
            texts.push_back(text);
        }
        return texts;
    }

    TemporaryFolder tree;
    TemporaryFolder output;
    ListingFields fields;
    WalkOptions walkOptions;
    OutputFileTable files;
    DateTimeText dateText{"%d-%m-%Y", "%H:%M:%S"};
    RecordingWindow window;
};

}  // namespace tolvane::testing
