// Start-up from the stored settings, storing them at Exit and at the user's close, the
// last-resort handling of failures no procedure traps, and the program ending at once.
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "output_file_table.h"
#include "support/test_support.h"
#endif

#include "folder_path.h"
#include "form_fixture.h"
#include "version.h"

namespace tolvane::test {
namespace {

const std::string kDesignedTitle = "Make directory contents file";

class StartupTest : public FormTest {
  protected:
    // What the window shows of the settings: comment, filter, the three fields and the
    // three boxes (Comment, Filter, Recurse), the filter's tip, the title, drive, folder.
    Names shown() {
        const Main_Form& f = *form;
        const auto digits = [](auto... values) { return (std::to_string(values) + ...); };
        return {f.FileComment,
                f.FileFilter,
                digits(f.AddComment, f.UseFileFilter, f.RecurseSubdirectories),
                digits(view.checks[Control::Comment_Check], view.checks[Control::Filter_Check],
                       view.checks[Control::Recurse_Check]),
                f.Filter_Check.ToolTipText(),
                view.title,
                f.Result_Drive.Drive(),
                f.Result_Dir.Path()};
    }
};

TEST_F(StartupTest, FirstStartShowsTheDefaultsAndACloseByCodeStoresNothing) {
    form->load();
    EXPECT_EQ(dialogs.prompts(), 0u);
    // The title rule: the designed caption, then the file name in brackets.
    EXPECT_EQ(shown(), (Names{"", "", "001", "001", "Search specific files: ",
                              kDesignedTitle + " - (" + kDefaultSaveFilename + ")", kSystemDrive,
                              kDefaultPath}));
    EXPECT_EQ(view.shows, 2);
    EXPECT_EQ(view.yields, 1);
    EXPECT_TRUE(form->Registry->CurrentKey().empty());  // the key was closed again
    EXPECT_TRUE(form->closeRequested(Main_Form::kCloseByCode));
    EXPECT_TRUE(form->closeRequested(Main_Form::kCloseBySessionEnd));
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(settings().NumOfValues(), 0);
}

TEST_F(StartupTest, ExitStoresTheNineValuesAndTheNextStartShowsThem) {
    form->load();
    dialogs.answers = {"kept note", "*.txt", in("out.txt")};
    form->click(Control::Setup_Comment);
    form->click(Control::Setup_Filter);
    form->click(Control::Setup_Name);
    form->checkToggled(Control::Recurse_Check, false);
    form->Result_Drive.setDrive(in("drive_b") + " [test]");
    form->Result_Dir.setPath(in("drive_b/inner"));
    EXPECT_EQ(settings().NumOfValues(), 0);  // nothing is written before Exit

    form->click(Control::Function_Exit);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(settings().NumOfValues(), 9);
    EXPECT_EQ(settings().ReadValue("Version"), kVersionText);
    // A second start shows the other eight. The user's close stores them again: a try that
    // fails at the last value stores none where the store can (not Windows); Retry all nine.
    form = newForm();
    form->load();
    EXPECT_EQ(dialogs.prompts(), 3u);  // only the three above
    EXPECT_EQ(shown(), (Names{"kept note", "*.txt", "110", "110", "Search specific files: *.txt",
                              kDesignedTitle + " - (" + in("out.txt") + ")",
                              in("drive_b") + " [test]", in("drive_b/inner")}));
    form->FileComment = "changed";
    store.failSetOf = "Version";
    dialogs.answers = {"Retry"};
    std::optional<std::string> commentAfterFailure;
    dialogs.whileShown = [&] {
        commentAfterFailure = settings().ReadValue("File Comment");
        store.failSetOf.clear();
    };
    store.written.clear();
    EXPECT_TRUE(form->closeRequested(Main_Form::kCloseByUser));
    EXPECT_EQ(programEnds, 2);
#ifndef _WIN32
    EXPECT_EQ(commentAfterFailure, "kept note");
#endif
    EXPECT_EQ(settings().ReadValue("File Comment"), "changed");
    EXPECT_EQ(store.written.size(), 18u);
}

TEST_F(StartupTest, StoredDriveOrFolderThatIsGoneIsReportedOnceAndExitReplacesIt) {
    // The default drive's current folder: the working folder when it is on that drive.
    const std::string working = absoluteFolderPath(".");
    const std::string defaultFolder =
        isInsideFolder(working, kDefaultDrive) ? working : kDefaultPath;
    const std::pair<Names, std::string> cases[] = {
        // The drive fails: the lists keep the default drive's folder.
        {{in("gone") + " [test]", tree},
         "(Path= " + defaultFolder + " , Drive= " + kSystemDrive + ")\rError: Device unavailable"},
        // The folder fails after its drive was applied.
        {{in("drive_b") + " [test]", in("drive_b/vanished")},
         "(Path= " + in("drive_b") + " , Drive= " + in("drive_b") + " [test])\rError: "},
    };
    for (const auto& [stored, reported] : cases) {
        storeSettings({{"Last Drive", stored[0]}, {"Last Path", stored[1]}});
        dialogs.messages.clear();
        form = newForm();
        form->load();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Error setting field");
        EXPECT_EQ(dialogs.messages[0].text.rfind("Error in Form_Load.\r" + reported, 0), 0u);
        EXPECT_EQ(view.shows, 1);  // the second showing is skipped
        // Exit, through the key start-up left open, stores the folder shown instead.
        form->click(Control::Function_Exit);
        EXPECT_EQ(settings().ReadValue("Last Path"), form->Result_Dir.Path());
    }
}

TEST_F(StartupTest, AddCommentWithABlankCommentPromptsBeforeTheTitleIsSet) {
    storeSettings({{"Add Comment", " true "}, {"File Comment", "  "}});
    Names whilePrompting;
    dialogs.whileShown = [&] { whilePrompting = {view.title, std::to_string(view.shows)}; };
    dialogs.answers = {"typed at start"};
    form->load();
    EXPECT_EQ(dialogs.inputDefaults, Names{"  "});
    EXPECT_EQ(dialogs.prompts(), 1u);
    EXPECT_EQ(whilePrompting, (Names{kDesignedTitle, "1"}));
    EXPECT_EQ(form->FileComment, "typed at start");
    EXPECT_EQ(shown()[5], kDesignedTitle + " - (" + kDefaultSaveFilename + ")");
}

// A store that cannot be used at start leaves every default, the listing file among them,
// and the title names it. At the user's close the busy cursor shows the wait for the
// store; each failed save offers Retry, which tries again, or Cancel, which leaves without
// storing.
TEST_F(StartupTest, AStoreThatCannotBeUsedLeavesTheDefaultsAndExitOffersRetryOrLeave) {
    store.refuseKeys = true;
    form->load();
    const std::string failure = "Run-time error '-2147221502':\rSource: CRegistry:OpenKey\r";
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title + dialogs.messages[0].text.substr(0, failure.size()),
              "Tolvane" + failure);
    const Names defaults = shown();
    EXPECT_EQ(Names(defaults.begin(), defaults.begin() + 7),
              (Names{"", "", "001", "001", "Search specific files: ",
                     kDesignedTitle + " - (" + kDefaultSaveFilename + ")", kSystemDrive}));

    std::vector<bool> busy;  // at each open of the key, then at each box
    store.whileCalled = [&] { busy.push_back(view.busy); };
    dialogs.whileShown = [&] { busy.push_back(view.busy); };
    dialogs.answers = {"Retry"};
    EXPECT_TRUE(form->closeRequested(Main_Form::kCloseByUser));
    EXPECT_EQ(busy, (std::vector<bool>{true, false, true, false}));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2].text, failure + "Error: Failed to create key " + kSettingsKey +
                                            ".\rThe settings could not be stored. Retry, or "
                                            "Cancel to leave without storing them.");
    EXPECT_EQ(programEnds, 1);
    store.refuseKeys = false;
    EXPECT_EQ(settings().NumOfValues(), 0);
}

// The first read's buffer holds 254 bytes; a longer listing file comes back whole, not as
// the default one that the next run would overwrite. A stored pattern that reaches into
// another folder is kept, to be seen and mended, but its switch stays off.
TEST_F(StartupTest, SwitchesAreOnOnlyForTrueAndALongValueIsReadWhole) {
    const std::string longName = in(std::string(300, 'n') + ".txt");
    for (const std::string& filter : {std::string(254, 'f'), std::string("../*")}) {
        storeSettings({{"Use File Filter", " true "},
                       {"Recurse Subdirectories", "yes"},
                       {"Save Filename", longName},
                       {"File Filter", filter}});
        form = newForm();
        form->load();
        const std::string switches = filter == "../*" ? "000" : "010";
        EXPECT_EQ(shown(),
                  (Names{"", filter, switches, switches, "Search specific files: " + filter,
                         kDesignedTitle + " - (" + longName + ")", kSystemDrive, kDefaultPath}));
    }
}

TEST_F(StartupTest, AReadTheStoreFailsIsReportedAndExitWritesNoDefaultOverWhatWasNotRead) {
    // The store stops answering (another program holds it, say) at one value. Exit leaves
    // what was not read as stored, unless the user changed it (the filter switch here).
    const std::pair<std::string, Names> cases[] = {
        {"File Filter", {"Add Comment", "File Comment", "Use File Filter", "Version"}},
        {"Last Path",
         {"Add Comment", "File Comment", "File Filter", "Last Drive", "Recurse Subdirectories",
          "Save Filename", "Use File Filter", "Version"}},
    };
    for (const auto& [failing, written] : cases) {
        storeSettings({{"Save Filename", "kept.txt"}, {"Last Path", tree}, {"File Filter", "*.b"}});
        store.failQueryOf = failing;
        dialogs.messages.clear();
        form = newForm();
        form->load();
        store.failQueryOf.clear();
        ASSERT_EQ(dialogs.messages.size(), 1u) << failing;
        // The folder is read inside Form_Load's trap; the pattern before it.
        EXPECT_EQ(dialogs.messages[0].title,
                  failing == "Last Path" ? "Error setting field" : "Tolvane");
        const std::string& text = dialogs.messages[0].text;
        EXPECT_EQ(text.substr(text.rfind('\r') + 1),
                  "Error: Failed to read value " + failing + " from Registry.");
        store.written.clear();
        form->checkToggled(Control::Filter_Check, !form->UseFileFilter);
        form->click(Control::Function_Exit);
        EXPECT_EQ(store.written, written) << failing;
        EXPECT_EQ(settings().ReadValue("Last Path"), tree);
        EXPECT_EQ(settings().ReadValue("File Filter"), "*.b");
    }
}

#ifndef _WIN32
// Seen from outside: a window in a child process gets Exit at the first yield of a run,
// and the test looks at its exit status, the prompts it printed, its listing and its
// store. When the disk takes none of the listing, the failure is shown before the end. A
// workbook is completed, with the rows written so far.
TEST_F(StartupTest, ExitDuringARunEndsAtOnceWithTheListingClosedOrItsFailureShown) {
    const std::string text = root + "/listing.txt";
    const struct {
        std::string listing;
        bool fullDisk;
        std::string printed;  // the prompts shown
    } cases[] = {{text, false, ""},
                 {text, true,
                  "prompt Error in Make_Button_Click: Error writing file: " + text +
                      "\rError: No space left on device\n"},
                 {root + "/listing.xlsx", false, ""}};
    for (const auto& c : cases) {
        std::fflush(stdout);  // or the child would print what the runner has not yet
        const pid_t child = ::fork();
        if (child == 0) {  // with a store connection and a window of its own
            std::freopen((root + "/child.out").c_str(), "w", stdout);
            static tolvane::testing::FailingOutputSystem fullDisk(
                {{tolvane::testing::FailingOutputSystem::kWrite, 1, ENOSPC}});
            if (c.fullDisk) {
                OutputFileTable::instance().replaceSystem(fullDisk);
            }
            SqliteRegistryStore childStore(store.location());
            Main_Form window(
                Main_Form::Services{view, dialogs, drives, listFileSystem, childStore, kOneThread});
            dialogs.whileShown = [this] {
                std::printf("prompt %s: %s\n", dialogs.messages.back().title.c_str(),
                            dialogs.messages.back().text.c_str());
            };
            window.load();
            window.Result_Dir.setPath(tree);
            window.SaveFilename = c.listing;
            view.atYield = {[&window] { window.click(Control::Function_Exit); }};
            window.click(Control::Make_Button);
            std::_Exit(3);  // came back where the program should have ended
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(readFile(root + "/child.out"), c.printed);
        const std::string listing =
            c.listing.ends_with(".xlsx") ? testing::readWorkbook(c.listing) : readFile(c.listing);
        if (c.fullDisk) {
            EXPECT_EQ(listing, "");  // not even half a line
            continue;
        }
        // The folder's own file, its line complete although it was still in the output
        // buffer when Exit came, is the last: no subfolder was entered.
        const std::size_t topLine = listing.find("\ntop.txt\t");
        ASSERT_NE(topLine, std::string::npos) << listing;
        EXPECT_EQ(listing.find('\n', topLine + 1), listing.size() - 1) << listing;
        EXPECT_EQ(settings().ReadValue("Last Path"), tree);
    }
}
#endif

}  // namespace
}  // namespace tolvane::test
