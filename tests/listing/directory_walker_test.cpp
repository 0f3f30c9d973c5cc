#include "directory_walker.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "date_time_text.h"
#include "listing_fakes.h"
#include "listing_fields.h"
#include "output_file_table.h"
#include "support/temporary_folder.h"

namespace tolvane {
namespace {

using testing::RecordingWindow;
using testing::ScriptedFileSystem;
using testing::TemporaryFolder;
using Lines = std::vector<std::string>;

const std::string kFailed = "Error has occured in subroutine: ListDirectory,\r";

class DirectoryWalkerTest : public ::testing::Test {
  protected:
    DirectoryWalkerTest() { fields.RecurseSubdirectories = true; }

    // Walks `folder` into a fresh file; returns each line's "directory|name".
    Lines walk(const std::string& folder) {
        const auto path = temp.path() / "listing.txt";
        files.openForOutput(1, path.string());
        DirectoryWalker walker(fields, fs, files, dateText, window);
        walker.ListDirectory(1, folder);
        files.close(1);
        return testing::directoryAndNames(testing::readFile(path));
    }

    std::string onlyMessage() const {
        EXPECT_EQ(window.messages.size(), 1u);
        return window.messages.empty() ? std::string() : window.messages[0].text;
    }

    TemporaryFolder temp;
    ListingFields fields;
    ScriptedFileSystem fs;
    OutputFileTable files;
    DateTimeText dateText{"%Y-%m-%d", "%H:%M:%S"};
    RecordingWindow window;
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

}  // namespace
}  // namespace tolvane
