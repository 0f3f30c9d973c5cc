// Listing runs started and stopped from the window. (The run's own rules are proved
// against a fake window in listing_run_test.cpp; these prove the window's part.)
#include <filesystem>

#include "form_fixture.h"
#include "output_file_table.h"

namespace tolvane::test {
namespace {

const Control kSwitched[] = {Control::Comment_Check, Control::Filter_Check, Control::Function_Make,
                             Control::Recurse_Check, Control::Result_Drive, Control::Result_Dir,
                             Control::Setup_Menu};

class RunTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        open(tree);
        form->SaveFilename = in("listing.txt");
    }

    // How many of the controls a run switches are enabled.
    int switchedEnabled() const {
        int count = 0;
        for (Control control : kSwitched) {
            count += view.isEnabled(control) ? 1 : 0;
        }
        return count;
    }
};

TEST_F(RunTest, MenuItemWritesTheListingOfTheFolderShownAndBeeps) {
    form->checkToggled(Control::Recurse_Check, false);  // the folder's own files only
    // Every file, also with a stored pattern that is no file filter while the filter is
    // off, and with the filter on and a pattern of blanks (an empty one comes back from
    // the store as " "), which is no pattern.
    form->FileFilter = "../*";
    dialogs.answers = {"", " "};
    for (const Control prompt : {Control::Setup_Comment, Control::Setup_Filter}) {
        form->click(prompt);
        form->click(Control::Function_Make);
        const std::string listing = readFile(in("listing.txt"));
        EXPECT_EQ(listing.rfind("Filename\tExtension\tSize", 0), 0u);
        EXPECT_EQ(listing.find("\r\ntop.txt\t"), listing.find("\r\n")) << form->FileFilter;
        EXPECT_EQ(listing.find("one.txt"), std::string::npos);
        EXPECT_EQ(view.captions[Control::Progress_Label],
                  "Directory contenst stored in: " + in("listing.txt"));
    }
    EXPECT_TRUE(form->UseFileFilter);
    EXPECT_EQ(dialogs.beeps, 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RunTest, RunDisablesWhatCouldChangeItAndAClickDuringAYieldStopsIt) {
    int whileRunning = -1;
    bool idleAtOnce = false;
    view.atYield = {[&] {
        whileRunning = switchedEnabled();
        EXPECT_EQ(view.captions[Control::Make_Button], "&Stop");
        EXPECT_EQ(view.enabled.size(), std::size(kSwitched));  // nothing else is touched
        // Focus and keys still reach the window, and may move the folder list.
        form->focusReceived(Control::Result_Dir);
        form->listPicked(Control::Result_Dir, rowOf(in("tree/sub1")), false);
        press(13);
        form->click(Control::Make_Button);
        // Back in idle at once, before the walker has even returned.
        idleAtOnce = form->StopRequested && !form->Running &&
                     view.captions[Control::Make_Button] == "&Make List" && switchedEnabled() == 7;
    }};
    form->click(Control::Make_Button);

    EXPECT_EQ(whileRunning, 0);
    EXPECT_TRUE(idleAtOnce);
    EXPECT_EQ(view.captions[Control::Progress_Label], "Aborted");
    EXPECT_EQ(form->Result_Dir.Path(), in("tree/sub1"));
    // The run keeps the folder it started from.
    EXPECT_NE(readFile(in("listing.txt")).find("top.txt"), std::string::npos);
}

TEST_F(RunTest, YieldsHandTheEventsOverOncePerIntervalWithTheFolderBeingEntered) {
    std::chrono::steady_clock::time_point now{};
    std::chrono::milliseconds step{0};
    form->setYieldPacing(YieldPacing(std::chrono::milliseconds(10), [&] {
        now += step;
        return now;
    }));
    // Within one interval the toolkit sees the first yield only, though its own pass
    // through the queue took a whole interval.
    view.atYield = {[&] { now += std::chrono::milliseconds(10); }};
    view.yields = 0;
    form->click(Control::Make_Button);
    EXPECT_EQ(view.yields, 1);

    // An interval apart, every yield hands the events over, and the status line shows the
    // folder being entered by then.
    step = std::chrono::milliseconds(10);
    std::vector<std::string> shown;
    view.atYield.assign(8, [&] { shown.push_back(view.captions[Control::Progress_Label]); });
    view.yields = 0;
    form->click(Control::Make_Button);
    EXPECT_EQ(view.yields, 4);  // after each subfolder found and before each entered
    EXPECT_NE(std::find(shown.begin(), shown.end(), in("tree/sub1")), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), in("tree/sub2")), shown.end());
    EXPECT_EQ(view.captions[Control::Progress_Label],
              "Directory contenst stored in: " + in("listing.txt"));
}

TEST_F(RunTest, FailuresAreReportedAndLeaveTheWindowIdle) {
    // An output file that cannot be opened: the run's own message.
    form->SaveFilename = in("none/listing.txt");
    form->click(Control::Make_Button);

    // At the first yield the user presses Enter on a folder that has vanished since the
    // list was filled: Form_KeyPress fails, nothing traps it, and the run ends as stopped.
    form->SaveFilename = in("listing.txt");
    view.atYield = {[this] {
        form->focusReceived(Control::Result_Dir);
        form->listPicked(Control::Result_Dir, rowOf(in("tree/sub1")), false);
        std::filesystem::remove_all(in("tree/sub1"));
        press(13);
    }};
    form->click(Control::Make_Button);
    EXPECT_EQ(view.captions[Control::Progress_Label], "Aborted");
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(switchedEnabled(), 7);
    EXPECT_FALSE(form->Running || form->StopRequested || OutputFileTable::instance().isOpen(1));

    // The folder shown is removed behind the window's back before Make: the box names
    // it, nobody stopped the run, and the lists move up to the folder that holds it.
    form->Result_Dir.setPath(in("tree/sub2"));
    std::filesystem::remove_all(in("tree/sub2"));
    form->click(Control::Make_Button);
    EXPECT_EQ(view.captions[Control::Progress_Label], "");
    EXPECT_EQ(switchedEnabled(), 7);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(fileNames(), Names{"top.txt"});

    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].title, "Error in Make_Button_Click");
    EXPECT_EQ(dialogs.messages[0].text.rfind("Error opening file: ", 0), 0u);
    EXPECT_EQ(dialogs.messages[1].text.rfind("Run-time error '76':\rSource: ", 0), 0u);
    EXPECT_EQ(dialogs.messages[1].title, "Tolvane");
    const std::string& unread = dialogs.messages[2].text;
    EXPECT_EQ(unread.rfind("Run-time error '", 0), 0u) << unread;
    EXPECT_NE(unread.find(in("tree/sub2")), std::string::npos) << unread;
    EXPECT_EQ(unread.find(".:"), std::string::npos) << unread;
}

}  // namespace
}  // namespace tolvane::test
