// Start-up from the stored settings, storing them at Exit and at the user's close, the
// last-resort handling of failures no procedure traps, and the program ending at once.
#include <sqlite3.h>
#include <sys/wait.h>

#include <QtTest/qtestspontaneevent.h>
#include <QAction>
#include <QCloseEvent>

#include "folder_path.h"
#include "form_fixture.h"

namespace tolvane::test {
namespace {

using Strings = std::vector<std::string>;
const std::string kDesignedTitle = "Make directory contents file";

class StartupTest : public FormTest {
  protected:
    // What the window shows of the settings: comment, filter, the three fields and the
    // three boxes (Comment, Filter, Recurse), the filter's tip, the title, drive, folder.
    Strings shown() const {
        const Main_Form& f = *form;
        const auto digits = [](auto... values) { return (std::to_string(values) + ...); };
        return {f.FileComment,
                f.FileFilter,
                digits(f.AddComment, f.UseFileFilter, f.RecurseSubdirectories),
                digits(f.Comment_Check->Value(), f.Filter_Check->Value(), f.Recurse_Check->Value()),
                f.Filter_Check->toolTip().toStdString(),
                f.windowTitle().toStdString(),
                f.Result_Drive->Drive(),
                f.Result_Dir->Path()};
    }
};

TEST_F(StartupTest, FirstStartShowsTheDefaultsAndACloseByCodeStoresNothing) {
    form->loadEvent();
    EXPECT_EQ(dialogs.prompts(), 0u);
    // The title rule: the designed caption, then the file name in brackets.
    EXPECT_EQ(shown(), (Strings{"", "", "001", "001", "Search specific files: ",
                                kDesignedTitle + " - (./Tolvane.Txt)", "/ [test]", "/"}));
    EXPECT_TRUE(form->Registry->CurrentKey().empty());  // the key was closed again
    form->close();                                      // from program code: not the user's close
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(storedCount(), 0);
}

TEST_F(StartupTest, ExitStoresTheNineValuesAndTheNextStartShowsThem) {
    form->loadEvent();
    dialogs.answers = {"kept note", "*.txt", root + "/out.txt"};
    form->Setup_Comment->trigger();
    form->Setup_Filter->trigger();
    form->Setup_Name->trigger();
    form->Recurse_Check->setValue(0);
    form->Result_Drive->setDrive(root + "/drive_b [test]");
    form->Result_Dir->setPath(root + "/drive_b/inner");
    EXPECT_EQ(storedCount(), 0);  // nothing is written before Exit

    form->Function_Exit->trigger();
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(storedCount(), 9);
    EXPECT_EQ(storedValue("Version"), TOLVANE_VERSION_TEXT);
    // A second start, a new window on the same store, shows the other eight.
    form = newForm();
    form->loadEvent();
    EXPECT_EQ(dialogs.prompts(), 3u);  // only the three above
    EXPECT_EQ(shown(), (Strings{"kept note", "*.txt", "110", "110", "Search specific files: *.txt",
                                kDesignedTitle + " - (" + root + "/out.txt)",
                                root + "/drive_b [test]", root + "/drive_b/inner"}));
}

TEST_F(StartupTest, StoredDriveOrFolderThatIsGoneIsReportedOnceAndExitReplacesIt) {
    const std::pair<Strings, std::string> cases[] = {
        // The drive fails: the lists keep the default drive's folder.
        {{root + "/gone [test]", tree},
         "(Path= " + absoluteFolderPath(".") + " , Drive= / [test])\rError: Device unavailable"},
        // The folder fails after its drive was applied.
        {{root + "/drive_b [test]", root + "/drive_b/vanished"},
         "(Path= " + root + "/drive_b , Drive= " + root + "/drive_b [test])\rError: "},
    };
    for (const auto& [stored, reported] : cases) {
        storeSettings({{"Last Drive", stored[0]}, {"Last Path", stored[1]}});
        dialogs.messages.clear();
        form = newForm();
        form->loadEvent();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Error setting field");
        EXPECT_EQ(dialogs.messages[0].text.rfind("Error in Form_Load.\r" + reported, 0), 0u);
        // Exit, through the key start-up left open, stores the folder shown instead.
        form->Function_Exit->trigger();
        EXPECT_EQ(storedValue("Last Path"), form->Result_Dir->Path());
    }
}

TEST_F(StartupTest, AddCommentWithABlankCommentPromptsBeforeTheTitleIsSet) {
    storeSettings({{"Add Comment", " true "}, {"File Comment", "  "}});
    Strings whilePrompting;
    dialogs.whileShown = [&] {
        whilePrompting = {form->windowTitle().toStdString(), form->isVisible() ? "shown" : ""};
    };
    dialogs.answers = {"typed at start"};
    form->loadEvent();
    EXPECT_EQ(dialogs.inputDefaults, Strings{"  "});
    EXPECT_EQ(dialogs.prompts(), 1u);
    EXPECT_EQ(whilePrompting, (Strings{kDesignedTitle, "shown"}));
    EXPECT_EQ(form->FileComment, "typed at start");
    EXPECT_EQ(shown()[5], kDesignedTitle + " - (./Tolvane.Txt)");
}

TEST_F(StartupTest, UnwritableStoreStopsStartUpAfterTheFirstShowingAndCloseStillEnds) {
    temp.file("config-file");  // a file where the store's folder would be
    form.reset();
    store = std::make_unique<SqliteRegistryStore>(root + "/config-file/registry.sqlite3");
    form = newForm();
    form->loadEvent();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Tolvane");
    const std::string failure = "Run-time error '-2147221502':\rSource: CRegistry:OpenKey\r";
    EXPECT_EQ(dialogs.messages[0].text.rfind(failure + "Error: ", 0), 0u);
    EXPECT_EQ(form->windowTitle().toStdString(), kDesignedTitle);  // no setting was applied

    // A close as the window system delivers it (close button, window menu, Alt+F4) tries
    // to store the settings: the failed save is shown, then the program ends.
    EXPECT_EQ(programEnds, 0);
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    static_cast<QObject*>(form.get())->event(&close);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text.rfind(failure, 0), 0u);
    EXPECT_NE(dialogs.messages[1].text.find("\rNot every setting could be stored."),
              std::string::npos);
    EXPECT_EQ(programEnds, 1);
}

TEST_F(StartupTest, AStoreAnotherProgramHoldsDuringStartUpIsReportedAndExitKeepsItsValues) {
    const std::string file = root + "/config/registry.sqlite3";
    storeSettings({{"Add Comment", "True"}, {"File Filter", "*.bak"}});
    form.reset();
    store = std::make_unique<SqliteRegistryStore>(file, std::chrono::milliseconds(20));
    form = newForm();
    sqlite3* other = nullptr;  // another program, which takes the store at the comment prompt
    dialogs.whileShown = [&] {
        if (other == nullptr) {
            sqlite3_open(file.c_str(), &other);
            sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        }
    };
    dialogs.answers = {"typed at start"};
    form->loadEvent();
    sqlite3_close(other);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Run-time error '-2147221502':\rSource: CRegistry:ReadValue\r"
              "Error: Failed to read value File Filter from Registry.");
    form->Function_Exit->trigger();
    EXPECT_EQ(storedValue("File Comment"), "typed at start");  // read, then changed
    EXPECT_EQ(storedValue("File Filter"), "*.bak");
    EXPECT_EQ(storedValue("Recurse Subdirectories"), std::nullopt);
}

// Seen from outside: the window in a child process (ui_program_child) gets Exit at the
// first yield of a run, and the test looks at its exit status, its output, its listing and
// its store. When the disk takes none of the listing, the failure is shown before the end.
TEST_F(StartupTest, ExitDuringARunEndsAtOnceWithTheListingClosedOrItsFailureShown) {
    for (const std::string mode : {"", "full"}) {
        const std::string command = std::string("'") + UI_PROGRAM_CHILD + "' '" + root + "' " +
                                    mode + " > '" + root + "/child.out'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        const std::string listing = readFile(root + "/listing.txt");
        if (mode == "full") {
            EXPECT_EQ(readFile(root + "/child.out"),
                      "prompt Error in Make_Button_Click: Error writing file: " + root +
                          "/listing.txt\rError: No space left on device\n");
            EXPECT_EQ(listing, "");  // not even half a line
            continue;
        }
        EXPECT_EQ(readFile(root + "/child.out"), "");  // no prompt was shown
        // The folder's own file, its line complete although it was still in the output
        // buffer when Exit came, is the last: no subfolder was entered.
        const std::size_t topLine = listing.find("\r\ntop.txt\t");
        ASSERT_NE(topLine, std::string::npos);
        EXPECT_EQ(listing.find("\r\n", topLine + 2), listing.size() - 2);
        EXPECT_EQ(storedValue("Last Path"), tree);
    }
}

}  // namespace
}  // namespace tolvane::test
