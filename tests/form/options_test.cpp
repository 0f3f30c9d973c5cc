// The check boxes, the Setup menu's prompts and the save dialog.
#include "form_fixture.h"
#include "wildcard.h"

namespace tolvane::test {
namespace {

class OptionsTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        open(tree);
    }
};

TEST_F(OptionsTest, ABlankCommentIsAskedForInsideTheTickAndTheMenuThenChangesOnlyTheText) {
    // A click: the prompt opens with the field and the box already set; Cancel leaves the
    // box ticked, and ticking it again from code raises nothing.
    bool setWhilePrompting = false;
    dialogs.whileShown = [&] {
        setWhilePrompting = form->AddComment && view.checks[Control::Comment_Check];
    };
    form->FileComment = "   ";
    form->checkToggled(Control::Comment_Check, true);
    form->Comment_Check.setValue(1);
    EXPECT_TRUE(setWhilePrompting);
    EXPECT_EQ(form->Comment_Check.Value(), 1);
    EXPECT_EQ(form->FileComment, "   ");
    form->checkToggled(Control::Comment_Check, false);
    EXPECT_FALSE(form->AddComment || view.checks[Control::Comment_Check]);
    // From the menu blanks are stored as entered; ticking the box then finds them blank and
    // asks again. Once ticked, only the text changes.
    dialogs.answers = {"  ", "second", " kept blanks "};
    form->click(Control::Setup_Comment);
    EXPECT_EQ(form->FileComment, "second");
    EXPECT_TRUE(form->AddComment);
    form->click(Control::Setup_Comment);
    EXPECT_EQ(dialogs.inputDefaults, (Names{"   ", "   ", "  ", "second"}));
    EXPECT_EQ(form->FileComment, " kept blanks ");
}

TEST_F(OptionsTest, FilterPromptTicksTheBoxRefusesAPathAndRebuildsTheTip) {
    // The tip keeps up to the character after its first colon, then the pattern (the rule's
    // cases are in StoredTextTest). A pattern that reaches into another folder is refused
    // with a message and changes nothing. Ticking the box by hand asks nothing.
    form->checkToggled(Control::Filter_Check, true);
    form->checkToggled(Control::Filter_Check, false);
    // A colon in the pattern must not move the cut; Windows names take no colon.
#ifdef _WIN32
    const std::string first = "x;y";
#else
    const std::string first = "x:y";
#endif
    dialogs.answers = {first, "../*", "", "a?c*"};
    form->click(Control::Setup_Filter);
    EXPECT_TRUE(form->UseFileFilter && view.checks[Control::Filter_Check]);
    EXPECT_EQ(view.tips[Control::Filter_Check], "Search specific files: " + first);
    form->Filter_Check.setValue(0);
    EXPECT_FALSE(form->UseFileFilter);
    form->click(Control::Setup_Filter);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Error in file filter: ../*\rError: " + std::string(kFileFilterRule));
    EXPECT_EQ(dialogs.messages[0].title, "File filter");
    EXPECT_EQ(dialogs.messages[0].style, Dialogs::kExclamation);
    EXPECT_EQ(form->FileFilter, first);
    EXPECT_EQ(form->Filter_Check.Value(), 0);
    EXPECT_EQ(view.tips[Control::Filter_Check], "Search specific files: " + first);
    form->click(Control::Setup_Filter);  // Cancel
    form->click(Control::Setup_Filter);
    EXPECT_EQ(dialogs.inputDefaults, (Names{"", first, first, first}));
    EXPECT_EQ(form->FileFilter, "a?c*");
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(view.tips[Control::Filter_Check], "Search specific files: a?c*");
}

TEST_F(OptionsTest, SaveDialogProposesTheCurrentFileAndCancelOrAFailureChangesNothing) {
    const std::string chosen = in("out/list.XLSX");
    dialogs.answers = {chosen};
    form->click(Control::Setup_Name);
    form->click(Control::Setup_Name);  // Cancel
    ASSERT_EQ(dialogs.saves.size(), 2u);
    EXPECT_EQ(dialogs.saves[0].InitDir + "|" + dialogs.saves[0].FileName, ".|Tolvane.Txt");
    EXPECT_EQ(dialogs.saves[0].DialogTitle, "Enter path & name of file to save filenames in:");
    EXPECT_EQ(dialogs.saves[0].Filter,
              "TXT file (*.txt)|*.txt|Spreadsheet (*.xlsx)|*.xlsx|All files (*.*)|*.*");
    EXPECT_EQ(dialogs.saves[0].Flags, 0x806);
    EXPECT_EQ(dialogs.saves[1].InitDir + "|" + dialogs.saves[1].FileName, in("out") + "|list.XLSX");
    // The entry of the current file's kind comes first.
    EXPECT_EQ(dialogs.saves[0].FilterIndex * 10 + dialogs.saves[1].FilterIndex, 12);
    EXPECT_EQ(form->SaveFilename, chosen);
    const std::string title = "Make directory contents file - (" + chosen + ")";
    EXPECT_EQ(view.title, title);

    // A separator too far into the name for its 16-bit position: no dialog, no message.
    form->SaveFilename = std::string(40000, 'd') + kPathSeparator + "list.txt";
    form->click(Control::Setup_Name);
    EXPECT_EQ(dialogs.prompts(), 2u);
    EXPECT_EQ(view.title, title);
}

}  // namespace
}  // namespace tolvane::test
