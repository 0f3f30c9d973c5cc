// The progress line's text, and how often it is drawn over itself.

#include "progress_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tolvane {
namespace {

TEST(ProgressDisplayTest, TheLineStaysBelowTheWidthByCuttingTheFolderFromItsStart) {
    const struct {
        std::string folder;
        int columns;
        std::string line;
    } cases[] = {
        {"/data/photos", 80, "12 files, 3 folders, 450 files/s: /data/photos"},
        {"", 80, "12 files, 3 folders, 450 files/s"},
        {"/new\nline\tand tab", 80, "12 files, 3 folders, 450 files/s: /new?line?and tab"},
        // Characters, not bytes, are counted and kept whole.
        {"/x/\xC3\xB1\xC3\xB1\xC3\xB1", 40,
         "12 files, 3 folders, 450 files/s: ...\xC3\xB1\xC3\xB1"},
        {"/data/photos", 20, "12 files, 3 folders"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progressLine(12, 3, 449.6, c.folder, c.columns), c.line);
    }
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
