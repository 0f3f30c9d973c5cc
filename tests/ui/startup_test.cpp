// Start-up from the stored settings, storing them at Exit and at the user's close, and
// the last-resort handling of failures no procedure traps. (That the program really ends
// at once is proved in separate processes: program_end_test.cpp.)
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <sstream>

#include "form_fixture.h"
#include "output_file_table.h"

namespace tolvane::test {
namespace {

using Kind = DialogCall::Kind;

constexpr char kDesignedTitle[] = "Make directory contents file";

class StartupTest : public FormTest {
protected:
    std::string tree() const { return root + "/tree"; }

    std::vector<DialogCall> messages() const { return dialogs.ofKind(Kind::Message); }

    // A close as the window system delivers it: the close button, the window menu, Alt+F4.
    void closeByUser() {
        QCloseEvent event;
        QSpontaneKeyEvent::setSpontaneous(&event);
        static_cast<QObject*>(form.get())->event(&event);
    }

    std::string title() const { return form->windowTitle().toStdString(); }
};

TEST_F(StartupTest, FirstStartCreatesTheKeyShowsTheDefaultsAndWritesNothing) {
    form->loadEvent();

    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(title(), std::string(kDesignedTitle) + " - (./Tolvane.Txt)");
    EXPECT_EQ(form->Result_Drive->Drive(), "/ [test]");
    EXPECT_EQ(form->Result_Dir->Path(), "/");
    EXPECT_EQ(form->Recurse_Check->Value(), 1);
    EXPECT_EQ(form->Comment_Check->Value(), 0);
    EXPECT_EQ(form->Filter_Check->Value(), 0);
    EXPECT_TRUE(form->RecurseSubdirectories);
    EXPECT_FALSE(form->AddComment || form->UseFileFilter || form->Running || form->StopRequested);
    // The key was closed again, and it exists with no value in it.
    EXPECT_TRUE(form->Registry->CurrentKey().empty());
    CRegistry registry(*store);
    registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(registry.NumOfValues(), 0);
}

TEST_F(StartupTest, ExitStoresTheNineValuesAndTheNextStartShowsThem) {
    form->loadEvent();
    dialogs.inputAnswers = {"kept note", "*.txt"};
    form->Setup_Comment->trigger();
    form->Setup_Filter->trigger();
    form->Recurse_Check->setValue(0);
    dialogs.saveAnswers = {root + "/out.txt"};
    form->Setup_Name->trigger();
    form->Result_Drive->setDrive(root + "/drive_b [test]");
    form->Result_Dir->setPath(root + "/drive_b/inner");
    EXPECT_FALSE(storedValue("Add Comment"));  // nothing is written before Exit

    form->Function_Exit->trigger();
    EXPECT_EQ(programEnds, 1);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Add Comment", "True"},
        {"File Comment", "kept note"},
        {"File Filter", "*.txt"},
        {"Last Drive", root + "/drive_b [test]"},
        {"Last Path", root + "/drive_b/inner"},
        {"Recurse Subdirectories", "False"},
        {"Save Filename", root + "/out.txt"},
        {"Use File Filter", "True"},
        {"Version", TOLVANE_VERSION_TEXT},
    };
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(storedValue(name), text) << name;
    }
    EXPECT_TRUE(form->Registry->CurrentKey().empty());

    // A second start, a new window on the same store.
    form = newForm();
    dialogs.calls.clear();
    form->loadEvent();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(form->FileComment, "kept note");
    EXPECT_TRUE(form->AddComment);
    EXPECT_EQ(form->Comment_Check->Value(), 1);
    EXPECT_EQ(form->FileFilter, "*.txt");
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(form->Filter_Check->Value(), 1);
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: *.txt");
    EXPECT_FALSE(form->RecurseSubdirectories);
    EXPECT_EQ(form->Recurse_Check->Value(), 0);
    EXPECT_EQ(title(), std::string(kDesignedTitle) + " - (" + root + "/out.txt)");
    EXPECT_EQ(form->Result_Drive->Drive(), root + "/drive_b [test]");
    EXPECT_EQ(form->Result_Dir->Path(), root + "/drive_b/inner");
}

TEST_F(StartupTest, StoredDriveThatIsGoneIsReportedOnceAndTheWindowGoesOn) {
    storeSettings({{"Last Drive", root + "/gone [test]"}, {"Last Path", tree()}});
    std::string pathShown;
    std::string driveShown;
    dialogs.whileShown = [&](const DialogCall&) {
        pathShown = form->Result_Dir->Path();
        driveShown = form->Result_Drive->Drive();
    };
    form->loadEvent();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].title, "Error setting field");
    EXPECT_EQ(messages()[0].style, 48);
    EXPECT_EQ(driveShown, "/ [test]");
    EXPECT_FALSE(pathShown.empty());
    EXPECT_EQ(messages()[0].text.rfind("Error in Form_Load.\r(Path= " + pathShown +
                                           " , Drive= / [test])\rError: Device unavailable",
                                       0),
              0u);
    // The stored folder was not applied, and the key stays open until shutdown.
    EXPECT_EQ(form->Result_Dir->Path(), pathShown);
    EXPECT_EQ(form->Registry->CurrentKey(), kSettingsKey);

    // The window works; Exit reopens the key and replaces the bad drive and folder.
    form->Result_Dir->setPath(tree());
    form->Function_Exit->trigger();
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(storedValue("Last Drive"), "/ [test]");
    EXPECT_EQ(storedValue("Last Path"), tree());
}

TEST_F(StartupTest, StoredFolderThatIsGoneIsReportedAfterItsDriveWasApplied) {
    storeSettings({{"Last Drive", root + "/drive_b [test]"},
                   {"Last Path", root + "/drive_b/vanished"}});
    form->loadEvent();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].title, "Error setting field");
    EXPECT_EQ(messages()[0].text.rfind("Error in Form_Load.\r(Path= " + root +
                                           "/drive_b , Drive= " + root +
                                           "/drive_b [test])\rError: ",
                                       0),
              0u);
    EXPECT_EQ(fileNames(), std::vector<std::string>{"b.txt"});
}

TEST_F(StartupTest, AddCommentWithABlankCommentPromptsBeforeTheTitleIsSet) {
    storeSettings({{"Add Comment", " true "}, {"File Comment", "  "}});
    std::string titleWhilePrompting;
    bool visibleWhilePrompting = false;
    dialogs.whileShown = [&](const DialogCall&) {
        titleWhilePrompting = title();
        visibleWhilePrompting = form->isVisible();
    };
    dialogs.inputAnswers = {"typed at start"};
    form->loadEvent();

    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::Input);
    EXPECT_EQ(dialogs.calls[0].title, "File comment");
    EXPECT_TRUE(visibleWhilePrompting);
    EXPECT_EQ(titleWhilePrompting, kDesignedTitle);
    EXPECT_EQ(form->FileComment, "typed at start");
    EXPECT_TRUE(form->AddComment);
    EXPECT_EQ(title(), std::string(kDesignedTitle) + " - (./Tolvane.Txt)");
}

TEST_F(StartupTest, UnwritableStoreStopsStartUpAfterTheFirstShowingAndExitStillEnds) {
    writeFile("config-file");  // a regular file where the store's folder would be
    form.reset();
    store = std::make_unique<SqliteRegistryStore>(root + "/config-file/registry.sqlite3");
    form = newForm();
    form->loadEvent();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].title, "Tolvane");
    EXPECT_EQ(messages()[0].text.rfind("Run-time error '-2147221502':\rSource: CRegistry:OpenKey\r"
                                       "Error: ",
                                       0),
              0u);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(title(), kDesignedTitle);  // stopped before any setting was applied
    EXPECT_EQ(programEnds, 0);

    // The user can still leave: the failed save is shown, then the program ends.
    closeByUser();
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_NE(messages()[1].text.find("Source: CRegistry:OpenKey\r"), std::string::npos);
    EXPECT_NE(messages()[1].text.find("The program ends now."), std::string::npos);
    EXPECT_EQ(programEnds, 1);
}

TEST_F(StartupTest, OnlyTheUsersCloseStoresTheSettings) {
    open(tree());
    form->Filter_Check->setValue(1);

    // A close for another cause: from program code, or the session ending.
    std::int16_t cancel = 0;
    form->Form_QueryUnload(cancel, Main_Form::kCloseBySessionEnd);
    form->close();
    EXPECT_EQ(cancel, 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(storedValue("Use File Filter"));
    EXPECT_EQ(programEnds, 0);

    // The user's close stores the settings and ends the program, even during a run.
    form->show();
    form->SaveFilename = root + "/listing.txt";
    QMetaObject::invokeMethod(form.get(), [this] { closeByUser(); }, Qt::QueuedConnection);
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(storedValue("Use File Filter"), "True");
    EXPECT_EQ(storedValue("Last Path"), tree());
}

TEST_F(StartupTest, UntrappedFailureDuringARunEndsTheRunSoundly) {
    open(tree());
    form->SaveFilename = root + "/listing.txt";
    // At the run's first yield the user presses Enter with a folder highlighted that has
    // vanished: Form_KeyPress fails and nothing traps it.
    QMetaObject::invokeMethod(
        form.get(),
        [this] {
            form->FocusedList = "Result_Dir";
            form->Result_Dir->setCurrentRow(rowOf(tree() + "/sub1"));
            std::filesystem::remove_all(tree() + "/sub1");
            QTest::keyClick(form->Make_Button, Qt::Key_Return);
        },
        Qt::QueuedConnection);
    QTest::mouseClick(form->Make_Button, Qt::LeftButton);

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].title, "Tolvane");
    EXPECT_NE(messages()[0].text.find("Source: "), std::string::npos);
    EXPECT_EQ(form->Progress_Label->text(), "Aborted");
    EXPECT_FALSE(form->Running || form->StopRequested);
    EXPECT_EQ(form->Make_Button->text(), "&Make List");
    EXPECT_TRUE(form->Result_Dir->isEnabled() && form->Comment_Check->isEnabled());
    EXPECT_FALSE(OutputFileTable::instance().isOpen(1));
    std::ifstream file(root + "/listing.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str().substr(0, 9), "Filename\t");
    EXPECT_NE(text.str().find("\r\ntop.txt\t"), std::string::npos);
    EXPECT_EQ(text.str().substr(text.str().size() - 2), "\r\n");
}

}  // namespace
}  // namespace tolvane::test
