// Listing runs started and stopped from the window. (The run's own rules are proved
// against a fake window in listing_run_test.cpp; these prove the real controls.)
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "form_fixture.h"
#include "output_file_table.h"

namespace tolvane::test {
namespace {

const std::vector<bool> kAllEnabled(7, true);

class RunTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        open(tree);
        form->SaveFilename = root + "/listing.txt";
    }

    // Which of the controls a run switches are enabled, in the order of the run table.
    std::vector<bool> switchedControlsEnabled() const {
        return {form->Comment_Check->isEnabled(),
                form->Filter_Check->isEnabled(),
                form->Function_Make->isEnabled(),
                form->Recurse_Check->isEnabled(),
                form->Result_Drive->isEnabled(),
                form->Result_Dir->isEnabled(),
                form->Setup_Menu->menuAction()->isEnabled()};
    }

    // Runs `action` at the run's first yield, as a user's input arriving meanwhile.
    void atFirstYield(std::function<void()> action) {
        QMetaObject::invokeMethod(form.get(), std::move(action), Qt::QueuedConnection);
    }
};

TEST_F(RunTest, MenuItemWritesTheListingOfTheFolderShownAndBeeps) {
    form->Recurse_Check->setValue(0);  // the folder's own files only
    form->Function_Make->trigger();
    const std::string listing = readFile(root + "/listing.txt");
    EXPECT_EQ(listing.rfind("Filename\tExtension\tSize", 0), 0u);
    EXPECT_EQ(listing.find("\r\ntop.txt\t"), listing.find("\r\n"));
    EXPECT_EQ(listing.find("one.txt"), std::string::npos);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(form->Progress_Label->text().toStdString(),
              "Directory contenst stored in: " + root + "/listing.txt");
}

TEST_F(RunTest, RunDisablesWhatCouldChangeItAndAClickDuringAYieldStopsIt) {
    std::vector<bool> whileRunning;
    bool othersUsable = false;
    bool idleAtOnce = false;
    atFirstYield([&] {
        whileRunning = switchedControlsEnabled();
        othersUsable = form->Result_File->isEnabled() && form->Function_Exit->isEnabled() &&
                       form->Function_Menu->menuAction()->isEnabled();
        QTest::mouseClick(form->Make_Button, Qt::LeftButton);
        // Back in idle at once, before the walker has even returned.
        idleAtOnce = form->StopRequested && !form->Running &&
                     form->Make_Button->text() == "&Make List" &&
                     switchedControlsEnabled() == kAllEnabled;
    });
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    EXPECT_EQ(whileRunning, std::vector<bool>(7, false));
    EXPECT_TRUE(othersUsable);
    EXPECT_TRUE(idleAtOnce);
    EXPECT_EQ(form->Progress_Label->text(), "Aborted");
}

// Alt+S is the Stop button's and the Setup menu's; the menu is disabled while a run is
// under way, so the key must stop the run, not merely move the focus to the button.
TEST_F(RunTest, TheStopButtonsAccessKeyStopsARun) {
    bool stoppedAtOnce = false;
    atFirstYield([&] {
        QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
        stoppedAtOnce = form->StopRequested && !form->Running;
    });
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);
    EXPECT_TRUE(stoppedAtOnce);
    EXPECT_EQ(form->Progress_Label->text(), "Aborted");
}

TEST_F(RunTest, FailuresAreReportedAndLeaveTheWindowIdle) {
    // An output file that cannot be opened: the run's own message.
    form->SaveFilename = root + "/none/listing.txt";
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    // At the first yield the user presses Enter on a folder that has vanished since the
    // list was filled: Form_KeyPress fails, nothing traps it, and the run ends as stopped.
    form->SaveFilename = root + "/listing.txt";
    atFirstYield([this] {
        form->FocusedList = "Result_Dir";
        form->Result_Dir->setCurrentRow(rowOf("sub1"));
        std::filesystem::remove_all(tree + "/sub1");
        QTest::keyClick(form->Make_Button, Qt::Key_Return);
    });
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);
    EXPECT_EQ(form->Progress_Label->text(), "Aborted");
    EXPECT_EQ(form->Result_Dir->Path(), tree);
    EXPECT_EQ(switchedControlsEnabled(), kAllEnabled);
    EXPECT_FALSE(form->Running || form->StopRequested || OutputFileTable::instance().isOpen(1));

    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].title, "Error in Make_Button_Click");
    EXPECT_EQ(dialogs.messages[0].text.rfind("Error opening file: " + root + "/none/", 0), 0u);
    EXPECT_EQ(dialogs.messages[1].text.rfind("Run-time error '76':\rSource: ", 0), 0u);
    EXPECT_EQ(dialogs.messages[1].title, "Tolvane");
}

}  // namespace
}  // namespace tolvane::test
