// Listing runs started and stopped from the window.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <sstream>

#include "form_fixture.h"

namespace tolvane::test {
namespace {

class RunTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        open(root + "/tree");
        form->SaveFilename = root + "/listing.txt";
    }

    std::vector<std::string> listingLines() const {
        std::ifstream file(root + "/listing.txt", std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(text, line)) {
            lines.push_back(line);
        }
        return lines;
    }

    // Which of the controls a run switches are enabled, in the order of the run table.
    std::vector<bool> switchedControlsEnabled() const {
        return {form->Comment_Check->isEnabled(),           form->Filter_Check->isEnabled(),
                form->Function_Make->isEnabled(),           form->Recurse_Check->isEnabled(),
                form->Result_Drive->isEnabled(),            form->Result_Dir->isEnabled(),
                form->Setup_Menu->menuAction()->isEnabled()};
    }

    // Runs `action` at the run's first yield, as a user's input arriving meanwhile.
    void atFirstYield(std::function<void()> action) {
        QMetaObject::invokeMethod(form.get(), std::move(action), Qt::QueuedConnection);
    }
};

TEST_F(RunTest, ButtonWritesTheListingOfTheFolderShown) {
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    const std::vector<std::string> lines = listingLines();
    ASSERT_EQ(lines.size(), 4u);  // header and three files
    EXPECT_EQ(lines[0].rfind("Filename\tExtension\tSize", 0), 0u);
    EXPECT_EQ(lines[1].rfind("top.txt\t", 0), 0u);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(form->Progress_Label->text().toStdString(),
              "Directory contenst stored in: " + root + "/listing.txt");
    EXPECT_EQ(form->Make_Button->text(), "&Make List");
    EXPECT_FALSE(form->Running);

    // The menu item runs the same procedure, without subfolders when Recurse is off.
    form->Recurse_Check->setValue(0);
    form->Function_Make->trigger();
    EXPECT_EQ(listingLines().size(), 2u);
    EXPECT_EQ(dialogs.beeps, 2);
}

TEST_F(RunTest, RunningStateDisablesWhatCouldChangeTheRun) {
    std::vector<bool> whileRunning;
    QString captionWhileRunning;
    bool stillUsable = false;
    atFirstYield([&] {
        whileRunning = switchedControlsEnabled();
        captionWhileRunning = form->Make_Button->text();
        stillUsable = form->Make_Button->isEnabled() && form->Result_File->isEnabled() &&
                      form->Function_About->isEnabled() && form->Function_Exit->isEnabled() &&
                      form->Function_Menu->menuAction()->isEnabled();
    });
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    EXPECT_EQ(whileRunning, std::vector<bool>(7, false));
    EXPECT_EQ(captionWhileRunning, "&Stop");
    EXPECT_TRUE(stillUsable);
    EXPECT_EQ(switchedControlsEnabled(), std::vector<bool>(7, true));
}

TEST_F(RunTest, ClickDuringAYieldStopsTheRun) {
    bool stopHandled = false;
    atFirstYield([&] {
        QTest::mouseClick(form->Make_Button, Qt::LeftButton);
        // Back in idle at once, before the walker has even returned.
        stopHandled = form->StopRequested && !form->Running &&
                      form->Make_Button->text() == "&Make List" &&
                      form->Setup_Menu->menuAction()->isEnabled();
    });
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    EXPECT_TRUE(stopHandled);
    EXPECT_EQ(form->Progress_Label->text(), "Aborted");
    EXPECT_EQ(dialogs.beeps, 0);
    EXPECT_FALSE(form->Running);
    EXPECT_FALSE(form->StopRequested);
    EXPECT_EQ(form->Make_Button->text(), "&Make List");
    EXPECT_EQ(switchedControlsEnabled(), std::vector<bool>(7, true));
    // The folder's own file was written before the first yield; no subfolder was entered.
    const std::vector<std::string> lines = listingLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("top.txt\t", 0), 0u);
}

TEST_F(RunTest, OpenFailureIsReportedAndTheWindowReturnsToIdle) {
    form->SaveFilename = root + "/no/such/folder/listing.txt";
    form->Progress_Label->setText("earlier");
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);
    const auto messages = dialogs.ofKind(DialogCall::Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Error in Make_Button_Click");
    EXPECT_EQ(messages[0].text.rfind("Error opening file: " + form->SaveFilename + "\rError: ", 0), 0u);
    EXPECT_EQ(form->Progress_Label->text(), "earlier");
    EXPECT_EQ(form->Make_Button->text(), "&Make List");
    EXPECT_FALSE(form->Running);
}

TEST_F(RunTest, UnreadableStartFolderGoesToTheLastResortAndLeavesTheWindowIdle) {
    form->Result_Dir->setPath(root + "/tree/sub1");
    std::filesystem::remove_all(root + "/tree/sub1");
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);
    const auto messages = dialogs.ofKind(DialogCall::Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Tolvane");
    EXPECT_FALSE(form->Running);
    EXPECT_EQ(switchedControlsEnabled(), std::vector<bool>(7, true));
    EXPECT_EQ(listingLines().size(), 1u);  // the header, and the file was closed
}

}  // namespace
}  // namespace tolvane::test
