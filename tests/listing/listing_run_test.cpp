// The engine over real folders with failures injected into the system calls: the walker's
// order, patterns, yields, failures and limits, then the run around it, its states, Stop,
// and the failures it reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "directory_walker.h"
#include "listing_fakes.h"
#include "listing_line.h"
#include "listing_output.h"
#include "support/injected_calls.h"
#include "support/test_support.h"
#include "wildcard.h"

namespace tolvane {
namespace {

using testing::InjectedCalls;
using testing::readFile;
using testing::RecordingWindow;
using Lines = std::vector<std::string>;

const std::string kFailed = "Error has occured in subroutine: ListDirectory,\r";

class ListingRunTest : public testing::TreeListingTest {
  protected:
    ListingRunTest() { walkOptions.readAheadThreads = 2; }

    // Walks the tree (or `folder` below it) into a fresh file; returns each line's
    // "directory|name", the directory relative to the tree.
    Lines walk(const std::string& folder = "") {
        const auto path = output.path() / "listing.txt";
        const auto listing = openListingOutput(files, path.string(), dateText);
        DirectoryWalker walker(fields, walkOptions, window);
        walker.ListDirectory(*listing, tree.str() + folder);
        listing->close();
        return testing::directoryAndNames(readFile(path), tree.str().size());
    }

    // Each message's text with the tree's path cut out.
    Lines messages() const {
        Lines texts;
        for (const auto& message : window.messages) {
            std::string text = message.text;
            for (std::size_t at; (at = text.find(tree.str())) != std::string::npos;) {
                text.erase(at, tree.str().size());
            }
            texts.push_back(text);
        }
        return texts;
    }
};

TEST_F(ListingRunTest, FilesFirstThenSubfoldersLastFoundFirstWithAYieldForEach) {
    for (const char* name :
         {"top.txt", "A/a.txt", "A/deep/d.txt", "B/b.txt", "second.txt", "C/c.txt"}) {
        tree.file(name);
    }
    EXPECT_EQ(walk(), (Lines{"|second.txt", "|top.txt", "/C|c.txt", "/B|b.txt", "/A|a.txt",
                             "/A/deep|d.txt"}));
    const std::string t = tree.str();
    EXPECT_EQ(window.progressShown, (Lines{t + "/C", t + "/B", t + "/A", t + "/A/deep"}));
    // One yield per subfolder found and one before each is entered; none per file.
    EXPECT_EQ(window.yields, 4 + 4);
    EXPECT_EQ(Lines(window.log.begin(), window.log.begin() + 5),
              (Lines{"yield", "yield", "yield", "progress " + t + "/C", "yield"}));
    EXPECT_TRUE(window.messages.empty());

    // A path given with its separator keeps that one: no second one is added.
    window = RecordingWindow();
    EXPECT_EQ(walk("/A/").front(), "/A/|a.txt");
    EXPECT_EQ(window.progressShown, (Lines{t + "/A/deep"}));
}

TEST_F(ListingRunTest, ThePatternNarrowsFilesOnlyWhenSwitchedOnButEverySubfolderIsEntered) {
    for (const char* name : {"a.TXT", "b.doc", "docs/c.doc", "docs/notes/d.txt"}) {
        tree.file(name);
    }
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(walk(), (Lines{"|a.TXT", "/docs/notes|d.txt"}));
    // An empty pattern, or one kept while the switch is off, narrows nothing.
    for (const auto& [on, pattern] : {std::pair(true, ""), std::pair(false, "*.txt")}) {
        fields.UseFileFilter = on;
        fields.FileFilter = pattern;
        EXPECT_EQ(walk().size(), 4u) << on << " " << pattern;
    }
    // Without recursion nothing yields and no subfolder is entered.
    fields.RecurseSubdirectories = false;
    window.yields = 0;
    EXPECT_EQ(walk().size(), 2u);
    EXPECT_EQ(window.yields, 0);
}

TEST_F(ListingRunTest, AStopDuringTheCollectLoopEndsEveryLevel) {
    tree.folder("A");
    tree.folder("B/x");
    tree.file("B/b.txt");
    tree.file("B/y/never.txt");
    // Yields: A found, B found, B entered, x found (Stop pressed here).
    window.onYield = [this](int count) { fields.StopRequested = count == 4; };
    EXPECT_EQ(walk(), (Lines{"/B|b.txt"}));
    EXPECT_EQ(window.yields, 4);  // nobody yields again on the way out
    EXPECT_EQ(window.progressShown, (Lines{tree.str() + "/B"}));
}

// A failure loses only what could not be read: every readable file is listed, and each
// failure is reported once, in the walk's order, with the walk going on after it. With a
// pattern, a failing file it leaves out is reported by the subfolders pass, still once.
TEST_F(ListingRunTest, EachFailureIsReportedOnceAndEverythingReadableIsListed) {
    for (const char* name :
         {"A/sub/f1", "B/f1", "B/skip.doc", "C/f1", "E/f1", "E/f2", "G/f1", "H/f1", "a.txt",
          "locked.sys", "LOCKED.SYS", "gone.txt", "old.txt", "unseen.dir/f1"}) {
        tree.file(name);
    }
    InjectedCalls calls;
    calls.openFails = {{"C", EACCES}, {"G", ELOOP}};  // not entered; swapped for a link
    calls.statFails = {{"locked.sys", EACCES}, {"LOCKED.SYS", EACCES}, {"gone.txt", ENOENT},
                       {"skip.doc", EIO},      {"unseen.dir", EACCES},  // a folder
                       {"f2", EACCES}};  // as in a folder that can be read, not entered
    calls.stampBeyondCalendar = {"old.txt"};
    calls.readingFails = {{"H", EIO}};  // its names fail after the first batch
    const std::string reading = kFailed + "during reading directory contents: /";
    const std::string recursing = kFailed + "during recursing to subdirectory: /";
    const Lines failures{reading + "gone.txt\rError: No such file or directory",
                         reading + "LOCKED.SYS\rError: Permission denied",
                         reading + "old.txt\rError: Value too large for defined data type",
                         reading + "unseen.dir\rError: Permission denied",
                         reading + "H/\rError: Input/output error",
                         recursing + "G\rError: Too many levels of symbolic links",
                         reading + "E/f2\rError: Permission denied",
                         recursing + "C\rError: Permission denied",
                         reading + "B/skip.doc\rError: Input/output error"};
    EXPECT_EQ(walk(), (Lines{"|a.txt", "/H|f1", "/E|f1", "/B|f1", "/A/sub|f1"}));
    EXPECT_EQ(messages(), failures);

    window = RecordingWindow();
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(walk(), (Lines{"|a.txt"}));
    const Lines reported = messages();
    EXPECT_EQ(std::set<std::string>(reported.begin(), reported.end()),
              std::set<std::string>(failures.begin(), failures.end()));
}

// The 32,768th subfolder of one folder is reported and none of that folder's subfolders is
// entered; the rest of the walk goes on.
TEST_F(ListingRunTest, AtMost32767SubfoldersInOneFolder) {
    tree.file("w/a/first-found.txt");
    tree.folder("w/same");
    tree.file("v/beside.txt");
    InjectedCalls calls;
    calls.moreSubfolders = {{"w", 32767 - 2}};
    EXPECT_EQ(walk(), (Lines{"/w/a|first-found.txt", "/v|beside.txt"}));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.progressShown.size(), 2u + 32767u);

    calls.moreSubfolders = {{"w", 32767 - 1}};
    window = RecordingWindow();
    EXPECT_EQ(walk(), (Lines{"/v|beside.txt"}));
    EXPECT_EQ(messages(), (Lines{kFailed + "during reading directory contents: /w/same32766\r" +
                                 "Error: Overflow"}));
    EXPECT_EQ(window.progressShown, (Lines{tree.str() + "/w", tree.str() + "/v"}));
}

// A process out of descriptors is no failure of a folder: the readings wait for one to be
// freed, the walk keeps fewer folders open, and the listing is whole.
TEST_F(ListingRunTest, RunningOutOfDescriptorsLosesNothing) {
    for (int i = 0; i < 300; ++i) {
        tree.file("g" + std::to_string(i % 7) + "/h" + std::to_string(i % 13) + "/f" +
                  std::to_string(i) + "/x.txt");
    }
    const Lines whole = walk();
    for (const std::size_t threads : {0, 4}) {
        InjectedCalls calls;
        calls.descriptorLimit = 3;
        walkOptions.readAheadThreads = threads;
        window = RecordingWindow();
        EXPECT_EQ(walk(), whole) << threads;
        EXPECT_TRUE(window.messages.empty()) << messages().at(0);
        EXPECT_GT(calls.refused, 0u);
        EXPECT_EQ(calls.open, 0u);  // nothing left open
    }
}

// On a share every query waits: the walk hands its caller the time it waits, so a Stop
// press is taken while a large folder is still being read, and nothing reads on after.
TEST_F(ListingRunTest, AStopIsTakenWhileTheWalkWaitsForASlowFolder) {
    for (int f = 0; f < 2000; ++f) {
        tree.file("slow/f" + std::to_string(f));
    }
    InjectedCalls calls;
    calls.queryDelayUs = 2000;
    walkOptions.readAheadThreads = 4;
    window.onWaiting = [this] { fields.StopRequested = true; };
    EXPECT_TRUE(walk().empty());
    EXPECT_GE(window.waits, 1);
    EXPECT_LT(calls.queries, 1000u);
    EXPECT_EQ(calls.open, 0u);
}

}  // namespace
}  // namespace tolvane
