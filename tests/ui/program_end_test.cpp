// The program ends at once, seen from outside: the window runs in a child process
// (ui_program_child), and the test looks at its exit status, its messages, the listing
// file and the registry store it leaves.
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "form_fixture.h"

namespace tolvane::test {
namespace {

class ProgramEndTest : public FormTest {
protected:
    // Runs the child; returns its exit status, or -1 when it did not exit normally.
    int runChild(const std::string& scenario, const std::string& storeLocation) {
        const std::string command = std::string("'") + UI_PROGRAM_CHILD + "' " + scenario +
                                    " '" + root + "' '" + storeLocation + "' > '" + root +
                                    "/child.out'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string contentsOf(const std::string& relative) const {
        std::ifstream file(root + "/" + relative, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

TEST_F(ProgramEndTest, ExitDuringARunStoresTheSettingsAndLeavesACompleteListing) {
    ASSERT_EQ(runChild("exit-during-run", root + "/config/registry.sqlite3"), 0);

    EXPECT_EQ(contentsOf("child.out"), "");
    // The run stopped at its first yield: the header and the folder's own file, both
    // complete, although they were still in the output buffer when Exit came.
    const std::string listing = contentsOf("listing.txt");
    EXPECT_EQ(listing.rfind("Filename\tExtension\t", 0), 0u);
    const std::size_t topLine = listing.find("\r\ntop.txt\t");
    ASSERT_NE(topLine, std::string::npos);
    EXPECT_EQ(listing.find("\r\n", topLine + 2), listing.size() - 2);
    EXPECT_EQ(listing.find("one.txt"), std::string::npos);

    EXPECT_EQ(storedValue("Last Path"), root + "/tree");
    EXPECT_EQ(storedValue("Recurse Subdirectories"), "True");
    EXPECT_EQ(storedValue("Version"), TOLVANE_VERSION_TEXT);
}

TEST_F(ProgramEndTest, UnwritableStoreStillLetsTheUserCloseTheProgram) {
    writeFile("config-file");  // a regular file where the store's folder would be
    ASSERT_EQ(runChild("close-unwritable", root + "/config-file/registry.sqlite3"), 0);

    // Start-up's failure, then the failed save, each shown before the program ended.
    std::istringstream lines(contentsOf("child.out"));
    std::string startUp;
    std::string save;
    std::string more;
    std::getline(lines, startUp);
    std::getline(lines, save);
    EXPECT_FALSE(std::getline(lines, more));
    EXPECT_EQ(startUp.rfind("Tolvane|Run-time error '-2147221502':|Source: CRegistry:OpenKey|", 0),
              0u);
    EXPECT_EQ(save.rfind("Tolvane|Run-time error '-2147221502':|Source: CRegistry:OpenKey|", 0),
              0u);
    EXPECT_NE(save.find("|Not every setting could be stored. The program ends now."),
              std::string::npos);
}

}  // namespace
}  // namespace tolvane::test
