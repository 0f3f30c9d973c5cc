// The window's size and fonts; the drive, folder and file lists following one another,
// their recovery, and the keys that move among them.
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "form_fixture.h"

namespace tolvane::test {
namespace {

using LayoutTest = FormTest;
using NavigationTest = FormTest;
using Names = std::vector<std::string>;

TEST_F(LayoutTest, DesignedFixedSizePlainListsAndTheFramesAccessKey) {
    open(tree);
    // The client area of 7005 x 4005 twips, at 15 twips to a pixel; the window adds only
    // the menu bar and cannot be resized.
    EXPECT_EQ(form->centralWidget()->size(), QSize(467, 267));
    EXPECT_EQ(form->height(), form->menuBar()->height() + 267);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowIcon().isNull());
    // The lists inside the bold frame keep the plain dialog font.
    ASSERT_TRUE(form->Result_Frame->font().bold());
    EXPECT_FALSE(form->Result_Drive->font().bold() || form->Result_Dir->font().bold() ||
                 form->Result_File->font().bold());
    // Alt+D, the frame's access key, hands the focus to the drive list.
    focus(form->Make_Button);
    ASSERT_TRUE(form->Make_Button->hasFocus()) << "the window did not become active";
    QTest::keyClick(form->Make_Button, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->Result_Drive);
}

TEST_F(NavigationTest, FolderListFollowsCodeAndEnterOrSpaceWhenItWasTheLastFocusedList) {
    open(tree);
    // The ancestors from the root, then the folder itself, highlighted. (The rows the keys
    // open below show that its subfolders follow.)
    EXPECT_EQ(form->Result_Dir->List(0), "/");
    EXPECT_EQ(form->Result_Dir->List(form->Result_Dir->ListIndex()), tree);
    // A new path from code fills the file list before the set returns, with every file
    // whatever the pattern.
    form->FileFilter = "*.none";
    form->UseFileFilter = true;
    form->Result_Dir->setPath(tree + "/sub1/");
    EXPECT_EQ(form->Result_Dir->Path(), tree + "/sub1");
    EXPECT_EQ(fileNames(), Names{"one.txt"});

    focus(form->Result_Dir);
    form->Result_Dir->setCurrentRow(rowOf("tree"));
    QTest::keyClick(form->Result_Dir, Qt::Key_Return);
    EXPECT_EQ(fileNames(), Names{"top.txt"});
    form->Result_Dir->setCurrentRow(rowOf("sub1"));
    QTest::keyClick(form->Result_Dir, Qt::Key_Space);
    form->Result_Dir->setCurrentRow(rowOf("tree"));
    QTest::keyClick(form->Result_Dir, Qt::Key_X);  // other keys are the list's own business
    EXPECT_EQ(form->Result_Dir->Path(), tree + "/sub1");
    // A check box leaves the folder list the last list: Space there does both, and
    // ticking the filter box asks nothing (no prompt below).
    focus(form->Filter_Check);
    QTest::keyClick(form->Filter_Check, Qt::Key_Space);
    EXPECT_EQ(form->Filter_Check->Value(), 1);
    EXPECT_EQ(form->Result_Dir->Path(), tree);
    // After the file list, Enter opens nothing, not even on the button.
    form->Result_Dir->setCurrentRow(rowOf("sub2"));
    focus(form->Result_File);
    focus(form->Make_Button);
    QTest::keyClick(form->Make_Button, Qt::Key_Return);
    EXPECT_EQ(form->Result_Dir->Path(), tree);
    EXPECT_EQ(form->Progress_Label->text(), "");  // nor did the button start a run
    EXPECT_EQ(dialogs.prompts(), 0u);
}

TEST_F(NavigationTest, DriveListAppliesItsHighlightOnEnterOrSpaceAndRecoversFromFailures) {
    open(tree);
    focus(form->Result_Drive);
    form->Result_Drive->setCurrentIndex(1);  // highlighted, not yet current
    ASSERT_EQ(form->Result_Drive->Drive(), "/ [test]");
    QTest::keyClick(form->Result_Drive, Qt::Key_Return);
    EXPECT_EQ(form->Result_Drive->Drive(), root + "/drive_b [test]");
    EXPECT_EQ(fileNames(), Names{"b.txt"});
    form->Result_Dir->setPath(root + "/drive_b/inner");
    // Each drive keeps its current folder.
    form->Result_Drive->setCurrentIndex(0);
    QTest::keyClick(form->Result_Drive, Qt::Key_Space);
    form->Result_Drive->hidePopup();  // Space also opens the list's drop-down
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Dir->Path(), tree);
    form->Result_Drive->setDrive(root + "/drive_b/");  // back, named by its mount point
    EXPECT_EQ(dialogs.prompts(), 0u);

    // The user arrows down to the drive that is gone: the default drive is current and
    // highlighted again, and the lists followed it.
    QTest::keyClick(form->Result_Drive, Qt::Key_Down);
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Drive->ListIndex(), 0);
    EXPECT_EQ(form->Result_Dir->Path(), tree);
    EXPECT_EQ(fileNames(), Names{"top.txt"});
    // A folder whose files cannot be read: the file list shows the root.
    listFileSystem.blocked = tree + "/sub2";
    form->Result_Dir->setPath(tree + "/sub2");
    EXPECT_EQ(form->Result_Dir->Path(), tree + "/sub2");
    EXPECT_EQ(form->Result_File->Path(), "/");
    form->Result_Dir->setPath(tree + "/sub2");  // the same path again raises nothing

    const std::vector<Message>& shown = dialogs.messages;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text.rfind("Error in Result_Drive_Change.\r(Path= " + root +
                                  "/drive_b [test] , Drive= " + root +
                                  "/gone [test])\rError: Device unavailable (", 0), 0u);
    EXPECT_EQ(shown[1].text,
              "Error in Result_Dir_Change.\r(Path= " + tree + "/sub2)\rError: Permission denied");
    EXPECT_EQ(shown[0].title + "|" + shown[1].title, "Error updating field|Error updating field");
}

}  // namespace
}  // namespace tolvane::test
