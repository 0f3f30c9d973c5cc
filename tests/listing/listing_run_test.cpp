// The engine over real folders, with failures injected into the system calls: the
// listing's exact bytes, the walk's order, patterns, yields, failures and limits, Stop,
// reading ahead against the sequential walk, and what is left when a walk ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "listing_fakes.h"
#include "listing_line.h"
#include "native_folder_reading.h"
#include "support/injected_calls.h"
#include "support/test_support.h"

namespace tolvane {
namespace {

using testing::InjectedCalls;
using testing::RecordingWindow;
using testing::setModified;
using testing::TemporaryFolder;
using Lines = std::vector<std::string>;

const std::string kFailed = "Error has occured in subroutine: ListDirectory,\r";

// Threads of this process.
std::size_t threadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

class ListingRunTest : public testing::TreeListingTest {
  protected:
    ListingRunTest() { walkOptions.readAheadThreads = 2; }

    // Lists the tree (or `folder` below it) in a run; each line's "directory|name", the
    // directory relative to the tree.
    Lines lines(const std::string& folder = "") {
        window.folder = tree.str() + folder;
        return testing::directoryAndNames(listing(), tree.str().size());
    }

    std::string stored() const { return "Directory contenst stored in: " + fields.SaveFilename; }
};

TEST_F(ListingRunTest, TheWorkedExampleByteForByte) {
    const auto work = tree.folder("Work");
    const auto report = tree.file("Work/Report.doc", 12345);
    const auto notes = tree.file("Work/notes", 0);
    const auto x = tree.file("Work/Old/x.TXT", 512);
    const auto profile = tree.file("Work/.profile", 7);
    const auto big = tree.file("Work/big.bin");
    std::filesystem::resize_file(big, 5'000'000'123);  // sparse: takes no room on disk
    setModified(report, DateTime{2004, 6, 14, 9, 5, 27});
    setModified(profile, DateTime{2004, 2, 2, 10, 0, 0});
    setModified(notes, DateTime{2004, 1, 1, 0, 0, 0});
    setModified(x, DateTime{2004, 3, 5, 17, 2, 40});
    setModified(big, DateTime{2004, 3, 5, 0, 0, 1});
    ::chmod(x.c_str(), 0444);
    window.folder = work.string();
    fields.AddComment = true;
    fields.FileComment = "Backup 1";

    // "@" stands for the folder.
    std::string expected =
        "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment\r\n"
        ".profile\tPROFILE\t7\t02-02-2004 10:00:00\t@\tH\tBackup 1\r\n"
        "big.bin\tBIN\t5000000123\t05-03-2004 00:00:01\t@\t\tBackup 1\r\n"
        "notes\tNOTES\t0\t01-01-2004\t@\t\tBackup 1\r\n"
        "Report.doc\tDOC\t12345\t14-06-2004 09:05:27\t@\t\tBackup 1\r\n"
        "x.TXT\tTXT\t512\t05-03-2004 17:02:40\t@/Old\tR\tBackup 1\r\n";
    for (std::size_t at; (at = expected.find('@')) != std::string::npos;) {
        expected.replace(at, 1, work.string());
    }
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "beep"), 1);
}

// Files in name order, then the subfolders, the last found entered first, with a yield for
// each found and before each is entered; hidden entries listed and entered; a pattern
// narrowing files only; link loops never entered; odd names on one line each.
TEST_F(ListingRunTest, OrderYieldsHiddenEntriesPatternsLinkLoopsAndOddNames) {
    for (const char* name :
         {"b.txt", "A.txt", "_under.txt", "alpha/1.txt", "alpha/inner/2.txt", "Beta/3.txt",
          "zeta/4.doc", ".secret.txt", ".config/settings.TXT", "bad\xFF.dat", "line\nbreak"}) {
        tree.file(name, 1);
    }
    tree.folder("empty");
    std::filesystem::create_symlink(tree.path(), tree.path() / "alpha" / "up");
    std::filesystem::create_symlink(tree.path() / "alpha", tree.path() / "again");
    EXPECT_EQ(lines(), (Lines{"|.secret.txt", "|A.txt", "|b.txt", "|bad\xFF.dat", "|line?break",
                              "|_under.txt", "/zeta|4.doc", "/Beta|3.txt", "/alpha|1.txt",
                              "/alpha/inner|2.txt", "/.config|settings.TXT"}));
    const std::string t = tree.str();
    EXPECT_EQ(window.progressShown, (Lines{t + "/zeta", t + "/empty", t + "/Beta", t + "/alpha",
                                           t + "/alpha/inner", t + "/.config", stored()}));
    // One yield per subfolder found and one before each is entered; none per file.
    EXPECT_EQ(window.yields, 6 + 6);
    EXPECT_EQ(
        Lines(window.log.begin(), window.log.begin() + 7),
        (Lines{"yield", "yield", "yield", "yield", "yield", "progress " + t + "/zeta", "yield"}));
    EXPECT_TRUE(window.messages.empty());

    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(lines(), (Lines{"|.secret.txt", "|A.txt", "|b.txt", "|_under.txt", "/Beta|3.txt",
                              "/alpha|1.txt", "/alpha/inner|2.txt", "/.config|settings.TXT"}));
    // An empty pattern or one of blanks (an empty one comes back from the store as " "), or
    // one kept while the switch is off (even one that would be refused), narrows nothing.
    for (const auto& [on, pattern] : {std::pair(true, ""), std::pair(true, "  "),
                                      std::pair(false, "*.txt"), std::pair(false, "../*")}) {
        fields.UseFileFilter = on;
        fields.FileFilter = pattern;
        EXPECT_EQ(lines().size(), 11u) << on << " " << pattern;
    }
    // A path given with its separator keeps that one: no second one is added.
    window = RecordingWindow();
    EXPECT_EQ(lines("/alpha/").front(), "/alpha/|1.txt");
    EXPECT_EQ(window.progressShown, (Lines{t + "/alpha/inner", stored()}));
    // Without recursion nothing yields and no subfolder is entered.
    fields.RecurseSubdirectories = false;
    window.yields = 0;
    EXPECT_EQ(lines().size(), 6u);
    EXPECT_EQ(window.yields, 0);
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
    EXPECT_EQ(lines(), (Lines{"|a.txt", "/H|f1", "/E|f1", "/B|f1", "/A/sub|f1"}));
    EXPECT_EQ(messages(), failures);

    window = RecordingWindow();
    fields.UseFileFilter = true;
    fields.FileFilter = "*.txt";
    EXPECT_EQ(lines(), (Lines{"|a.txt"}));
    const Lines reported = messages();
    EXPECT_EQ(std::set<std::string>(reported.begin(), reported.end()),
              std::set<std::string>(failures.begin(), failures.end()));
}

// The 32,768th subfolder of one folder is reported and none of that folder's subfolders is
// entered; the rest of the walk goes on.
TEST_F(ListingRunTest, AtMost32767SubfoldersInOneFolder) {
    tree.file("w/a/first-found.txt");
    tree.file("v/beside.txt");
    for (int i = 0; i < 32766; ++i) {  // with "a", 32,767: "same", "same00001" to "same32765"
        tree.folder("w/same" + (i == 0 ? std::string() : std::to_string(100000 + i).substr(1)));
    }
    EXPECT_EQ(lines(), (Lines{"/w/a|first-found.txt", "/v|beside.txt"}));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.progressShown.size(), 2u + 32767u + 1u);

    tree.folder("w/same32766");
    window = RecordingWindow();
    EXPECT_EQ(lines(), (Lines{"/v|beside.txt"}));
    EXPECT_EQ(messages(), (Lines{kFailed + "during reading directory contents: /w/same32766\r" +
                                 "Error: Overflow"}));
    EXPECT_EQ(window.progressShown, (Lines{tree.str() + "/w", tree.str() + "/v", stored()}));
}

// A process out of descriptors is no failure of a folder: the readings wait for one to be
// freed, the walk keeps fewer folders open, and the listing is whole.
TEST_F(ListingRunTest, RunningOutOfDescriptorsLosesNothing) {
    for (int i = 0; i < 300; ++i) {
        tree.file("g" + std::to_string(i % 7) + "/h" + std::to_string(i % 13) + "/f" +
                  std::to_string(i) + "/x.txt");
    }
    const Lines whole = lines();
    for (const std::size_t threads : {0, 4}) {
        InjectedCalls calls;
        calls.descriptorLimit = 3;
        walkOptions.readAheadThreads = threads;
        window = RecordingWindow();
        EXPECT_EQ(lines(), whole) << threads;
        EXPECT_TRUE(window.messages.empty()) << messages().at(0);
        EXPECT_GT(calls.refused, 0u);
        EXPECT_EQ(calls.open, 0u);  // nothing left open
    }
}

// A folder that the opening which crosses no mount refuses is opened as it was before that
// opening existed, and listed: one bound from the same volume (EXDEV), or any, where the
// kernel or a sandbox has no openat2.
TEST_F(ListingRunTest, FoldersAreListedWhereOpeningsThatCrossNoMountAreRefused) {
    tree.file("a/b/x.txt");
    tree.file("c/y.txt");
    const Lines whole = lines();
    ASSERT_EQ(whole.size(), 2u);
    for (const int refusal : {EXDEV, ENOSYS, EPERM}) {
        InjectedCalls calls;
        calls.onVolumeFails = refusal;
        window = RecordingWindow();
        EXPECT_EQ(lines(), whole) << refusal;
        EXPECT_TRUE(window.messages.empty()) << refusal;
    }
}

// On a share every query waits: the walk hands its caller the time it waits, so a Stop
// press is taken while a large folder is still being read, and nothing reads on after.
TEST_F(ListingRunTest, AStopIsTakenWhileTheWalkWaitsForASlowFolder) {
    for (int f = 0; f < 2000; ++f) {
        tree.file("slow/f" + std::to_string(f));
    }
    window.onWaiting = [this] { fields.StopRequested = true; };  // or the whole folder is listed
    for (const std::size_t threads : {0, 4}) {
        InjectedCalls calls;
        calls.queryDelayUs = 2000;
        walkOptions.readAheadThreads = threads;
        fields.StopRequested = false;
        EXPECT_TRUE(lines().empty()) << threads;
        EXPECT_LT(calls.queries, 1000u) << threads;
        EXPECT_EQ(calls.open, 0u) << threads;  // the folder read on the walk's own thread too
    }
}

// A tree of odd names and failures, wide and deep enough to fill any window: a walk that
// reads ahead, whatever its threads, window and open folders, writes the same bytes and
// shows the same messages as one that reads each folder when it gets there. Each level of
// "deep" holds a long-named folder that goes on down, and "a" with one file: the walk goes
// down first and comes back up to every a, so a walk that keeps only a few folders open
// must reach them again. The bottom's path is longer than the system takes in one piece.
TEST_F(ListingRunTest, ReadingAheadListsExactlyWhatTheSequentialWalkLists) {
    const int depth = 300;
    const std::string down = "z_goes_on_down_";
    int fd = ::open(tree.folder("deep").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(::mkdirat(fd, "a", 0755), 0);
        ::close(::openat(fd, "a/x.txt", O_CREAT | O_WRONLY, 0644));
        ASSERT_EQ(::mkdirat(fd, down.c_str(), 0755), 0);
        const int next = ::openat(fd, down.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(fd);
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
    for (int f = 0; f < 1500; ++f) {
        // A folder large enough to be queried in slices by every thread there is, warm too.
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
    const std::string expected = listingThrough(WalkOptions{0, 0});
    const Lines expectedMessages = messages(false);
    const auto result = testing::directoryAndNames(expected, tree.str().size());
    EXPECT_GT(result.size(), 200u);
    EXPECT_EQ(std::count(result.begin(), result.end(), "/odd|pipe"), 1);
    EXPECT_EQ(std::count(result.begin(), result.end(), "/quiet|after.txt"), 1);
    EXPECT_EQ(expected.find("never"), std::string::npos);
    // Every level of "deep" to its bottom, which comes first.
    const auto bottom = std::find_if(result.begin(), result.end(), [](const std::string& line) {
        return line.ends_with("/a|x.txt");
    });
    EXPECT_EQ(std::count_if(bottom, result.end(),
                            [](const std::string& line) { return line.ends_with("/a|x.txt"); }),
              depth);
    EXPECT_EQ(bottom->size(), std::string("/deep").size() + (depth - 1) * (down.size() + 1) +
                                  std::string("/a|x.txt").size());
    ASSERT_EQ(expectedMessages.size(), 3u + 15u);

    const WalkOptions variants[] = {
        {4, 256},
        {3, 2},               // at most two folders ahead
        {2, 64, 1},           // at most one folder's bytes ahead
        {4, 64, 1 << 20, 4},  // few folders open: most are reached again
    };
    for (const auto& options : variants) {
        window.messages.clear();
        EXPECT_EQ(listingThrough(options), expected) << options.windowFolders;
        EXPECT_EQ(messages(false), expectedMessages) << options.windowFolders;
    }
}

// Stop, and a failure that ends the run, end the threads that read ahead before the run
// returns, and close every folder they opened.
TEST_F(ListingRunTest, NoThreadOrDescriptorReadingAheadOutlivesTheWalk) {
    for (int i = 0; i < 400; ++i) {
        tree.file("g" + std::to_string(i % 20) + "/f" + std::to_string(i) + "/x.txt");
    }
    testing::InjectedCalls calls;  // counts the descriptors
    const std::size_t before = threadCount();
    const WalkOptions ahead{3, 8};
    std::size_t during = 0;
    window.onYield = [&](int count) {
        if (count == 30) {
            during = threadCount();
            fields.StopRequested = true;
        }
    };
    // Yield 30 is a subfolder of the first folder entered being found: the Stop ends every
    // level at once, and nobody yields again on the way out.
    EXPECT_EQ(listingThrough(ahead), std::string(kListingHeader) + "\r\n");
    EXPECT_EQ(window.yields, 30);
    EXPECT_EQ(window.progressShown.size(), 2u);
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

// A local disk is told by its file system's type: however slow its queries (here as slow as
// a share's round trips, which would let 64 threads in), no more than 8 threads read it.
TEST_F(ListingRunTest, NoMoreThanEightThreadsReadALocalDisk) {
    FolderReading reading(true);
    FolderHandle handle;
    ASSERT_EQ(reading.openRoot(tree.str(), handle), 0);
    const bool local = reading.onLocalDisk();
    reading.close(handle);
    if (!local) {
        GTEST_SKIP() << "the temporary folder is not on a local disk's file system";
    }
    for (int i = 0; i < 300; ++i) {
        tree.file("d" + std::to_string(i % 60) + "/f" + std::to_string(i));
    }
    InjectedCalls calls;
    calls.queryDelayUs = 400;
    walkOptions.readAheadThreads = 64;
    const std::size_t before = threadCount();
    std::size_t most = 0;
    window.onYield = [&](int) { most = std::max(most, threadCount()); };
    EXPECT_EQ(lines().size(), 300u);
    EXPECT_GT(most, before + 2);  // readings waited: more threads than the cores read
    EXPECT_LE(most, before + 8);
}

// A folder swapped for a link to a folder outside the tree between being found and being
// entered is never entered, however the swap falls. A walk that reads ahead may have read
// it before the swap, and then lists it as it was.
TEST_F(ListingRunTest, AFolderSwappedForALinkDuringTheWalkIsNeverEntered) {
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
        EXPECT_EQ(listingThrough(WalkOptions{threads, 256}).find("secret"), std::string::npos);
        if (threads == 0) {
            // Each is reported as it could not be entered, and the walk goes on.
            const Lines shown = messages();
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_EQ(shown[0].rfind(kFailed + "during recursing to subdirectory: /b\r", 0), 0u);
            EXPECT_EQ(shown[1].rfind(kFailed + "during recursing to subdirectory: /a\r", 0), 0u);
        }
    }
}

}  // namespace
}  // namespace tolvane
