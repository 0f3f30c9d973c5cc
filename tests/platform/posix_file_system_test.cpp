#include "posix_file_system.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "file_attributes.h"
#include "name_order.h"
#include "posix_folder_reading.h"
#include "support/test_support.h"

namespace tolvane {
namespace {

using testing::enumerate;
using testing::raisedBy;
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
}

// (Sizes and time stamps are the walk's, proved through the listing in tests/listing.)
TEST_F(PosixFileSystemTest, QueriesGiveAttributesOrTheSystemsFailure) {
    const auto hidden = temp.file(".profile", 3);
    ::chmod(hidden.c_str(), 0444);
    temp.file("file");
    ASSERT_EQ(fs.startEnumeration(prefix() + "file", attribute_mask::kFiles), "file");
    EXPECT_EQ(fs.fileAttributes(prefix() + "file"), 0u);
    // A path that is not the current entry is queried on its own.
    EXPECT_EQ(fs.fileAttributes(hidden.string()),
              file_attribute::kHidden | file_attribute::kReadOnly);
    EXPECT_EQ(fs.fileAttributes(prefix()), file_attribute::kFolder);

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
    EXPECT_EQ(raisedBy([&] { fs.startEnumeration(prefix() + "file/", attribute_mask::kFiles); }),
              "76: Not a directory");
    EXPECT_EQ(raisedBy([&] { fs.fileAttributes(prefix() + "gone"); }),
              "53: No such file or directory");
}

// A folder's sort decides most comparisons by the first sixteen bytes of the names' keys,
// upper-cased eight bytes at a time: names that share eight or sixteen of them, or differ
// only in case past them, still come in namesInOrder's order.
TEST(FolderOrder, SortedAsNamesInOrderWhateverStartTheNamesShare) {
    Names names;
    for (const char* start : {"", "IMG_202", "IMG_2024", "img_20240", "file00000000001",
                              "FILE000000000012", "file0000000000123"}) {
        // Around the letters, and bytes past ASCII whose low seven bits are letters.
        for (const char* end : {"", "a", "A", "b", "B.jpg", "a.jpg", "_", "~", "0", "`", "{", "@",
                                "[", "z", "Z", "\xE1", "\xC1", "\xD0", "\xFA"}) {
            names.push_back(std::string(start) + end);
        }
    }
    std::mt19937 shuffle(7);
    std::shuffle(names.begin(), names.end(), shuffle);
    FolderEntries folder;
    for (const std::string& name : names) {
        folder.add(name, FolderEntry{});
    }
    ReadingScratch scratch;
    sortEntries(folder, scratch);
    Names sorted;
    for (const FolderEntry& entry : folder.entries) {
        sorted.emplace_back(folder.nameOf(entry));
    }
    std::sort(names.begin(), names.end(), namesInOrder);
    EXPECT_EQ(sorted, names);
}

}  // namespace
}  // namespace tolvane
