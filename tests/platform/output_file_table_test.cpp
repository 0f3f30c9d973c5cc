#include "output_file_table.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>

#include "support/failing_output_system.h"
#include "support/temporary_folder.h"
#include "write_failure.h"

namespace tolvane {
namespace {

using testing::FailingOutputSystem;
using testing::readFile;
using testing::TemporaryFolder;
using Call = FailingOutputSystem::Call;

// Line `n` has 99 characters, 101 bytes with its CR LF, and differs from every other line.
std::string numberedLine(int n) {
    return std::to_string(100000 + n) + std::string(93, '.');
}

std::string firstNumberedLines(int count) {
    std::string lines;
    for (int n = 0; n < count; ++n) {
        lines += numberedLine(n) + "\r\n";
    }
    return lines;
}

TEST(OutputFileTable, WritesLinesWithCrLfOverAnOldFileAndLongLinesWhole) {
    TemporaryFolder temp;
    const auto path = temp.file("out.txt", 500000);  // longer than what replaces it
    OutputFileTable files;
    files.openForOutput(1, path.string());
    const std::string longLine(200000, 'y');
    for (const std::string& line : {std::string("first"), std::string(), longLine, longLine}) {
        files.writeLine(1, line);
    }
    files.writeLine(1, "last");
    files.close(1);
    EXPECT_EQ(readFile(path), "first\r\n\r\n" + longLine + "\r\n" + longLine + "\r\nlast\r\n");
    EXPECT_FALSE(files.isOpen(1));
}

// Numbers are the lowest free ones, a number in use cannot be opened again, and close-all
// (what ending at once does) flushes every open file.
TEST(OutputFileTable, FileNumbersAndCloseAll) {
    TemporaryFolder temp;
    OutputFileTable files;
    EXPECT_EQ(files.freeFileNumber(), 1);
    files.openForOutput(1, (temp.path() / "a").string());
    files.openForOutput(2, (temp.path() / "b").string());
    files.openForOutput(3, (temp.path() / "c").string());
    EXPECT_EQ(files.freeFileNumber(), 4);
    files.close(1);
    EXPECT_EQ(files.freeFileNumber(), 1);
    EXPECT_THROW(files.openForOutput(2, temp.file("d").string()), RaisedError);
    EXPECT_THROW(files.writeLine(7, "x"), RaisedError);
    files.writeLine(2, "two");
    files.writeLine(3, "three");
    EXPECT_TRUE(files.closeAll().empty());
    EXPECT_EQ(readFile(temp.path() / "b"), "two\r\n");
    EXPECT_EQ(readFile(temp.path() / "c"), "three\r\n");
    EXPECT_FALSE(files.isOpen(2));
}

// Failures injected into the system's calls, over 1,500 numbered lines. The 64 KiB buffer
// goes out before lines 649 and 1,297 and at close, each time in writes cut to 10,000
// bytes, so a failing write leaves the file ending inside a line.
TEST(OutputFileTable, FailuresAreReportedWhereTheyHappenAndLeaveOnlyWholeLines) {
    constexpr int kLines = 1500;
    constexpr int kOpen = -1, kClose = 0, kNowhere = kLines + 1;
    struct Case {
        std::vector<FailingOutputSystem::Failure> failures;
        int failedAt;  // the line whose writeLine raised the failure, or kOpen, kClose
        std::string description;
        int linesKept;  // -1: no matter
    };
    const Case cases[] = {
        {{{Call::kWrite, 3, ENOSPC}}, 649, "No space left on device", 198},
        {{{Call::kWrite, 9, EFBIG}}, 1297, "File too large", 747},
        {{{Call::kWrite, 16, EIO}}, kClose, "Input/output error", 1395},
        {{{Call::kClose, 1, EIO}}, kClose, "Input/output error", kLines},
        {{{Call::kTruncate, 1, EIO}}, kOpen, "Input/output error", 0},
        // The cut back to a whole line is retried; when it fails, the write's failure is
        // the one reported.
        {{{Call::kWrite, 2, ENOSPC}, {Call::kTruncate, 2, EINTR}},
         649,
         "No space left on device",
         99},
        {{{Call::kWrite, 2, ENOSPC}, {Call::kTruncate, 2, EIO}},
         649,
         "No space left on device",
         -1},
        // An interrupted call is made again, with nothing lost or written twice; a close
        // is never made again, and what it interrupted was already handed over.
        {{{Call::kOpen, 1, EINTR},
          {Call::kTruncate, 1, EINTR},
          {Call::kWrite, 5, EINTR},
          {Call::kWrite, 16, EINTR}},
         kNowhere,
         "",
         kLines},
        {{{Call::kClose, 1, EINTR}}, kNowhere, "", kLines},
    };
    TemporaryFolder temp;
    const std::string path = temp.file("out.txt", 10).string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description + " at " + std::to_string(c.failedAt));
        FailingOutputSystem system(c.failures, 10000);
        OutputFileTable files(system);
        std::string description;
        int at = kOpen;
        try {
            files.openForOutput(1, path);
            for (at = 1; at <= kLines; ++at) {
                files.writeLine(1, numberedLine(at - 1));
            }
            at = kClose;
            files.close(1);
            at = kNowhere;
        } catch (const WriteFailure& error) {
            description = error.description();
            EXPECT_GE(at, kClose);
        } catch (const RaisedError& error) {
            description = error.description();
            EXPECT_EQ(at, kOpen);
        }
        EXPECT_EQ(at, c.failedAt);
        EXPECT_EQ(description, c.description);
        if (at > kClose && at <= kLines) {
            // A file that failed once keeps failing.
            EXPECT_THROW(files.writeLine(1, "after the failure"), WriteFailure);
            EXPECT_THROW(files.close(1), WriteFailure);
        }
        EXPECT_FALSE(files.isOpen(1));
        if (c.linesKept >= 0 && at != kOpen) {
            EXPECT_EQ(readFile(path), firstNumberedLines(c.linesKept));
        }
        EXPECT_EQ(system.descriptorsOpen, 0);
    }
    // Close-all gives back the file that failed, and why.
    FailingOutputSystem system({{Call::kWrite, 1, ENOSPC}});
    OutputFileTable files(system);
    files.openForOutput(1, path);
    files.writeLine(1, "x");
    const std::vector<OutputFailure> failures = files.closeAll();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, path);
    EXPECT_EQ(failures[0].description, "No space left on device");
}

// Only a regular file is taken: a FIFO, with or without a reader, a device or a folder
// fails at once and untouched, where a FIFO without a reader used to hold the program for
// ever.
TEST(OutputFileTable, AnythingButARegularFileFailsAtOnce) {
    TemporaryFolder temp;
    FailingOutputSystem system;
    OutputFileTable files(system);
#ifdef _WIN32
    const std::pair<std::string, std::string> refused[] = {
        {"NUL", "Invalid argument"},
        {temp.str(), "Permission denied"},
    };
#else
    const std::string fifo = (temp.path() / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> refused[] = {
        {fifo, "No such device or address"},  // no reader: the open fails by itself
        {fifo, "Invalid argument"},           // a reader waits
        {"/dev/null", "Invalid argument"},
        {temp.str(), "Is a directory"},
    };
    int reader = -1;
#endif
    for (const auto& [path, description] : refused) {
        try {
            files.openForOutput(1, path);
            ADD_FAILURE() << path << " was taken";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.description(), description);
        }
        EXPECT_FALSE(files.isOpen(1));
#ifndef _WIN32
        if (reader < 0) {
            reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        }
#endif
    }
#ifndef _WIN32
    ::close(reader);
#endif
    EXPECT_EQ(system.calls[Call::kTruncate], 0);  // refused before anything was changed
}

#ifndef _WIN32
// A real file size limit (`ulimit -f`), in a child process so that this one keeps its
// own: the process does not die of SIGXFSZ, the write reports "File too large", and the
// file ends on the last line that fitted whole.
TEST(OutputFileTable, AFileSizeLimitIsAnOrdinaryWriteFailure) {
    TemporaryFolder temp;
    const std::string path = (temp.path() / "limited.txt").string();
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const rlimit limit{10000, 10000};
        OutputFileTable files;
        std::string description;
        try {
            setrlimit(RLIMIT_FSIZE, &limit);
            files.openForOutput(1, path);
            for (int n = 0; n < 300; ++n) {
                files.writeLine(1, numberedLine(n));
            }
            files.close(1);
        } catch (const RaisedError& error) {
            description = error.description();
        }
        std::_Exit(description == "File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(path), firstNumberedLines(99));
}
#endif

}  // namespace
}  // namespace tolvane
