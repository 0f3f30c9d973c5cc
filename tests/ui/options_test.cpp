// The check boxes, the Setup menu's prompts, the save dialog and the About box.
#include <QAction>
#include <QTest>

#include "form_fixture.h"
#include "wildcard.h"

namespace tolvane::test {
namespace {

using Strings = std::vector<std::string>;

class OptionsTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        open(tree);
    }
};

TEST_F(OptionsTest, TickingCommentWithABlankCommentPromptsInsideTheTick) {
    // A click: the prompt opens with the field already set; Cancel leaves the box ticked,
    // and ticking it again from code raises nothing. (A tick from code prompting inside
    // the set is proved at start-up.)
    bool fieldSetWhilePrompting = false;
    dialogs.whileShown = [&] { fieldSetWhilePrompting = form->AddComment; };
    form->FileComment = "   ";
    QTest::mouseClick(form->Comment_Check, Qt::LeftButton);
    form->Comment_Check->setValue(1);
    EXPECT_EQ(dialogs.inputDefaults, Strings{"   "});
    EXPECT_TRUE(fieldSetWhilePrompting);
    EXPECT_EQ(form->Comment_Check->Value(), 1);
    EXPECT_EQ(form->FileComment, "   ");
    form->Comment_Check->setValue(0);
    EXPECT_FALSE(form->AddComment);
}

TEST_F(OptionsTest, CommentFromTheMenuTicksTheBoxAndThenChangesOnlyTheText) {
    // Blanks are stored as entered; ticking the box then finds them blank and asks again.
    // Once ticked, only the text changes.
    dialogs.answers = {"  ", "second", " kept blanks "};
    form->Setup_Comment->trigger();
    EXPECT_EQ(form->FileComment, "second");
    EXPECT_TRUE(form->AddComment);
    form->Setup_Comment->trigger();
    EXPECT_EQ(dialogs.inputDefaults, (Strings{"", "  ", "second"}));
    EXPECT_EQ(form->FileComment, " kept blanks ");
}

TEST_F(OptionsTest, FilterPromptTicksTheBoxRefusesAPathAndRebuildsTheTip) {
    // The tip keeps up to the character after its first colon, a whole one however many
    // bytes it takes, then the pattern. A pattern that reaches into another folder is
    // refused with a message and changes nothing. (That ticking the box asks nothing is
    // proved by the navigation tests.)
    dialogs.answers = {"x:y", "../*", "", "a?c*"};
    form->Setup_Filter->trigger();
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: x:y");
    form->Filter_Check->setValue(0);
    EXPECT_FALSE(form->UseFileFilter);
    form->Setup_Filter->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Error in file filter: ../*\rError: " + std::string(kFileFilterRule));
    EXPECT_EQ(dialogs.messages[0].title, "File filter");
    EXPECT_EQ(dialogs.messages[0].style, Dialogs::kExclamation);
    EXPECT_EQ(form->FileFilter, "x:y");
    EXPECT_EQ(form->Filter_Check->Value(), 0);
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: x:y");
    form->Setup_Filter->trigger();  // Cancel
    form->Filter_Check->setToolTip(QString::fromUtf8("Suche:\xC3\xA4x"));
    form->Setup_Filter->trigger();
    EXPECT_EQ(dialogs.inputDefaults, (Strings{"", "x:y", "x:y", "x:y"}));
    EXPECT_EQ(form->FileFilter, "a?c*");
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Filter_Check->toolTip(), QString::fromUtf8("Suche:\xC3\xA4"
                                                               "a?c*"));
}

TEST_F(OptionsTest, SaveDialogProposesTheCurrentFileAndCancelOrAFailureChangesNothing) {
    const std::string chosen = root + "/out/list.txt";
    dialogs.answers = {chosen};
    form->Setup_Name->trigger();
    form->Setup_Name->trigger();  // Cancel
    ASSERT_EQ(dialogs.saves.size(), 2u);
    EXPECT_EQ(dialogs.saves[0].InitDir + "|" + dialogs.saves[0].FileName, ".|Tolvane.Txt");
    EXPECT_EQ(dialogs.saves[1].InitDir + "|" + dialogs.saves[1].FileName, root + "/out|list.txt");
    EXPECT_EQ(form->SaveFilename, chosen);
    const QString title = QString::fromStdString("Make directory contents file - (" + chosen + ")");
    EXPECT_EQ(form->windowTitle(), title);

    // A separator too far into the name for its 16-bit position: no dialog, no message.
    form->SaveFilename = std::string(40000, 'd') + "/list.txt";
    form->Setup_Name->trigger();
    EXPECT_EQ(dialogs.prompts(), 2u);
    EXPECT_EQ(form->windowTitle(), title);
}

TEST_F(OptionsTest, AboutBoxHasFiveLines) {
    form->Function_About->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "About Tolvane");
    EXPECT_EQ(dialogs.messages[0].style, Dialogs::kInformation);
    const std::string head = std::string("Palimor, Version ") + TOLVANE_VERSION_TEXT +
                             "\rWrite filenames in directory and subdirectories to file,"
                             "\rin <Tab> separated format.\r\rMade by Corvalin, ";
    EXPECT_EQ(dialogs.messages[0].text.rfind(head, 0), 0u);
    EXPECT_EQ(dialogs.messages[0].text.find_first_of("\r\n", head.size()), std::string::npos);
}

}  // namespace
}  // namespace tolvane::test
