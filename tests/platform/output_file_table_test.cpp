#include "output_file_table.h"

#include <gtest/gtest.h>

#include "support/temporary_folder.h"
#include "write_failure.h"

namespace tolvane {
namespace {

using testing::readFile;
using testing::TemporaryFolder;

TEST(OutputFileTable, WritesLinesWithCrLfAndTruncatesAnOldFile) {
    TemporaryFolder temp;
    const auto path = temp.file("out.txt", 5000);
    OutputFileTable files;
    const auto fileNo = files.freeFileNumber();
    files.openForOutput(fileNo, path.string());
    files.writeLine(fileNo, "first");
    files.writeLine(fileNo, "");
    files.writeLine(fileNo, "third");
    files.close(fileNo);
    EXPECT_EQ(readFile(path), "first\r\n\r\nthird\r\n");
    EXPECT_FALSE(files.isOpen(fileNo));
}

TEST(OutputFileTable, LinesLongerThanTheBufferArriveWhole) {
    TemporaryFolder temp;
    const auto path = temp.path() / "long.txt";
    OutputFileTable files;
    files.openForOutput(1, path.string());
    const std::string longLine(200000, 'y');
    for (int i = 0; i < 3; ++i) {
        files.writeLine(1, longLine);
    }
    files.close(1);
    EXPECT_EQ(readFile(path), longLine + "\r\n" + longLine + "\r\n" + longLine + "\r\n");
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
    EXPECT_THROW(files.openForOutput(1, temp.str()), RaisedError);  // a folder
    EXPECT_THROW(files.writeLine(7, "x"), RaisedError);
    files.writeLine(2, "two");
    files.writeLine(3, "three");
    EXPECT_TRUE(files.closeAll());
    EXPECT_EQ(readFile(temp.path() / "b"), "two\r\n");
    EXPECT_EQ(readFile(temp.path() / "c"), "three\r\n");
    EXPECT_FALSE(files.isOpen(2));
}

#ifndef _WIN32
// /dev/full takes nothing: every failure to store lines must surface, never be lost.
TEST(OutputFileTable, AFullDiskIsReportedAtCloseAndKeepsFailing) {
    OutputFileTable files;
    files.openForOutput(1, "/dev/full");
    files.writeLine(1, "header");  // still in the buffer
    try {
        files.close(1);
        FAIL() << "close reported success for lines that were never stored";
    } catch (const WriteFailure& error) {
        EXPECT_EQ(error.description(), "No space left on device");
    }
    EXPECT_FALSE(files.isOpen(1));

    files.openForOutput(1, "/dev/full");
    const std::string line(1000, 'z');
    EXPECT_THROW(for (int i = 0; i < 200; ++i) files.writeLine(1, line), WriteFailure);
    EXPECT_THROW(files.writeLine(1, "after the failure"), WriteFailure);
    EXPECT_THROW(files.close(1), WriteFailure);
    EXPECT_FALSE(files.isOpen(1));

    files.openForOutput(1, "/dev/full");
    files.writeLine(1, "x");
    EXPECT_FALSE(files.closeAll());
}
#endif

}  // namespace
}  // namespace tolvane
