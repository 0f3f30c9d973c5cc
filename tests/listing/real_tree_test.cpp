// The engine over real folders: the listing's exact bytes, its order, patterns, hidden
// entries, links and trees that are deep or oddly named.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "listing_fakes.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "support/test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/injected_calls.h"

namespace tolvane {
namespace {

using testing::setModified;
using testing::TemporaryFolder;

// Threads of this process.
std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

WalkOptions readAhead(std::size_t threads, std::size_t windowFolders,
                      std::size_t windowBytes = std::size_t{8} << 20,
                      std::size_t maxOpenFolders = 0) {
    WalkOptions options;
    options.readAheadThreads = threads;
    options.windowFolders = windowFolders;
    options.windowBytes = windowBytes;
    options.maxOpenFolders = maxOpenFolders;
    return options;
}

class RealTreeTest : public testing::TreeListingTest {
  protected:
    // Each line's "directory|name", the directory relative to the tree.
    std::vector<std::string> lines() {
        return testing::directoryAndNames(listing(), tree.str().size());
    }
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

// Files in name order, folders visited in reverse; hidden entries listed and entered, a
// pattern narrowing files only; link loops never entered; odd names on one line each.
TEST_F(RealTreeTest, OrderHiddenEntriesPatternsLinkLoopsAndOddNames) {
    for (const char* name :
         {"b.txt", "A.txt", "_under.txt", "alpha/1.txt", "alpha/inner/2.txt", "Beta/3.txt",
          "zeta/4.doc", ".secret.txt", ".config/settings.TXT", "bad\xFF.dat", "line\nbreak"}) {
        tree.file(name, 1);
    }
    tree.folder("empty");
    std::filesystem::create_symlink(tree.path(), tree.path() / "alpha" / "up");
    std::filesystem::create_symlink(tree.path() / "alpha", tree.path() / "again");
    EXPECT_EQ(lines(), (std::vector<std::string>{"|.secret.txt", "|A.txt", "|b.txt", "|bad\xFF.dat",
                                                 "|line?break", "|_under.txt", "/zeta|4.doc",
                                                 "/Beta|3.txt", "/alpha|1.txt",
                                                 "/alpha/inner|2.txt", "/.config|settings.TXT"}));
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(lines(), (std::vector<std::string>{"|.secret.txt", "|A.txt", "|b.txt", "|_under.txt",
                                                 "/Beta|3.txt", "/alpha|1.txt",
                                                 "/alpha/inner|2.txt", "/.config|settings.TXT"}));
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
    EXPECT_EQ(listingThrough(readAhead(2, 256, 1 << 20, 5)), everyFolderOpen);
    const auto result = testing::directoryAndNames(everyFolderOpen, tree.str().size());
    ASSERT_EQ(result.size(), static_cast<std::size_t>(depth));
    EXPECT_EQ(result.front().size(),
              (depth - 1) * (down.size() + 1) + std::string("/a|x.txt").size());
    EXPECT_EQ(result.back(), "/a|x.txt");
    EXPECT_TRUE(window.messages.empty());
}

// A tree of odd names and failures, wide and deep enough to fill any window: a walk that
// reads ahead, whatever its threads, window and open folders, writes the same bytes and
// shows the same messages as one that reads each folder when it gets there.
TEST_F(RealTreeTest, ReadingAheadListsExactlyWhatTheSequentialWalkLists) {
    const char* const odd[] = {"b.txt",     "A.TXT",         "_x",          ".hidden",
                               "tab\there", "new\nline",     "bad\xFF.dat", "na\xC3\xAFve.txt",
                               "no dot",    "archive.tar.gz"};
    std::string folder;
    for (int i = 0; i < 150; ++i) {
        // Depths 1 to 6, each folder below one made earlier, a few files in each.
        folder = (i % 6 == 0 ? std::string() : folder + "/") + "d" + std::to_string(i % 7) +
                 (i % 3 == 0 ? "Sub" : "sub") + std::to_string(i);
        for (int f = 0; f < i % 5; ++f) {
            tree.file(folder + "/" + odd[(i + f) % 10], static_cast<std::size_t>(f));
        }
        tree.folder(folder + "/empty");
    }
    for (const char* path : {"quiet/locked.sys", "quiet/after.txt",  // skipped in silence
                             "opens/z/z.txt", "opens/no-entry/never.txt", "opens/a/a.txt",
                             "files/a.txt", "files/bad.txt", "files/c.txt", "files/sub/s.txt",
                             "folders/bad.txt/never.txt", "folders/x/x.txt", "odd/target.txt"}) {
        tree.file(path);
    }
    for (int f = 0; f < 700; ++f) {
        // A folder large enough to be queried in slices by every thread there is.
        tree.file("large/f" + std::to_string(f) + (f % 100 == 7 ? "/bad.txt" : ".txt"));
    }
    ASSERT_EQ(::mkfifo((tree.path() / "odd/pipe").c_str(), 0644), 0);
    std::filesystem::create_symlink(tree.path(), tree.path() / "odd" / "up");
    std::filesystem::create_symlink(tree.path() / "nowhere", tree.path() / "odd" / "dangling");

    // A folder named "no-entry" cannot be opened, entries named "bad.txt" or "locked.sys"
    // cannot be queried.
    testing::InjectedCalls calls;
    calls.openFails = {{"no-entry", EACCES}};
    calls.statFails = {{"bad.txt", EIO}, {"locked.sys", EIO}};
    const std::string expected = listingThrough(readAhead(0, 0));
    const auto expectedMessages = window.messages;
    const auto result = testing::directoryAndNames(expected, tree.str().size());
    EXPECT_GT(result.size(), 200u);
    EXPECT_EQ(std::count(result.begin(), result.end(), "/odd|pipe"), 1);
    EXPECT_EQ(std::count(result.begin(), result.end(), "/quiet|after.txt"), 1);
    EXPECT_EQ(expected.find("never"), std::string::npos);
    ASSERT_EQ(expectedMessages.size(), 3u + 7u);

    const WalkOptions variants[] = {
        readAhead(4, 256), readAhead(3, 2),  // at most two folders ahead
        readAhead(2, 64, 1),                 // at most one folder's bytes ahead
        readAhead(4, 64, 1 << 20, 4),        // few folders open: most are reached again
    };
    for (const auto& options : variants) {
        window.messages.clear();
        EXPECT_EQ(listingThrough(options), expected) << options.windowFolders;
        ASSERT_EQ(window.messages.size(), expectedMessages.size());
        for (std::size_t i = 0; i < expectedMessages.size(); ++i) {
            EXPECT_EQ(window.messages[i].text, expectedMessages[i].text);
        }
    }
}

// Stop, and a failure that ends the run, end the threads that read ahead before the run
// returns, and close every folder they opened.
TEST_F(RealTreeTest, NoThreadOrDescriptorReadingAheadOutlivesTheWalk) {
    for (int i = 0; i < 400; ++i) {
        tree.file("g" + std::to_string(i % 20) + "/f" + std::to_string(i) + "/x.txt");
    }
    testing::InjectedCalls calls;  // counts the descriptors
    const std::size_t before = threadCount();
    const WalkOptions ahead = readAhead(3, 8);
    std::size_t during = 0;
    window.onYield = [&](int count) {
        if (count == 30) {
            during = threadCount();
            fields.StopRequested = true;
        }
    };
    listingThrough(ahead);
    EXPECT_EQ(window.progress, "Aborted");
    EXPECT_EQ(calls.open, 0u);
    EXPECT_TRUE(during > before && during <= before + 3) << during;  // started as let in
    EXPECT_EQ(threadCount(), before);

    // A listing that cannot be stored ends the walk by an exception.
    window.onYield = [&](int) { during = std::max(during, threadCount()); };
    during = 0;
    fields.AddComment = true;
    fields.FileComment = std::string(400, 'c');  // fills the output's buffer mid-walk
    testing::FailingOutputSystem fullDisk(
        {{testing::FailingOutputSystem::Call::kWrite, 1, ENOSPC}});
    OutputFileTable failingFiles{fullDisk};
    ListingRun(fields, window, ahead, failingFiles, dateText).start();
    EXPECT_EQ(window.messages.at(0).title, "Error in Make_Button_Click");
    EXPECT_TRUE(during > before && during <= before + 3) << during;  // started as let in
    EXPECT_EQ(threadCount(), before);
}

// A folder swapped for a link to a folder outside the tree between being found and being
// entered is never entered, however the swap falls. A walk that reads ahead may have read
// it before the swap, and then lists it as it was.
TEST_F(RealTreeTest, AFolderSwappedForALinkDuringTheWalkIsNeverEntered) {
    TemporaryFolder outside;
    outside.file("secret.txt");
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
    for (const std::size_t threads : {0, 4}) {
        for (const char* name : {"a", "b", "a.old", "b.old"}) {
            std::filesystem::remove_all(tree.path() / name);
        }
        tree.file("a/inner/x.txt");
        tree.file("b/y.txt");
        window.messages.clear();
        const auto result = testing::directoryAndNames(listingThrough(readAhead(threads, 256)));
        for (const std::string& line : result) {
            EXPECT_EQ(line.find("secret"), std::string::npos) << line;
        }
        if (threads == 0) {
            // Each is reported as it could not be entered, and the walk goes on.
            ASSERT_EQ(window.messages.size(), 2u);
            EXPECT_NE(window.messages[0].text.find("subdirectory: " + (tree.path() / "b").string()),
                      std::string::npos);
            EXPECT_NE(window.messages[1].text.find("subdirectory: " + (tree.path() / "a").string()),
                      std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tolvane
#endif
