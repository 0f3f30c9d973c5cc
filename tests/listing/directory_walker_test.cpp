#include "directory_walker.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "listing_fields.h"
#include "output_file_table.h"
#include "recording_window.h"
#include "scripted_file_system.h"
#include "support/temporary_folder.h"
#include "write_failure.h"

namespace tolvane {
namespace {

using testing::RecordingWindow;
using testing::ScriptedFileSystem;
using testing::TemporaryFolder;

class DirectoryWalkerTest : public ::testing::Test {
  protected:
    DirectoryWalkerTest() { fields.RecurseSubdirectories = true; }

    // Walks `folder` into a fresh file; returns the (directory, name) of each line.
    std::vector<std::string> walk(const std::string& folder) {
        const auto path = temp.path() / "listing.txt";
        files.openForOutput(1, path.string());
        DirectoryWalker walker(fields, fs, files, dateText, window);
        walker.ListDirectory(1, folder);
        files.close(1);
        std::vector<std::string> result;
        std::istringstream lines(testing::readFile(path));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::vector<std::string> parts;
            for (std::string part; std::getline(fields, part, '\t');) {
                parts.push_back(part);
            }
            result.push_back(parts.at(4) + "|" + parts.at(0));
        }
        return result;
    }

    std::vector<std::string> progressShown() const {
        std::vector<std::string> shown;
        for (const std::string& event : window.log) {
            if (event.rfind("progress ", 0) == 0) {
                shown.push_back(event.substr(9));
            }
        }
        return shown;
    }

    TemporaryFolder temp;
    ListingFields fields;
    ScriptedFileSystem fs;
    OutputFileTable files;
    DateTimeText dateText{"%Y-%m-%d", "%H:%M:%S"};
    RecordingWindow window;
};

TEST_F(DirectoryWalkerTest, FilesFirstThenSubfoldersLastFoundFirst) {
    fs.addFile("/w/", "top.txt");
    fs.addFolder("/w/", "A");
    fs.addFolder("/w/", "B");
    fs.addFile("/w/", "second.txt");  // files come first whatever the enumeration order
    fs.addFolder("/w/", "C");
    fs.addFile("/w/A/", "a.txt");
    fs.addFolder("/w/A/", "deep");
    fs.addFile("/w/A/deep/", "d.txt");
    fs.addFile("/w/B/", "b.txt");
    fs.addFile("/w/C/", "c.txt");

    EXPECT_EQ(walk("/w"),
              (std::vector<std::string>{"/w|top.txt", "/w|second.txt", "/w/C|c.txt", "/w/B|b.txt",
                                        "/w/A|a.txt", "/w/A/deep|d.txt"}));
    EXPECT_EQ(progressShown(), (std::vector<std::string>{"/w/C", "/w/B", "/w/A", "/w/A/deep"}));
    // One yield per subfolder found and one before each is entered; none per file.
    EXPECT_EQ(window.yields, 4 + 4);
    const std::vector<std::string> topLevel(window.log.begin(), window.log.begin() + 5);
    EXPECT_EQ(topLevel,
              (std::vector<std::string>{"yield", "yield", "yield", "progress /w/C", "yield"}));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(DirectoryWalkerTest, WithoutRecursionNothingYieldsAndNoSubfolderIsEntered) {
    fields.RecurseSubdirectories = false;
    for (int i = 0; i < 50; ++i) {
        fs.addFile("/w/", "f" + std::to_string(i));
    }
    fs.addFolder("/w/", "sub");
    fs.addFile("/w/sub/", "never.txt");
    EXPECT_EQ(walk("/w").size(), 50u);
    EXPECT_EQ(window.yields, 0);
    EXPECT_EQ(fs.enumerationsStarted, 1);
}

TEST_F(DirectoryWalkerTest, ThePatternNarrowsFilesButEverySubfolderIsEntered) {
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    fs.addFile("/w/", "a.TXT");
    fs.addFile("/w/", "b.doc");
    fs.addFolder("/w/", "docs");
    fs.addFile("/w/docs/", "c.doc");
    fs.addFolder("/w/docs/", "notes");
    fs.addFile("/w/docs/notes/", "d.txt");
    EXPECT_EQ(walk("/w"), (std::vector<std::string>{"/w|a.TXT", "/w/docs/notes|d.txt"}));

    // The switch on with an empty pattern lists every file.
    fields.FileFilter.clear();
    EXPECT_EQ(walk("/w").size(), 4u);
}

TEST_F(DirectoryWalkerTest, TheRootKeepsItsOneSeparator) {
    fs.addFile("/", "vmlinuz");
    fs.addFolder("/", "etc");
    fs.addFile("/etc/", "hosts");
    EXPECT_EQ(walk("/"), (std::vector<std::string>{"/|vmlinuz", "/etc|hosts"}));
    EXPECT_EQ(progressShown(), (std::vector<std::string>{"/etc"}));
}

TEST_F(DirectoryWalkerTest, AStopDuringTheCollectLoopEndsEveryLevel) {
    fs.addFolder("/w/", "A");
    fs.addFolder("/w/", "B");
    fs.addFile("/w/B/", "b.txt");
    fs.addFolder("/w/B/", "x");
    fs.addFolder("/w/B/", "y");
    fs.addFile("/w/B/y/", "never.txt");
    // Yields: A found, B found, B entered, x found (Stop pressed here).
    window.onYield = [this](int count) {
        if (count == 4) {
            fields.StopRequested = true;
        }
    };
    EXPECT_EQ(walk("/w"), (std::vector<std::string>{"/w/B|b.txt"}));
    EXPECT_EQ(window.yields, 4);  // nobody yields again on the way out
    EXPECT_EQ(progressShown(), (std::vector<std::string>{"/w/B"}));
}

TEST_F(DirectoryWalkerTest, LockedSysIsSkippedQuietlyButLockedSysInCapitalsIsReported) {
    fs.addFile("/w/", "a.txt");
    fs.addUnreadable("/w/", "locked.sys");
    fs.addFile("/w/", "z.txt");
    EXPECT_EQ(walk("/w"), (std::vector<std::string>{"/w|a.txt", "/w|z.txt"}));
    EXPECT_TRUE(window.messages.empty());

    ScriptedFileSystem upper;
    upper.addFolder("/v/", "first");
    upper.addFile("/v/first/", "a.txt");
    upper.addUnreadable("/v/first/", "LOCKED.SYS");
    upper.addFile("/v/first/", "z.txt");
    upper.addFolder("/v/first/", "sub");
    upper.addFile("/v/first/sub/", "never.txt");
    upper.addFolder("/v/", "second");
    upper.addFile("/v/second/", "s.txt");
    fs = upper;
    EXPECT_EQ(walk("/v"), (std::vector<std::string>{"/v/second|s.txt", "/v/first|a.txt"}));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].title, "Error in ListDirectory");
    EXPECT_EQ(window.messages[0].text,
              "Error has occured in subroutine: ListDirectory,\r"
              "during reading directory contents: /v/first/LOCKED.SYS\r"
              "Error: Permission denied");
}

TEST_F(DirectoryWalkerTest, AnUnreadableFolderEntryInTheCollectLoopEndsThatFolder) {
    fs.addFolder("/w/", "A");
    fs.addUnreadable("/w/", "B", true);
    fs.addFolder("/w/", "C");
    EXPECT_TRUE(walk("/w").empty());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("during reading directory contents: /w/B\r"),
              std::string::npos);
    EXPECT_TRUE(progressShown().empty());  // A was collected, but nothing is visited
}

TEST_F(DirectoryWalkerTest, ASubfolderThatCannotBeEnumeratedIsReportedByItsParent) {
    fs.addFolder("/w/", "outer");
    fs.addFolder("/w/", "zlast");
    fs.addFile("/w/zlast/", "z.txt");
    fs.addFolder("/w/outer/", "A");
    fs.addFolder("/w/outer/", "B");
    fs.addFolder("/w/outer/", "C");
    fs.addFile("/w/outer/A/", "skipped.txt");
    fs.addFile("/w/outer/C/", "c.txt");
    fs.failEnumeration("/w/outer/B/");
    // outer's C is listed, B fails, A is left out; the walk goes on with the grandparent.
    EXPECT_EQ(walk("/w"), (std::vector<std::string>{"/w/zlast|z.txt", "/w/outer/C|c.txt"}));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text,
              "Error has occured in subroutine: ListDirectory,\r"
              "during recursing to subdirectory: /w/outer/B\r"
              "Error: Path not found");
}

TEST_F(DirectoryWalkerTest, TheChosenFolderThatCannotBeEnumeratedIsNotTrapped) {
    fs.failEnumeration("/w/");
    files.openForOutput(1, (temp.path() / "x").string());
    DirectoryWalker walker(fields, fs, files, dateText, window);
    EXPECT_THROW(walker.ListDirectory(1, "/w"), RaisedError);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(DirectoryWalkerTest, AtMost32767SubfoldersInOneFolder) {
    for (int i = 0; i < 32767; ++i) {
        fs.addFolder("/w/", "d" + std::to_string(i));
    }
    fs.addFile("/w/d0/", "first-found.txt");
    const auto full = walk("/w");
    EXPECT_EQ(full, (std::vector<std::string>{"/w/d0|first-found.txt"}));
    EXPECT_TRUE(window.messages.empty());

    fs.addFolder("/w/", "one-too-many");
    window.messages.clear();
    window.log.clear();
    EXPECT_TRUE(walk("/w").empty());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].text,
              "Error has occured in subroutine: ListDirectory,\r"
              "during reading directory contents: /w/one-too-many\r"
              "Error: Overflow");
    EXPECT_TRUE(progressShown().empty());
}

#ifndef _WIN32
TEST_F(DirectoryWalkerTest, AFailureToStoreLinesIsNotTakenForAReadingFailure) {
    const std::string longName(70000, 'n');  // overflows the output buffer at once
    fs.addFile("/w/", longName);
    fs.addFile("/w/", "second");
    files.openForOutput(1, "/dev/full");
    DirectoryWalker walker(fields, fs, files, dateText, window);
    EXPECT_THROW(walker.ListDirectory(1, "/w"), WriteFailure);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_THROW(files.close(1), WriteFailure);
}
#endif

}  // namespace
}  // namespace tolvane
