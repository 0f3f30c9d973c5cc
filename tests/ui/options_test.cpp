// The check boxes, the Setup menu's prompts, the save dialog and the About box.
#include <QAction>
#include <QTest>

#include "form_fixture.h"

namespace tolvane::test {
namespace {

using Kind = DialogCall::Kind;

class OptionsTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        open(root + "/tree");
    }

    std::vector<DialogCall> inputs() const { return dialogs.ofKind(Kind::Input); }
};

TEST_F(OptionsTest, TickingCommentWithoutTextPromptsInsideTheSet) {
    // The prompt opens while setValue is still running, with the field already set.
    bool fieldSetWhilePrompting = false;
    dialogs.whileShown = [&](const DialogCall&) { fieldSetWhilePrompting = form->AddComment; };
    dialogs.inputAnswers = {"checked by hand"};
    form->Comment_Check->setValue(1);

    ASSERT_EQ(inputs().size(), 1u);
    EXPECT_TRUE(fieldSetWhilePrompting);
    EXPECT_EQ(inputs()[0].text, "Enter comment to add after each filename:");
    EXPECT_EQ(inputs()[0].title, "File comment");
    EXPECT_EQ(inputs()[0].defaultText, "");
    EXPECT_EQ(form->FileComment, "checked by hand");
    EXPECT_TRUE(form->AddComment);

    // Unticking and ticking again with a comment asks nothing; the same value raises nothing.
    form->Comment_Check->setValue(0);
    EXPECT_FALSE(form->AddComment);
    form->Comment_Check->setValue(1);
    form->Comment_Check->setValue(1);
    EXPECT_EQ(inputs().size(), 1u);
}

TEST_F(OptionsTest, CancellingTheCommentPromptLeavesTheBoxTicked) {
    form->FileComment = "   ";
    QTest::mouseClick(form->Comment_Check, Qt::LeftButton);
    EXPECT_EQ(inputs().size(), 1u);
    EXPECT_EQ(inputs()[0].defaultText, "   ");
    EXPECT_EQ(form->Comment_Check->Value(), 1);
    EXPECT_TRUE(form->AddComment);
    EXPECT_EQ(form->FileComment, "   ");
}

TEST_F(OptionsTest, CommentFromTheMenuTicksTheBox) {
    // Blanks are stored as entered; ticking the box then finds them blank and asks again.
    dialogs.inputAnswers = {"  ", "second"};
    form->Setup_Comment->trigger();
    EXPECT_EQ(inputs().size(), 2u);
    EXPECT_EQ(inputs()[1].defaultText, "  ");
    EXPECT_EQ(form->FileComment, "second");
    EXPECT_TRUE(form->AddComment);

    // Already ticked: only the text changes. Cancel changes nothing.
    dialogs.inputAnswers = {" kept blanks "};
    form->Setup_Comment->trigger();
    EXPECT_EQ(inputs().size(), 3u);
    EXPECT_EQ(form->FileComment, " kept blanks ");
    form->Setup_Comment->trigger();
    EXPECT_EQ(form->FileComment, " kept blanks ");
    EXPECT_EQ(form->Comment_Check->Value(), 1);
}

TEST_F(OptionsTest, FilterPromptTicksTheBoxAndRebuildsTheTip) {
    // Ticking the filter box asks nothing, even without a pattern.
    form->Filter_Check->setValue(1);
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_TRUE(dialogs.calls.empty());
    form->Filter_Check->setValue(0);
    EXPECT_FALSE(form->UseFileFilter);

    dialogs.inputAnswers = {"*.txt", "a?c*"};
    form->Setup_Filter->trigger();
    EXPECT_EQ(inputs()[0].text, "Enter filter to search out specific files:");
    EXPECT_EQ(inputs()[0].title, "File filter");
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: *.txt");
    form->Setup_Filter->trigger();
    EXPECT_EQ(inputs()[1].defaultText, "*.txt");
    EXPECT_EQ(form->FileFilter, "a?c*");
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: a?c*");

    form->Setup_Filter->trigger();  // Cancel
    EXPECT_EQ(form->FileFilter, "a?c*");
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: a?c*");

    // Recurse only mirrors its box.
    QTest::mouseClick(form->Recurse_Check, Qt::LeftButton);
    EXPECT_FALSE(form->RecurseSubdirectories);
}

TEST_F(OptionsTest, ToolTipRuleKeepsTheCharacterAfterTheFirstColon) {
    form->FileFilter = "*.c";
    form->Filter_Check->setToolTip("a:b:c");
    form->rebuildFilterToolTip();
    EXPECT_EQ(form->Filter_Check->toolTip(), "a:b*.c");
    form->Filter_Check->setToolTip("no colon");
    form->rebuildFilterToolTip();
    EXPECT_EQ(form->Filter_Check->toolTip(), "n*.c");
    form->Filter_Check->setToolTip("end:");
    form->rebuildFilterToolTip();
    EXPECT_EQ(form->Filter_Check->toolTip(), "end:*.c");
}

TEST_F(OptionsTest, SaveDialogProposesTheCurrentFileAndUpdatesTheTitle) {
    const std::string chosen = root + "/out/list.txt";
    dialogs.saveAnswers = {chosen};
    form->Setup_Name->trigger();

    const auto saves = dialogs.ofKind(Kind::Save);
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].save.DialogTitle, "Enter path & name of file to save filenames in:");
    EXPECT_EQ(saves[0].save.InitDir, ".");
    EXPECT_EQ(saves[0].save.FileName, "Tolvane.Txt");
    EXPECT_EQ(saves[0].save.Filter, "TXT file (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(saves[0].save.Flags, 2054);
    EXPECT_TRUE(form->Filename_Dialog.CancelError);
    EXPECT_EQ(form->SaveFilename, chosen);
    EXPECT_EQ(form->windowTitle().toStdString(), "Make directory contents file - (" + chosen + ")");

    // The next dialog starts from the chosen file; Cancel changes nothing.
    form->Setup_Name->trigger();
    ASSERT_EQ(dialogs.ofKind(Kind::Save).size(), 2u);
    EXPECT_EQ(dialogs.ofKind(Kind::Save)[1].save.InitDir, root + "/out");
    EXPECT_EQ(form->SaveFilename, chosen);
    EXPECT_EQ(form->windowTitle().toStdString(), "Make directory contents file - (" + chosen + ")");
    EXPECT_EQ(dialogs.ofKind(Kind::Message).size(), 0u);
}

TEST_F(OptionsTest, SaveDialogFailureEndsTheCommandSilently) {
    // A separator too far into the name for its 16-bit position: no dialog, no message.
    const std::string before = form->windowTitle().toStdString();
    form->SaveFilename = std::string(40000, 'd') + "/list.txt";
    form->Setup_Name->trigger();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(form->windowTitle().toStdString(), before);
}

TEST_F(OptionsTest, AboutBoxHasFiveLines) {
    form->Function_About->trigger();
    const auto messages = dialogs.ofKind(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "About Tolvane");
    EXPECT_EQ(messages[0].style, 64);
    const std::string& text = messages[0].text;
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\r', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::string("Palimor, Version ") + TOLVANE_VERSION_TEXT);
    EXPECT_EQ(lines[1], "Write filenames in directory and subdirectories to file,");
    EXPECT_EQ(lines[2], "in <Tab> separated format.");
    EXPECT_EQ(lines[3], "");
    EXPECT_NE(lines[4].find("Corvalin"), std::string::npos);
    EXPECT_NE(lines[4].find("20"), std::string::npos);
}

}  // namespace
}  // namespace tolvane::test
