#include "output_file_table.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "win32_error.h"
#include "win32_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

#include "support/test_support.h"
#include "write_failure.h"

namespace tolvane {
namespace {

using testing::FailingOutputSystem;
using testing::readFile;
using testing::TemporaryFolder;
using enum FailingOutputSystem::Call;

// Line `n`: 99 characters, 101 bytes with its CR LF, and unlike every other line.
std::string numberedLine(int n) {
    return std::to_string(100000 + n) + std::string(93, '.');
}

// Numbers are the lowest free ones, a number in use cannot be opened again, and close-all
// (what ending at once does) flushes every open file, lines longer than the buffer whole.
// Only a regular file is taken: a FIFO, with or without a reader, a device or a folder
// fails at once and untouched, where a FIFO without a reader used to hold the program.
TEST(OutputFileTable, FileNumbersCloseAllAndWhatIsRefused) {
    TemporaryFolder temp;
    FailingOutputSystem system;
    OutputFileTable files(system);
    EXPECT_EQ(files.freeFileNumber(), 1);
    files.openForOutput(1, (temp.path() / "a").string());
    files.openForOutput(2, (temp.path() / "b").string());
    files.openForOutput(3, (temp.path() / "c").string());
    EXPECT_EQ(files.freeFileNumber(), 4);
    files.close(1);
    EXPECT_EQ(files.freeFileNumber(), 1);
    EXPECT_THROW(files.openForOutput(2, temp.file("d").string()), RaisedError);
    EXPECT_THROW(files.writeLine(7, "x"), RaisedError);
    const std::string longLine(200000, 'y');
    files.writeLine(2, "two");
    files.writeLine(2, longLine);
    files.writeLine(3, "three");
    EXPECT_TRUE(files.closeAll().empty());
    EXPECT_EQ(readFile(temp.path() / "b"), "two\r\n" + longLine + "\r\n");
    EXPECT_EQ(readFile(temp.path() / "c"), "three\r\n");
    EXPECT_FALSE(files.isOpen(2));

    const int truncatesBefore = system.calls[kTruncate];
#ifdef _WIN32
    const std::pair<std::string, std::string> refused[] = {{"NUL", "Invalid argument"},
                                                           {temp.str(), "Permission denied"}};
#else
    const std::string fifo = temp.str() + "/fifo", lonely = temp.str() + "/lonely";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600) | mkfifo(lonely.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const std::pair<std::string, std::string> refused[] = {
        {lonely, "No such device or address"},  // no reader: the open fails by itself
        {fifo, "Invalid argument"},
        {"/dev/null", "Invalid argument"},
        {temp.str(), "Is a directory"}};
#endif
    const auto described = [](OutputFileTable& table, const std::string& path) {
        const std::string raised = testing::raisedBy([&] { table.openForOutput(1, path); });
        return raised.substr(raised.find(": ") + 2);
    };
    for (const auto& [path, description] : refused) {
        EXPECT_EQ(described(files, path), description) << path;
    }
    EXPECT_EQ(system.calls[kTruncate], truncatesBefore);  // nothing was changed
#ifdef _WIN32
    // In the system's own words, not errno's "Permission denied" and "No such file or
    // directory": a file another program holds open and shares with no one, a missing folder.
    const std::string locked = temp.str() + "\\locked.txt";
    const HANDLE holder = ::CreateFileW(wideFromUtf8(locked).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OutputFileTable native;  // the system's own, which keeps its words
    EXPECT_EQ(described(native, locked), win32Description(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(described(native, temp.str() + "\\none\\a.txt"),
              win32Description(ERROR_PATH_NOT_FOUND));
    ::CloseHandle(holder);
#else
    ::close(reader);
#endif
}

// Failures injected into the system's calls, over 1,500 numbered lines. The 64 KiB buffer
// goes out before lines 649 and 1,297 and at close, each time in writes cut to 10,000
// bytes, so a failing write leaves the file ending inside a line.
TEST(OutputFileTable, FailuresAreReportedWhereTheyHappenAndLeaveOnlyWholeLines) {
    constexpr int kLines = 1500, kAtOpen = -1, kAtClose = 0, kNowhere = kLines + 1;
    struct Case {
        FailingOutputSystem::Failure failure, alsoFailing;
        int failedAt;  // the line whose writeLine raised the failure, or kAtOpen, kAtClose
        std::string description;
        int linesKept;  // -1: no matter
    };
    const Case cases[] = {
        {{kWrite, 3, ENOSPC}, {}, 649, "No space left on device", 198},
        {{kWrite, 9, EFBIG}, {}, 1297, "File too large", 747},
        {{kWrite, 16, EIO}, {}, kAtClose, "Input/output error", 1395},
        {{kClose, 1, EIO}, {}, kAtClose, "Input/output error", kLines},
        {{kTruncate, 1, EIO}, {}, kAtOpen, "Input/output error", -1},
        // An interrupted cut is made again; a failed one leaves the write's failure reported.
        {{kWrite, 2, ENOSPC}, {kTruncate, 2, EINTR}, 649, "No space left on device", 99},
        {{kWrite, 2, ENOSPC}, {kTruncate, 2, EIO}, 649, "No space left on device", -1},
        // Interrupted calls are made again, nothing lost or written twice; a close is not,
        // as the descriptor is gone and every line was handed over before.
        {{kWrite, 5, EINTR}, {kTruncate, 1, EINTR}, kNowhere, "", kLines},
        {{kClose, 1, EINTR}, {kOpen, 1, EINTR}, kNowhere, "", kLines},
    };
    TemporaryFolder temp;
    const std::string path = temp.file("out.txt", 200000).string();  // longer than the lines
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description + " at " + std::to_string(c.failedAt));
        FailingOutputSystem system({c.failure, c.alsoFailing}, 10000);
        OutputFileTable files(system);
        std::string description;
        int at = kAtOpen;
        try {
            files.openForOutput(1, path);
            for (at = 1; at <= kLines; ++at) {
                files.writeLine(1, numberedLine(at - 1));
            }
            at = kAtClose;
            files.close(1);
            at = kNowhere;
        } catch (const RaisedError& error) {
            description = error.description();
            EXPECT_EQ(dynamic_cast<const WriteFailure*>(&error) != nullptr, at != kAtOpen);
        }
        EXPECT_EQ(at, c.failedAt);
        EXPECT_EQ(description, c.description);
        if (at > kAtClose && at <= kLines) {  // a file that failed once keeps failing
            EXPECT_THROW(files.writeLine(1, "after the failure"), WriteFailure);
            EXPECT_THROW(files.close(1), WriteFailure);
        }
        EXPECT_FALSE(files.isOpen(1));
        EXPECT_EQ(system.descriptorsOpen, 0);
        std::string kept;
        for (int n = 0; n < c.linesKept; ++n) {
            kept += numberedLine(n) + "\r\n";
        }
        EXPECT_TRUE(c.linesKept < 0 || readFile(path) == kept);
    }
}

}  // namespace
}  // namespace tolvane
