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

    std::string listing() {
        ListingRun run(fields, window, fileSystem, files, dateText);
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
    setModified(report, DateTime{2004, 6, 14, 9, 5, 27});
    setModified(notes, DateTime{2004, 1, 1, 0, 0, 0});
    setModified(x, DateTime{2004, 3, 5, 17, 2, 40});
    ::chmod(x.c_str(), 0444);
    window.folder = work.string();
    fields.AddComment = true;
    fields.FileComment = "Backup 1";

    const std::string w = work.string();
    EXPECT_EQ(listing(),
              "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\r\n"
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

TEST_F(RealTreeTest, ATreeThreeThousandFoldersDeepIsListedToItsBottom) {
    int fd = ::open(tree.str().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 3000; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(::openat(fd, "bottom.txt", O_CREAT | O_WRONLY, 0644));
    ::close(fd);
    const auto result = lines();
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].size(), 3000 * 2 + std::string("|bottom.txt").size());
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace tolvane
#endif
