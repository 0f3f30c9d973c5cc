#include "posix_file_system.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "file_attributes.h"
#include "support/test_support.h"

namespace tolvane {
namespace {

using testing::enumerate;
using testing::raisedBy;
using testing::setModified;
using testing::TemporaryFolder;
using Names = std::vector<std::string>;

class PosixFileSystemTest : public ::testing::Test {
  protected:
    std::string prefix() const { return temp.str() + "/"; }
    TemporaryFolder temp;
    PosixFileSystem fs;
};

// The files pass never returns a folder, the folders pass returns both, hidden ones too;
// links to files are files, links to folders are never returned.
TEST_F(PosixFileSystemTest, WhatEachPassReturns) {
    temp.file("b.txt", 7);
    temp.file(".hidden");
    temp.file("A.TXT");
    temp.folder("sub");
    temp.folder(".cache");
    std::filesystem::create_symlink(temp.path() / "b.txt", temp.path() / "file-link");
    std::filesystem::create_symlink(temp.path() / "sub", temp.path() / "dir-link");
    std::filesystem::create_symlink(temp.path(), temp.path() / "sub" / "loop");
    std::filesystem::create_symlink(temp.path() / "nowhere", temp.path() / "dangling");
    EXPECT_EQ(enumerate(fs, prefix(), attribute_mask::kFiles),
              (Names{".hidden", "A.TXT", "b.txt", "dangling", "file-link"}));
    EXPECT_EQ(
        enumerate(fs, prefix(), attribute_mask::kFilesAndFolders),
        (Names{".", "..", ".cache", ".hidden", "A.TXT", "b.txt", "dangling", "file-link", "sub"}));
    EXPECT_EQ(enumerate(fs, prefix() + "sub/", attribute_mask::kFilesAndFolders),
              (Names{".", ".."}));
    ASSERT_EQ(fs.startEnumeration(prefix() + "file-link", attribute_mask::kFiles), "file-link");
    EXPECT_EQ(fs.fileLength(prefix() + "file-link"), 7);  // the target's size
    ASSERT_EQ(fs.startEnumeration(prefix() + "dangling", attribute_mask::kFiles), "dangling");
    EXPECT_EQ(fs.fileLength(prefix() + "dangling"),
              static_cast<std::int64_t>((temp.path() / "nowhere").string().size()));
}

TEST_F(PosixFileSystemTest, QueriesGiveSizeTimeAndAttributesOrTheSystemsFailure) {
    const auto report = temp.file("Report.doc", 12345);
    setModified(report, DateTime{2004, 6, 14, 9, 5, 27});
    const auto hidden = temp.file(".profile", 3);
    ::chmod(hidden.c_str(), 0444);
    const std::int64_t size = 5'000'000'123LL;  // sparse: takes no room on disk
    std::filesystem::resize_file(temp.file("big.bin"), static_cast<std::uintmax_t>(size));
    const std::string name = fs.startEnumeration(prefix() + "Report.doc", attribute_mask::kFiles);
    ASSERT_EQ(name, "Report.doc");
    EXPECT_EQ(fs.fileLength(prefix() + name), 12345);
    EXPECT_EQ(fs.fileTimeStamp(prefix() + name), (DateTime{2004, 6, 14, 9, 5, 27}));
    EXPECT_EQ(fs.fileAttributes(prefix() + name), 0u);
    // A path that is not the current entry is queried on its own.
    EXPECT_EQ(fs.fileAttributes(hidden.string()),
              file_attribute::kHidden | file_attribute::kReadOnly);
    EXPECT_EQ(fs.fileAttributes(prefix()), file_attribute::kFolder);
    EXPECT_EQ(fs.fileLength(prefix() + "big.bin"), size);

    // A walk's local times, had by arithmetic where a day keeps its offset from UTC, are
    // localtime_r's through a year of clock changes, a half-hour one included.
    const char* const savedZone = std::getenv("TZ");
    const std::string saved = savedZone != nullptr ? savedZone : "";
    for (const char* zone : {"Europe/Berlin", "Australia/Lord_Howe"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        const auto cache = std::make_unique<LocalTimeCache>();
        for (std::int64_t t = 1704067200; t < 1704067200 + 366 * 86400; t += 3659) {
            DateTime cached;
            DateTime plain;
            ASSERT_TRUE(localTimeOf(t, cached, cache.get()) && localTimeOf(t, plain));
            ASSERT_EQ(cached, plain) << zone << " " << t;
        }
    }
    savedZone != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();

    EXPECT_EQ(raisedBy([&] { fs.startEnumeration(prefix() + "missing/", attribute_mask::kFiles); }),
              "53: No such file or directory");
    EXPECT_EQ(raisedBy([&] { fs.startEnumeration(prefix() + "big.bin/", attribute_mask::kFiles); }),
              "76: Not a directory");
    EXPECT_EQ(raisedBy([&] { fs.fileLength(prefix() + "gone"); }), "53: No such file or directory");
}

}  // namespace
}  // namespace tolvane
