#include <gtest/gtest.h>

#include "raised_error.h"
#include "split_filename.h"

namespace tolvane {
namespace {

struct SplitCase {
    const char* filename;
    const char* folder;
    const char* name;
};

TEST(SplitFilenameTest, SplitsAtTheLastSeparator) {
    const SplitCase cases[] = {
        {"/data/list.txt", "/data", "list.txt"},
        {"/data/more/list.txt", "/data/more", "list.txt"},
        {"list.txt", ".", "list.txt"},  // no separator: the current folder
        {"/list.txt", "", "list.txt"},  // the folder part never keeps the separator
        {"/data/", "/data", ""},
        {"./Tolvane.Txt", ".", "Tolvane.Txt"},
        {"", ".", ""},
        {"C:\\Data\\list.txt", ".", "C:\\Data\\list.txt"},  // "\" is no separator here
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(SplitFilename(c.filename, true), c.folder) << c.filename;
        EXPECT_EQ(SplitFilename(c.filename, false), c.name) << c.filename;
    }
}

TEST(SplitFilenameTest, SeparatorPositionMustFitSixteenBits) {
    // Position 32,766 (counted from 1) still fits with the position after it.
    const std::string fits = std::string(32765, 'a') + "/x";
    EXPECT_EQ(SplitFilename(fits, false), "x");
    EXPECT_EQ(SplitFilename(fits, true).size(), 32765u);

    const std::string overflows = std::string(32766, 'a') + "/x";
    try {
        SplitFilename(overflows, true);
        FAIL() << "no overflow";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), error_number::kOverflow);
    }
    // A long name after an early separator is fine.
    EXPECT_EQ(SplitFilename("/d/" + std::string(40000, 'n'), true), "/d");
}

}  // namespace
}  // namespace tolvane
