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

using testing::FailingOutputSystem;
using testing::InjectedCalls;
using testing::readFile;
using testing::RecordingWindow;
using testing::setModified;
using Call = FailingOutputSystem::Call;
using Lines = std::vector<std::string>;

const std::string kFailed = "Error has occured in subroutine: ListDirectory,\r";
const std::string kHeader = std::string(kListingHeader) + "\r\n";

class ListingRunTest : public testing::TreeListingTest {
  protected:
    ListingRunTest() {
        walkOptions.readAheadThreads = 2;
        files.replaceSystem(system);
    }

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

    void expectIdle() {
        EXPECT_FALSE(fields.Running);
        EXPECT_FALSE(fields.StopRequested);
        EXPECT_EQ(window.caption, "&Make List");
        for (const auto& [control, enabled] : window.enabled) {
            EXPECT_TRUE(enabled);
        }
        EXPECT_FALSE(files.isOpen(1));
    }

    FailingOutputSystem system;
    ListingRun run{fields, window, walkOptions, files, dateText};
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

// Runs of a file of 5 bytes and two folders of one file each.
class RunOfThreeTest : public ListingRunTest {
  protected:
    RunOfThreeTest() {
        setModified(tree.file("top.txt", 5), DateTime{2004, 1, 1, 12, 0, 0});
        tree.file("A/a.txt", 1);
        tree.file("B/b.txt", 1);
        dateText = DateTimeText{"%Y-%m-%d", "%H:%M:%S"};
    }
};

TEST_F(RunOfThreeTest, ACompletedRunBeepsOnceThenTellsWhereTheListingIs) {
    run.start();
    const std::string listing = readFile(fields.SaveFilename);
    EXPECT_EQ(listing.rfind(kHeader, 0), 0u);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 4);
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(window.log.back(), "progress Directory contenst stored in: " + fields.SaveFilename);
    EXPECT_EQ(window.log[window.log.size() - 2], "beep");
    expectIdle();

    window.folder = tree.folder("empty").string();  // the header alone, and still a success
    run.start();
    EXPECT_EQ(readFile(fields.SaveFilename), kHeader);
    EXPECT_EQ(window.beeps, 2);
}

TEST_F(RunOfThreeTest, AStopPressDuringAYieldAbortsTheRunAndKeepsItsLines) {
    bool sawRunningState = false;
    window.onYield = [&](int count) {
        if (count == 3) {  // A found, B found, now before B is entered
            sawRunningState =
                window.switched ==
                std::vector<RunControl>{RunControl::Comment_Check, RunControl::Filter_Check,
                                        RunControl::Function_Make, RunControl::Recurse_Check,
                                        RunControl::Result_Drive,  RunControl::Result_Dir,
                                        RunControl::Setup_Menu};
            EXPECT_TRUE(run.running());
            run.requestStop();
        }
    };
    run.start();
    EXPECT_TRUE(sawRunningState);
    EXPECT_EQ(readFile(fields.SaveFilename),
              kHeader + "top.txt\tTXT\t5\t2004-01-01 12:00:00\t" + tree.str() + "\t\t\r\n");
    EXPECT_EQ(window.beeps, 0);
    EXPECT_EQ(window.yields, 3);
    EXPECT_EQ(window.progress, "Aborted");
    expectIdle();

    // The next run replaces the stopped one's listing.
    window.onYield = nullptr;
    run.start();
    const std::string second = readFile(fields.SaveFilename);
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 4);
}

TEST_F(RunOfThreeTest, ARunThatCannotStartIsReportedAndNothingIsWalked) {
    // An output file that cannot be opened, and a pattern that would reach into another
    // folder: that one is refused before the listing file is touched.
    const std::string missing = (output.path() / "missing" / "out.txt").string();
    const std::string untouched = (output.path() / "untouched.txt").string();
    const struct {
        std::string saveFilename, filter, message;
    } cases[] = {
        {missing, "", "Error opening file: " + missing + "\rError: No such file or directory"},
        {"", "", "Error opening file: \rError: No such file or directory"},
        {untouched, "../*", "Error in file filter: ../*\rError: " + std::string(kFileFilterRule)},
    };
    window.progress = "earlier text";
    fields.UseFileFilter = true;
    for (const auto& c : cases) {
        fields.SaveFilename = c.saveFilename;
        fields.FileFilter = c.filter;
        window.messages.clear();
        run.start();
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].title, "Error in Make_Button_Click");
        EXPECT_EQ(window.messages[0].text, c.message);
        EXPECT_FALSE(std::filesystem::exists(c.saveFilename));
        EXPECT_EQ(window.yields, 0);
        EXPECT_EQ(window.progress, "earlier text");
        EXPECT_EQ(window.beeps, 0);
        expectIdle();
    }
}

// Write failures injected into the output calls: each is reported, never as success, and
// the listing ends on its last whole line. The long name makes the buffer go out during the
// walk (header and top.txt in write 1, its own line in writes 2 and 3, no more than
// 100,000 bytes each); the subfolders' lines go out at close.
TEST_F(RunOfThreeTest, AListingThatCannotBeStoredIsReportedAndEndsOnAWholeLine) {
    tree.file(std::string(200, 'n') + "/" + std::string(250, 'n'));
    fields.AddComment = true;
    fields.FileComment = std::string(69000, 'c');
    run.start();
    const std::string complete = readFile(fields.SaveFilename);
    const struct {
        FailingOutputSystem::Failure failure;
        std::string description;
        int linesKept, yields;  // yields: 6 for the whole walk
    } cases[] = {
        {{Call::kWrite, 1, ENOSPC}, "No space left on device", 0, 0},
        {{Call::kWrite, 3, EFBIG}, "File too large", 2, 4},
        {{Call::kWrite, 4, EIO}, "Input/output error", 3, 5},
        {{Call::kClose, 1, ENOSPC}, "No space left on device", 5, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        system = FailingOutputSystem({c.failure}, 100000);
        window = RecordingWindow();
        window.folder = tree.str();
        run.start();
        std::size_t kept = 0;
        for (int n = 0; n < c.linesKept; ++n) {
            kept = complete.find("\r\n", kept) + 2;
        }
        const std::string listing = readFile(fields.SaveFilename);
        EXPECT_TRUE(listing == complete.substr(0, kept)) << listing.size() << " bytes";
        ASSERT_EQ(window.messages.size(), 1u);  // not taken for a failure to read
        EXPECT_EQ(window.messages[0].title, "Error in Make_Button_Click");
        EXPECT_EQ(window.messages[0].text,
                  "Error writing file: " + fields.SaveFilename + "\rError: " + c.description);
        EXPECT_EQ(window.beeps, 0);
        EXPECT_EQ(window.progress, "Aborted");  // never a success, nor a folder
        EXPECT_EQ(window.yields, c.yields);     // a walk ends at its failure
        EXPECT_EQ(system.descriptorsOpen, 0);
        expectIdle();
    }
}

TEST_F(RunOfThreeTest, AChosenFolderThatCannotBeReadLeavesTheWindowIdleAndTravelsOn) {
    // No handler of the walker traps it: it reaches the caller of the run.
    window.folder = tree.str() + "/gone";
    window.progress = "Directory contenst stored in: an earlier run";
    EXPECT_THROW(run.start(), RaisedError);
    EXPECT_EQ(window.progress, "");        // nobody stopped it, and nothing was stored
    EXPECT_TRUE(window.messages.empty());  // not trapped by the walker
    EXPECT_EQ(readFile(fields.SaveFilename), kHeader);
    expectIdle();
}

}  // namespace
}  // namespace tolvane
