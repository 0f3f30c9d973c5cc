// The drive, folder and file lists following one another, their recovery, and Enter or
// Space in each list.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "folder_path.h"
#include "form_fixture.h"

namespace tolvane::test {
namespace {

using Kind = DialogCall::Kind;

class NavigationTest : public FormTest {
protected:
    std::string tree() const { return root + "/tree"; }
    std::string driveB() const { return root + "/drive_b [test]"; }
    std::string gone() const { return root + "/gone [test]"; }
};

TEST_F(NavigationTest, FolderListShowsAncestorsThenSubfoldersAndTheFileListFollows) {
    open(tree());
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_EQ(form->Result_Dir->List(0), "/");
    EXPECT_EQ(form->Result_Dir->List(form->Result_Dir->ListIndex()), tree());
    EXPECT_EQ(form->Result_Dir->List(form->Result_Dir->ListCount() - 1), tree() + "/sub2");
    EXPECT_EQ(fileNames(), std::vector<std::string>{"top.txt"});

    // A new path from code fills the file list before the set returns; the same path
    // again raises nothing.
    form->Result_Dir->setPath(tree() + "/sub1/");
    EXPECT_EQ(form->Result_Dir->Path(), tree() + "/sub1");
    EXPECT_EQ(fileNames(), std::vector<std::string>{"one.txt"});
    form->Result_File->clear();
    form->Result_Dir->setPath(tree() + "/sub1");
    EXPECT_TRUE(fileNames().empty());

    // The file list shows every file: the pattern never narrows it.
    form->FileFilter = "*.none";
    form->UseFileFilter = true;
    form->Result_Dir->setPath(tree());
    EXPECT_EQ(fileNames(), std::vector<std::string>{"top.txt"});
    EXPECT_THROW(form->Result_Dir->setPath(root + "/missing"), RaisedError);
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(NavigationTest, EachDriveKeepsItsCurrentFolder) {
    open(tree());
    form->Result_Drive->setDrive(driveB());
    EXPECT_EQ(form->Result_Dir->Path(), root + "/drive_b");
    EXPECT_EQ(fileNames(), std::vector<std::string>{"b.txt"});
    form->Result_Dir->setPath(root + "/drive_b/inner");
    // Back on "/", the folder list returns to the folder it showed there.
    form->Result_Drive->setDrive("/");
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    form->Result_Drive->setDrive(root + "/drive_b/");
    EXPECT_EQ(form->Result_Dir->Path(), root + "/drive_b/inner");
}

TEST_F(NavigationTest, UnusableDriveIsReportedAndTheDefaultDriveTakesOver) {
    open(root + "/drive_b");
    ASSERT_EQ(form->Result_Drive->Drive(), driveB());
    // The user arrows down from drive_b to the drive that is gone.
    QTest::keyClick(form->Result_Drive, Qt::Key_Down);

    const auto messages = dialogs.ofKind(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Error updating field");
    EXPECT_EQ(messages[0].style, 48);
    const std::string expectedStart = "Error in Result_Drive_Change.\r(Path= " + driveB() +
                                      " , Drive= " + gone() + ")\rError: ";
    EXPECT_EQ(messages[0].text.substr(0, expectedStart.size()), expectedStart);
    EXPECT_GT(messages[0].text.size(), expectedStart.size());
    EXPECT_EQ(messages[0].text.find('\n'), std::string::npos);

    // The default drive is current and highlighted, the lists followed it.
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Drive->List(form->Result_Drive->ListIndex()), "/ [test]");
    EXPECT_EQ(form->Result_Dir->Path(), absoluteFolderPath("."));
    EXPECT_EQ(form->Result_File->Path(), form->Result_Dir->Path());
}

TEST_F(NavigationTest, UnreadableFolderIsReportedAndTheFileListShowsTheRoot) {
    open(tree());
    listFileSystem.blocked = tree() + "/sub2";
    form->Result_Dir->setPath(tree() + "/sub2");

    const auto messages = dialogs.ofKind(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Error updating field");
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].text,
              "Error in Result_Dir_Change.\r(Path= " + tree() + "/sub2)\rError: Permission denied");
    EXPECT_EQ(form->Result_Dir->Path(), tree() + "/sub2");
    EXPECT_EQ(form->Result_File->Path(), "/");
}

TEST_F(NavigationTest, FocusHandlersRecordTheLastList) {
    EXPECT_EQ(form->FocusedList, "");
    open(tree());
    // Shown, the window gives the first control in the tab order the focus.
    EXPECT_EQ(form->FocusedList, "Result_Drive");
    focus(form->Result_Dir);
    ASSERT_TRUE(form->Result_Dir->hasFocus()) << "the window did not become active";
    EXPECT_EQ(form->FocusedList, "Result_Dir");
    focus(form->Result_File);
    EXPECT_EQ(form->FocusedList, "Result_File");
    focus(form->Make_Button);
    EXPECT_EQ(form->FocusedList, "Result_File");
    focus(form->Result_Drive);
    EXPECT_EQ(form->FocusedList, "Result_Drive");
}

TEST_F(NavigationTest, EnterAndSpaceInTheFolderListOpenTheHighlightedFolder) {
    open(tree());
    focus(form->Result_Dir);
    form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub1"));
    QTest::keyClick(form->Result_Dir, Qt::Key_Return);
    EXPECT_EQ(form->Result_Dir->Path(), tree() + "/sub1");
    EXPECT_EQ(fileNames(), std::vector<std::string>{"one.txt"});

    form->Result_Dir->setCurrentRow(rowOf(tree()));
    QTest::keyClick(form->Result_Dir, Qt::Key_Space);
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_EQ(fileNames(), std::vector<std::string>{"top.txt"});

    // Other keys are the list's own business.
    form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub2"));
    QTest::keyClick(form->Result_Dir, Qt::Key_X);
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(NavigationTest, EnterAndSpaceInTheDriveListApplyTheHighlightedDrive) {
    open(tree());
    focus(form->Result_Drive);
    form->Result_Drive->setCurrentIndex(1);  // highlighted, not yet current
    ASSERT_EQ(form->Result_Drive->Drive(), "/ [test]");
    QTest::keyClick(form->Result_Drive, Qt::Key_Return);
    EXPECT_EQ(form->Result_Drive->Drive(), driveB());
    EXPECT_EQ(form->Result_Dir->Path(), root + "/drive_b");
    EXPECT_EQ(fileNames(), std::vector<std::string>{"b.txt"});

    form->Result_Drive->setCurrentIndex(0);
    QTest::keyClick(form->Result_Drive, Qt::Key_Space);
    form->Result_Drive->hidePopup();  // Space also opens the list's drop-down
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(NavigationTest, EnterChangesNothingUnlessAFolderOrDriveListWasLastFocused) {
    open(tree());
    // As before any list had the focus.
    form->FocusedList.clear();
    form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub1"));
    form->Result_Drive->setCurrentIndex(1);
    QTest::keyClick(form->Make_Button, Qt::Key_Return);
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Dir->Path(), tree());

    focus(form->Result_File);
    QTest::keyClick(form->Result_File, Qt::Key_Return);
    QTest::keyClick(form->Result_File, Qt::Key_Space);
    EXPECT_EQ(form->Result_Dir->Path(), tree());
    EXPECT_EQ(form->Progress_Label->text(), "");
}

TEST_F(NavigationTest, SpaceOnACheckBoxAfterTheFolderListDoesBoth) {
    open(tree());
    focus(form->Result_Dir);
    form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub2"));
    focus(form->Filter_Check);
    QTest::keyClick(form->Filter_Check, Qt::Key_Space);
    EXPECT_EQ(form->Filter_Check->Value(), 1);
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Result_Dir->Path(), tree() + "/sub2");
}

TEST_F(NavigationTest, KeyPressFailureGoesToTheLastResortAndTheWindowGoesOn) {
    open(tree());
    focus(form->Result_Dir);
    form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub1"));
    std::filesystem::remove_all(tree() + "/sub1");  // vanished since the list was filled
    QTest::keyClick(form->Result_Dir, Qt::Key_Return);
    const auto messages = dialogs.ofKind(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Tolvane");
    EXPECT_EQ(messages[0].text.rfind("Run-time error '76':\r", 0), 0u);
    EXPECT_EQ(form->Result_Dir->Path(), tree());
}

}  // namespace
}  // namespace tolvane::test
