// The engine over real folders: the listing's exact bytes, its order, patterns, hidden
// entries, links and trees that are deep or oddly named.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "recording_window.h"
#include "support/listing_lines.h"
#include "support/temporary_folder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix_file_system.h"

namespace tolvane {
namespace {

using testing::readFile;
using testing::RecordingWindow;
using testing::setModified;
using testing::TemporaryFolder;

class RealTreeTest : public ::testing::Test {
  protected:
    RealTreeTest() {
        fields.RecurseSubdirectories = true;
        fields.SaveFilename = (output.path() / "Tolvane.Txt").string();
        window.folder = tree.str();
    }

    std::string listing() { return listingThrough(fileSystem); }

    std::string listingThrough(FileSystem& walkedBy) {
        ListingRun run(fields, window, walkedBy, files, dateText);
        run.Make_Button_Click();
        EXPECT_FALSE(fields.Running);
        return readFile(fields.SaveFilename);
    }

    // Each line's "directory|name", the directory relative to the tree.
    std::vector<std::string> lines() {
        return testing::directoryAndNames(listing(), tree.str().size());
    }

    TemporaryFolder tree;
    TemporaryFolder output;
    ListingFields fields;
    PosixFileSystem fileSystem;
    OutputFileTable files;
    DateTimeText dateText{"%d-%m-%Y", "%H:%M:%S"};
    RecordingWindow window;
};

TEST_F(RealTreeTest, TheWorkedExampleByteForByte) {
    const auto work = tree.folder("Work");
    const auto report = tree.file("Work/Report.doc", 12345);
    const auto notes = tree.file("Work/notes", 0);
    const auto x = tree.file("Work/Old/x.TXT", 512);
    const auto profile = tree.file("Work/.profile", 7);
    setModified(report, DateTime{2004, 6, 14, 9, 5, 27});
    setModified(profile, DateTime{2004, 2, 2, 10, 0, 0});
    setModified(notes, DateTime{2004, 1, 1, 0, 0, 0});
    setModified(x, DateTime{2004, 3, 5, 17, 2, 40});
    ::chmod(x.c_str(), 0444);
    window.folder = work.string();
    fields.AddComment = true;
    fields.FileComment = "Backup 1";

    const std::string w = work.string();
    EXPECT_EQ(listing(),
              "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\r\n"
              ".profile\tPROFILE\t7\t02-02-2004 10:00:00\t" +
                  w +
                  "\tH\tBackup 1\r\n"
                  "notes\tNOTES\t0\t01-01-2004\t" +
                  w +
                  "\t\tBackup 1\r\n"
                  "Report.doc\tDOC\t12345\t14-06-2004 09:05:27\t" +
                  w +
                  "\t\tBackup 1\r\n"
                  "x.TXT\tTXT\t512\t05-03-2004 17:02:40\t" +
                  w + "/Old\tR\tBackup 1\r\n");
    EXPECT_EQ(window.beeps, 1);
}

TEST_F(RealTreeTest, FoldersListInNameOrderAndAreVisitedInReverse) {
    tree.file("b.txt");
    tree.file("A.txt");
    tree.file("_under.txt");
    tree.file("alpha/1.txt");
    tree.file("alpha/inner/2.txt");
    tree.file("Beta/3.txt");
    tree.file("zeta/4.txt");
    tree.folder("empty");
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"|A.txt", "|b.txt", "|_under.txt", "/zeta|4.txt",
                                        "/Beta|3.txt", "/alpha|1.txt", "/alpha/inner|2.txt"}));
}

TEST_F(RealTreeTest, HiddenEntriesAreListedAndEnteredAndPatternsApplyToFilesOnly) {
    tree.file(".secret.txt");
    tree.file("plain.doc");
    tree.file(".config/settings.TXT");
    tree.file(".config/other.doc");
    tree.file("docs/readme.txt");
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(lines(), (std::vector<std::string>{"|.secret.txt", "/docs|readme.txt",
                                                 "/.config|settings.TXT"}));
}

TEST_F(RealTreeTest, LinkLoopsAreNeverEnteredAndOddNamesStayOnOneLine) {
    tree.file("sub/file.txt");
    std::filesystem::create_symlink(tree.path(), tree.path() / "sub" / "up");
    std::filesystem::create_symlink(tree.path() / "sub", tree.path() / "again");
    tree.file(std::string("bad\xFF") + ".dat", 1);
    tree.file("line\nbreak", 1);
    const auto result = lines();
    EXPECT_EQ(result, (std::vector<std::string>{"|bad\xFF.dat", "|line?break", "/sub|file.txt"}));
}

// Each level holds a long-named folder that goes on down, and "a" with one file: the walk
// goes down first and comes back up to every a, so a file system that keeps only a few
// folders open must reach them again, and must still list exactly what one that keeps all
// of them does. The bottom's path is longer than the system takes in one piece.
TEST_F(RealTreeTest, DeepTreesAreListedToTheirBottomWhateverNumberOfFoldersStaysOpen) {
    const int depth = 300;
    const std::string down = "z_goes_on_down_";
    int fd = ::open(tree.str().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(::mkdirat(fd, "a", 0755), 0);
        ::close(::openat(fd, "a/x.txt", O_CREAT | O_WRONLY, 0644));
        ASSERT_EQ(::mkdirat(fd, down.c_str(), 0755), 0);
        const int next = ::openat(fd, down.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    const std::string everyFolderOpen = listing();
    PosixFileSystem fewOpen(5);
    EXPECT_EQ(listingThrough(fewOpen), everyFolderOpen);
    const auto result = testing::directoryAndNames(everyFolderOpen, tree.str().size());
    ASSERT_EQ(result.size(), static_cast<std::size_t>(depth));
    EXPECT_EQ(result.front().size(),
              (depth - 1) * (down.size() + 1) + std::string("/a|x.txt").size());
    EXPECT_EQ(result.back(), "/a|x.txt");
    EXPECT_TRUE(window.messages.empty());
}

// A folder swapped for a link to a folder outside the tree between being found and being
// entered is never entered, however the swap falls.
TEST_F(RealTreeTest, AFolderSwappedForALinkDuringTheWalkIsNeverEntered) {
    TemporaryFolder outside;
    outside.file("secret.txt");
    tree.file("a/inner/x.txt");
    tree.file("b/y.txt");
    window.onYield = [&](int) {
        // The walk yields before it enters each subfolder; swap whichever it is about to
        // enter, and one it has not reached yet.
        for (const char* name : {"a", "b"}) {
            const auto path = tree.path() / name;
            if (!std::filesystem::is_symlink(path) && window.progress == path.string()) {
                std::filesystem::rename(path, tree.path() / (std::string(name) + ".old"));
                std::filesystem::create_directory_symlink(outside.path(), path);
            }
        }
    };
    const auto result = lines();
    for (const std::string& line : result) {
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;
    }
    // b, entered first, could not be entered, which ends the walk of its parent.
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].text.find("subdirectory: " + (tree.path() / "b").string()),
              std::string::npos);
}

}  // namespace
}  // namespace tolvane
#endif
