// The drive, folder and file lists following one another, their recovery, and the keys
// that move among them.
#include <filesystem>

#include "folder_path.h"
#include "form_fixture.h"

namespace tolvane::test {
namespace {

using NavigationTest = FormTest;

TEST_F(NavigationTest, FolderListFollowsCodeAndEnterOrSpaceWhenItWasTheLastFocusedList) {
    open(tree);
    // The ancestors from the root, the folder itself highlighted, then its subfolders
    // indented one step further.
    EXPECT_EQ(form->Result_Dir.List(0), kDefaultPath);
    EXPECT_EQ(form->Result_Dir.List(form->Result_Dir.ListIndex()), tree);
    EXPECT_EQ(view.highlights[Control::Result_Dir], form->Result_Dir.ListIndex());
    const std::vector<ListRow>& rows = view.rows[Control::Result_Dir];
    const std::size_t depth = static_cast<std::size_t>(form->Result_Dir.ListIndex());
    EXPECT_EQ(rows[depth].text, std::string(2 * depth, ' ') + "tree");
    EXPECT_EQ(rows.back().text, std::string(2 * depth + 2, ' ') + "sub2");
    EXPECT_EQ(rows.back().tip, in("tree/sub2"));
    // A new path from code fills the file list before the set returns, with every file
    // whatever the pattern.
    form->FileFilter = "*.none";
    form->UseFileFilter = true;
    form->Result_Dir.setPath(in("tree/sub1/"));
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub1"));
    EXPECT_EQ(fileNames(), Names{"one.txt"});

    form->focusReceived(Control::Result_Dir);
    form->listPicked(Control::Result_Dir, rowOf(tree), false);
    press(13);
    EXPECT_EQ(fileNames(), Names{"top.txt"});
    form->listPicked(Control::Result_Dir, rowOf(in("tree/sub1")), false);
    press(32);
    form->listPicked(Control::Result_Dir, rowOf(tree), false);
    press('x');  // other keys are the list's own business
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub1"));
    // A double-click opens the folder at once.
    form->listPicked(Control::Result_Dir, rowOf(tree), true);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    // A check box leaves the folder list the last list: Space there does both, and
    // ticking the filter box asks nothing (no prompt below).
    form->Filter_Check.setValue(0);
    form->listPicked(Control::Result_Dir, rowOf(in("tree/sub2")), false);
    press(32);
    form->checkToggled(Control::Filter_Check, true);
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub2"));
    // After the file list, or before any list had the focus, Enter opens nothing.
    form->listPicked(Control::Result_Dir, rowOf(tree), false);
    form->focusReceived(Control::Result_File);
    press(13);
    form->FocusedList.clear();
    press(32);
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub2"));
    // The name is compared without regard to case.
    form->FocusedList = "result_dir";
    press(13);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(dialogs.prompts(), 0u);
}

TEST_F(NavigationTest, TypeAheadInTheFolderListMatchesNamesNotIndentation) {
    for (const char* name : {"tree/Quay", "tree/quest", "tree/Quire"}) {
        temp.folder(name);
    }
    open(tree);
    form->focusReceived(Control::Result_Dir);
    // Each key at its time in milliseconds, and the folder highlighted after it.
    const struct {
        const char* typed;
        std::uint32_t time;
        const char* highlighted;
    } keys[] = {
        {"q", 0, "Quay"},      // the next row whose name starts with it, case-blind
        {"U", 300, "Quay"},    // "qu" still fits the highlighted row
        {"i", 600, "Quire"},   // "qui"
        {"q", 2600, "Quay"},   // after a pause a new search, going round past the top
        {"q", 2700, "quest"},  // the same letter again steps on
        {"q", 2800, "Quire"},  // and on
        {"x", 2900, "Quire"},  // "qqqx" fits nothing: the highlight stays
    };
    for (const auto& key : keys) {
        form->listTyped(Control::Result_Dir, key.typed, key.time);
        const int row = rowOf(in(std::string("tree/") + key.highlighted));
        EXPECT_EQ(form->Result_Dir.ListIndex(), row) << key.typed << " at " << key.time;
        EXPECT_EQ(view.highlights[Control::Result_Dir], row) << key.typed << " at " << key.time;
    }
    // The highlight moved as by the arrow keys: nothing opened until Enter.
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    press(13);
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/Quire"));
}

TEST_F(NavigationTest, DriveListAppliesItsHighlightOnEnterOrSpaceAndRecoversFromFailures) {
    open(tree);
    form->focusReceived(Control::Result_Drive);
    EXPECT_EQ(form->FocusedList, "Result_Drive");
    // A new drive from code: the lists follow it, each drive keeping its current folder.
    form->Result_Drive.setDrive(in("drive_b") + " [test]");
    EXPECT_EQ(fileNames(), Names{"b.txt"});
    form->Result_Dir.setPath(in("drive_b/inner"));
    form->Result_Drive.setDrive(kDefaultDrive);  // by its root
    EXPECT_EQ(form->Result_Drive.Drive(), kSystemDrive);
    EXPECT_EQ(view.highlights[Control::Result_Drive], 0);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    // The user's pick; then Space puts the folder list back on the drive's current folder.
    form->listPicked(Control::Result_Drive, 1, true);
    EXPECT_EQ(form->Result_Dir.Path(), in("drive_b/inner"));
    form->Result_Dir.setPath(tree);
    press(32);
    EXPECT_EQ(form->Result_Dir.Path(), in("drive_b/inner"));
    form->Result_Drive.setDrive(in("drive_b/"));  // back, named by its root
    EXPECT_EQ(dialogs.prompts(), 0u);

    // The user picks the drive that is gone: the default drive is current and highlighted
    // again, and the lists followed it.
    form->listPicked(Control::Result_Drive, 2, true);
    EXPECT_EQ(form->Result_Drive.Drive(), kSystemDrive);
    EXPECT_EQ(form->Result_Drive.ListIndex(), 0);
    EXPECT_EQ(view.highlights[Control::Result_Drive], 0);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(fileNames(), Names{"top.txt"});
    // Again, now from the default drive: nothing changes drives, and the lists still show
    // its folder, not the root of whatever drive the process is on.
    form->listPicked(Control::Result_Drive, 2, true);
    EXPECT_EQ(form->Result_Drive.Drive(), kSystemDrive);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(fileNames(), Names{"top.txt"});
    // A folder whose files cannot be read: the file list shows the root.
    listFileSystem.blocked = in("tree/sub2");
    form->Result_Dir.setPath(in("tree/sub2"));
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub2"));
    EXPECT_EQ(form->Result_File.Path(), absoluteFolderPath(std::string(1, kPathSeparator)));
    form->Result_Dir.setPath(in("tree/sub2"));  // the same path again raises nothing

    const std::vector<Message>& shown = dialogs.messages;
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text.rfind("Error in Result_Drive_Change.\r(Path= " + in("drive_b") +
                                      " [test] , Drive= " + in("gone") +
                                      " [test])\rError: Device unavailable (",
                                  0),
              0u);
    EXPECT_EQ(shown[1].text.rfind("Error in Result_Drive_Change.\r(Path= " + kSystemDrive, 0), 0u);
    EXPECT_EQ(shown[2].text, "Error in Result_Dir_Change.\r(Path= " + in("tree/sub2") +
                                 ")\rError: Permission denied");
    EXPECT_EQ(shown[0].title + "|" + shown[2].title, "Error updating field|Error updating field");

    // The recovery's move of the file list to the root, on its own: the default drive's
    // folder is gone, so the drive stays as it is and only the file list moves.
    form->Result_Dir.setPath(in("tree/sub1"));
    form->Result_Drive.setDrive(in("drive_b") + " [test]");
    std::filesystem::remove_all(in("tree/sub1"));
    form->listPicked(Control::Result_Drive, 0, true);
    EXPECT_EQ(form->Result_File.Path(), absoluteFolderPath(std::string(1, kPathSeparator)));
    EXPECT_EQ(dialogs.messages.back().title, "Error updating field");
}

TEST_F(NavigationTest, FolderRemovedBehindTheWindowIsNamedOnceAndDropsOutOfTheList) {
    temp.folder("tree/later");
    open(tree);
    form->focusReceived(Control::Result_Dir);
    // By Enter, then by a double-click: each names the folder and leaves it out of the list.
    for (const char* name : {"later", "sub1"}) {
        const std::string gone = in(std::string("tree/") + name);
        form->listPicked(Control::Result_Dir, rowOf(gone), false);
        std::filesystem::remove_all(gone);
        if (name == std::string("later")) {
            press(13);
        } else {
            form->listPicked(Control::Result_Dir, rowOf(gone), true);
        }
        ASSERT_FALSE(dialogs.messages.empty());
        const std::string& text = dialogs.messages.back().text;
        EXPECT_NE(text.find("Source: Result_Dir\r"), std::string::npos) << text;
        EXPECT_NE(text.find(gone), std::string::npos) << text;
        // The system's words, without a full stop before the name, and a folder is no file.
        EXPECT_EQ(text.find(".:"), std::string::npos) << text;
        EXPECT_EQ(text.find("ile not found"), std::string::npos) << text;
        EXPECT_EQ(rowOf(gone), -1);
        EXPECT_EQ(form->Result_Dir.List(form->Result_Dir.ListIndex()), tree);
        press(13);  // opens the highlighted folder, the one shown, without a new failure
        EXPECT_EQ(form->Result_Dir.Path(), tree);
    }
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

}  // namespace
}  // namespace tolvane::test
