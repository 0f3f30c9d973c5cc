// The progress line: how it fits a narrow terminal, and how often it is drawn.

#include "progress_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tolvane {
namespace {

TEST(ProgressDisplayTest, TheLineFitsTheWidthByCuttingTheFolderFromItsStart) {
    // Characters are counted, not bytes, and kept whole; control characters show as "?".
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x/\n\xC3\xB1\xC3\xB1\xC3\xB1", 40),
              "12 files, 3 folders, 450 files/s: ...\xC3\xB1\xC3\xB1");
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x/\n\xC3\xB1", 80),
              "12 files, 3 folders, 450 files/s: /x/?\xC3\xB1");
    EXPECT_EQ(progressLine(12, 3, 449.6, "/x", 20), "12 files, 3 folders");
}

TEST(ProgressDisplayTest, DrawsAtMostTenTimesASecondAndClearsWhatItDrew) {
    using std::chrono::milliseconds;
    std::FILE* terminal = std::tmpfile();
    const auto start = ProgressDisplay::Clock::time_point();
    ProgressDisplay display(terminal, 80, start);
    display.update(1, 1, "/a", start + milliseconds(50));
    display.update(2, 1, "/a", start + milliseconds(100));
    display.update(3, 1, "/a", start + milliseconds(150));
    display.update(40, 2, "/b", start + milliseconds(200));
    display.update(5, 2, "", start + milliseconds(1000));
    display.clear();
    display.clear();

    std::string drawn(200, '\0');
    std::rewind(terminal);
    drawn.resize(std::fread(drawn.data(), 1, drawn.size(), terminal));
    std::fclose(terminal);
    EXPECT_EQ(drawn,
              "\r2 files, 1 folders, 20 files/s: /a"
              "\r40 files, 2 folders, 200 files/s: /b"
              "\r5 files, 2 folders, 5 files/s       "
              "\r" +
                  std::string(29, ' ') + "\r");
}

}  // namespace
}  // namespace tolvane
