// The engine over a scripted file system: the walker's order, patterns, failures and
// limits, then the run around it, its states, Stop, and the failures it reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "date_time_text.h"
#include "directory_walker.h"
#include "listing_fakes.h"
#include "listing_fields.h"
#include "listing_line.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "support/test_support.h"
#include "wildcard.h"

namespace tolvane {
namespace {

using testing::FailingOutputSystem;
using testing::readFile;
using testing::RecordingWindow;
using testing::ScriptedFileSystem;
using testing::TemporaryFolder;
using Call = FailingOutputSystem::Call;
using Lines = std::vector<std::string>;

const std::string kFailed = "Error has occured in subroutine: ListDirectory,\r";
const std::string kHeader = std::string(kListingHeader) + "\r\n";

class DirectoryWalkerTest : public ::testing::Test {
  protected:
    DirectoryWalkerTest() {
        fields.RecurseSubdirectories = true;
        fields.SaveFilename = (temp.path() / "Tolvane.Txt").string();
    }

    // Walks `folder` into a fresh file; returns each line's "directory|name".
    Lines walk(const std::string& folder) {
        const auto path = temp.path() / "listing.txt";
        files.openForOutput(1, path.string());
        DirectoryWalker walker(fields, fs, files, dateText, window);
        walker.ListDirectory(1, folder);
        files.close(1);
        return testing::directoryAndNames(readFile(path));
    }

    std::string onlyMessage() const {
        EXPECT_EQ(window.messages.size(), 1u);
        return window.messages.empty() ? std::string() : window.messages[0].text;
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

    TemporaryFolder temp;
    ListingFields fields;
    ScriptedFileSystem fs;
    FailingOutputSystem system;
    OutputFileTable files{system};
    DateTimeText dateText{"%Y-%m-%d", "%H:%M:%S"};
    RecordingWindow window;
    ListingRun run{fields, window, fs, files, dateText};
};

TEST_F(DirectoryWalkerTest, FilesFirstThenSubfoldersLastFoundFirst) {
    // Files come first whatever the enumeration order.
    fs.add({"/w/top.txt", "/w/A/a.txt", "/w/A/deep/d.txt", "/w/B/b.txt", "/w/second.txt",
            "/w/C/c.txt"});
    EXPECT_EQ(walk("/w"), (Lines{"/w|top.txt", "/w|second.txt", "/w/C|c.txt", "/w/B|b.txt",
                                 "/w/A|a.txt", "/w/A/deep|d.txt"}));
    EXPECT_EQ(window.progressShown, (Lines{"/w/C", "/w/B", "/w/A", "/w/A/deep"}));
    // One yield per subfolder found and one before each is entered; none per file.
    EXPECT_EQ(window.yields, 4 + 4);
    EXPECT_EQ(Lines(window.log.begin(), window.log.begin() + 5),
              (Lines{"yield", "yield", "yield", "progress /w/C", "yield"}));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(DirectoryWalkerTest, ThePatternNarrowsFilesOnlyWhenSwitchedOnButEverySubfolderIsEntered) {
    fs.add({"/w/a.TXT", "/w/b.doc", "/w/docs/c.doc", "/w/docs/notes/d.txt"});
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(walk("/w"), (Lines{"/w|a.TXT", "/w/docs/notes|d.txt"}));
    // An empty pattern, or one kept while the switch is off, narrows nothing.
    for (const auto& [on, pattern] : {std::pair(true, ""), std::pair(false, "*.txt")}) {
        fields.UseFileFilter = on;
        fields.FileFilter = pattern;
        EXPECT_EQ(walk("/w").size(), 4u) << on << " " << pattern;
    }
    // Without recursion nothing yields and no subfolder is entered.
    fields.RecurseSubdirectories = false;
    window.yields = fs.enumerationsStarted = 0;
    EXPECT_EQ(walk("/w").size(), 2u);
    EXPECT_EQ(window.yields, 0);
    EXPECT_EQ(fs.enumerationsStarted, 1);
}

TEST_F(DirectoryWalkerTest, TheRootKeepsItsOneSeparator) {
    fs.add({"/vmlinuz", "/etc/hosts"});
    EXPECT_EQ(walk("/"), (Lines{"/|vmlinuz", "/etc|hosts"}));
    EXPECT_EQ(window.progressShown, (Lines{"/etc"}));
}

TEST_F(DirectoryWalkerTest, AStopDuringTheCollectLoopEndsEveryLevel) {
    fs.add({"/w/A/", "/w/B/b.txt", "/w/B/x/", "/w/B/y/never.txt"});
    // Yields: A found, B found, B entered, x found (Stop pressed here).
    window.onYield = [this](int count) { fields.StopRequested = count == 4; };
    EXPECT_EQ(walk("/w"), (Lines{"/w/B|b.txt"}));
    EXPECT_EQ(window.yields, 4);  // nobody yields again on the way out
    EXPECT_EQ(window.progressShown, (Lines{"/w/B"}));
}

TEST_F(DirectoryWalkerTest, LockedSysIsSkippedQuietlyButLockedSysInCapitalsIsReported) {
    fs.add({"/w/a.txt"});
    fs.addUnreadable("/w/", "locked.sys");
    fs.add({"/w/z.txt"});
    EXPECT_EQ(walk("/w"), (Lines{"/w|a.txt", "/w|z.txt"}));
    EXPECT_TRUE(window.messages.empty());

    // The folder's remaining entries and its subfolders are left out; its parent goes on.
    fs = ScriptedFileSystem();
    fs.add({"/v/first/a.txt"});
    fs.addUnreadable("/v/first/", "LOCKED.SYS");
    fs.add({"/v/first/z.txt", "/v/first/sub/never.txt", "/v/second/s.txt"});
    EXPECT_EQ(walk("/v"), (Lines{"/v/second|s.txt", "/v/first|a.txt"}));
    EXPECT_EQ(onlyMessage(), kFailed + "during reading directory contents: /v/first/LOCKED.SYS\r" +
                                 "Error: Permission denied");
    EXPECT_EQ(window.messages[0].title, "Error in ListDirectory");

    // A folder that cannot be queried in the collect loop ends that folder's walk.
    fs = ScriptedFileSystem();
    window = RecordingWindow();
    fs.add({"/w/A/"});
    fs.addUnreadable("/w/", "B", true);
    fs.add({"/w/C/"});
    EXPECT_TRUE(walk("/w").empty());
    EXPECT_NE(onlyMessage().find("during reading directory contents: /w/B\r"), std::string::npos);
    EXPECT_TRUE(window.progressShown.empty());  // A was collected, but nothing is visited
}

TEST_F(DirectoryWalkerTest, ASubfolderThatCannotBeEnumeratedIsReportedByItsParent) {
    fs.add({"/w/outer/A/skipped.txt", "/w/outer/B/", "/w/outer/C/c.txt", "/w/zlast/z.txt"});
    fs.failEnumeration("/w/outer/B/");
    // outer's C is listed, B fails, A is left out; the walk goes on with the grandparent.
    EXPECT_EQ(walk("/w"), (Lines{"/w/zlast|z.txt", "/w/outer/C|c.txt"}));
    EXPECT_EQ(onlyMessage(),
              kFailed + "during recursing to subdirectory: /w/outer/B\rError: Path not found");
}

TEST_F(DirectoryWalkerTest, AtMost32767SubfoldersInOneFolder) {
    fs.add({"/w/d0/first-found.txt"});
    for (int i = 1; i < 32767; ++i) {
        fs.add({"/w/d" + std::to_string(i) + "/"});
    }
    EXPECT_EQ(walk("/w"), (Lines{"/w/d0|first-found.txt"}));
    EXPECT_TRUE(window.messages.empty());

    fs.add({"/w/one-too-many/"});
    window.progressShown.clear();
    EXPECT_TRUE(walk("/w").empty());
    EXPECT_EQ(onlyMessage(),
              kFailed + "during reading directory contents: /w/one-too-many\rError: Overflow");
    EXPECT_TRUE(window.progressShown.empty());
}

// Runs of /w: a file of 5 bytes, and two folders of one file each.
class ListingRunTest : public DirectoryWalkerTest {
  protected:
    ListingRunTest() {
        window.folder = "/w";
        fs.add({"/w/top.txt"}, 5);
        fs.add({"/w/A/a.txt", "/w/B/b.txt"}, 1);
    }
};

TEST_F(ListingRunTest, ACompletedRunBeepsOnceThenTellsWhereTheListingIs) {
    run.Make_Button_Click();
    const std::string listing = readFile(fields.SaveFilename);
    EXPECT_EQ(listing.rfind(kHeader, 0), 0u);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 4);
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(window.log.back(), "progress Directory contenst stored in: " + fields.SaveFilename);
    EXPECT_EQ(window.log[window.log.size() - 2], "beep");
    expectIdle();

    fs.add({"/empty/"});  // nothing to list: the header alone, and still a success
    window.folder = "/empty";
    run.Make_Button_Click();
    EXPECT_EQ(readFile(fields.SaveFilename), kHeader);
    EXPECT_EQ(window.beeps, 2);
}

TEST_F(ListingRunTest, AStopPressDuringAYieldAbortsTheRunAndKeepsItsLines) {
    bool sawRunningState = false;
    window.onYield = [&](int count) {
        if (count == 3) {  // A found, B found, now before B is entered
            // Seven controls switched off in order. (That the window shows the running
            // state, and is idle at once after Stop, is proved in tests/form.)
            sawRunningState =
                window.switched ==
                std::vector<RunControl>{RunControl::Comment_Check, RunControl::Filter_Check,
                                        RunControl::Function_Make, RunControl::Recurse_Check,
                                        RunControl::Result_Drive,  RunControl::Result_Dir,
                                        RunControl::Setup_Menu};
            run.Make_Button_Click();  // the button, now captioned "&Stop"
        }
    };
    run.Make_Button_Click();
    EXPECT_TRUE(sawRunningState);
    EXPECT_EQ(readFile(fields.SaveFilename),
              kHeader + "top.txt\tTXT\t5\t2004-01-01 12:00:00\t/w\t\t\r\n");
    EXPECT_EQ(window.beeps, 0);
    EXPECT_EQ(window.yields, 3);
    expectIdle();

    // The next press starts a new run that replaces the stopped one's listing.
    window.onYield = nullptr;
    run.Make_Button_Click();
    const std::string second = readFile(fields.SaveFilename);
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 4);
}

TEST_F(ListingRunTest, ARunThatCannotStartIsReportedAndNothingIsWalked) {
    // An output file that cannot be opened, and a pattern that would reach into another
    // folder: that one is refused before the listing file is touched.
    const std::string missing = (temp.path() / "missing" / "out.txt").string();
    const std::string untouched = (temp.path() / "untouched.txt").string();
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
        run.Make_Button_Click();
        ASSERT_EQ(window.messages.size(), 1u);
        EXPECT_EQ(window.messages[0].title, "Error in Make_Button_Click");
        EXPECT_EQ(window.messages[0].text, c.message);
        EXPECT_FALSE(std::filesystem::exists(c.saveFilename));
        EXPECT_EQ(fs.enumerationsStarted, 0);
        EXPECT_EQ(window.progress, "earlier text");
        EXPECT_EQ(window.beeps, 0);
        expectIdle();
    }
}

// Write failures injected into the output calls: each is reported, never as success, and
// the listing ends on its last whole line. The long name makes the buffer go out during the
// walk (header and top.txt in write 1, its own line in writes 2 and 3, no more than
// 100,000 bytes each); the subfolders' lines go out at close.
TEST_F(ListingRunTest, AListingThatCannotBeStoredIsReportedAndEndsOnAWholeLine) {
    fs.add({"/w/" + std::string(70000, 'n')});
    run.Make_Button_Click();
    const std::string complete = readFile(fields.SaveFilename);
    const struct {
        FailingOutputSystem::Failure failure;
        std::string description;
        int linesKept, yields;  // yields: 4 for the whole walk
    } cases[] = {
        {{Call::kWrite, 1, ENOSPC}, "No space left on device", 0, 0},
        {{Call::kWrite, 3, EFBIG}, "File too large", 2, 0},
        {{Call::kWrite, 4, EIO}, "Input/output error", 3, 4},
        {{Call::kClose, 1, ENOSPC}, "No space left on device", 5, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        system = FailingOutputSystem({c.failure}, 100000);
        window = RecordingWindow();
        window.folder = "/w";
        run.Make_Button_Click();
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

TEST_F(ListingRunTest, AChosenFolderThatCannotBeReadLeavesTheWindowIdleAndTravelsOn) {
    // No handler of the walker traps it: it reaches the caller of the run.
    window.folder = "/gone";
    window.progress = "Directory contenst stored in: an earlier run";
    EXPECT_THROW(run.Make_Button_Click(), RaisedError);
    EXPECT_EQ(window.progress, "");        // neither stored nor stopped: nobody pressed Stop
    EXPECT_TRUE(window.messages.empty());  // not trapped by the walker
    EXPECT_EQ(readFile(fields.SaveFilename), kHeader);
    expectIdle();
}

}  // namespace
}  // namespace tolvane
