// Listing runs started and stopped from the window: the run's states, its Stop, its
// closing text and the failures it reports. (The walk's own rules are proved in
// tests/listing.)
#include <cerrno>
#include <filesystem>

#include "form_fixture.h"
#include "listing_line.h"
#include "output_file_table.h"
#include "wildcard.h"

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
    void TearDown() override { OutputFileTable::instance().replaceSystem(nativeOutputSystem()); }

    // How many of the controls a run switches are enabled.
    int switchedEnabled() const {
        int count = 0;
        for (Control control : kSwitched) {
            count += view.isEnabled(control) ? 1 : 0;
        }
        return count;
    }

    tolvane::testing::FailingOutputSystem failing;
};

const std::string kHeader = std::string(kListingHeader) + "\r\n";

// The menu item runs as the button does; a folder with no file gives the header alone, and
// is still a success. (Which patterns narrow nothing is proved in tests/listing.)
TEST_F(RunTest, MenuItemWritesTheListingOfTheFolderShownAndBeeps) {
    form->checkToggled(Control::Recurse_Check, false);  // the folder's own files only
    form->click(Control::Function_Make);
    const std::string listing = readFile(in("listing.txt"));
    EXPECT_EQ(listing.rfind(kHeader + "top.txt\t", 0), 0u);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 2);
    EXPECT_EQ(view.captions[Control::Progress_Label],
              "Directory contenst stored in: " + in("listing.txt"));
    form->Result_Dir.setPath(in("drive_b/inner"));
    form->click(Control::Function_Make);
    EXPECT_EQ(readFile(in("listing.txt")), kHeader);
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
    // The run keeps the folder it started from, and its lines: the folder's own file only.
    const std::string stopped = readFile(in("listing.txt"));
    EXPECT_EQ(stopped.rfind(kHeader + "top.txt\t", 0), 0u);
    EXPECT_EQ(std::count(stopped.begin(), stopped.end(), '\n'), 2);
    EXPECT_EQ(dialogs.beeps, 0);
    // The next run replaces the stopped one's listing.
    form->Result_Dir.setPath(tree);
    form->click(Control::Make_Button);
    const std::string whole = readFile(in("listing.txt"));
    EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 4);
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

// A run that cannot start, or whose listing cannot be stored, is reported in one box and
// never as a success; a listing cut short ends on its last whole line, and its walk ends
// at the failure. The comment makes each line go out on its own.
TEST_F(RunTest, ARunThatCannotStartOrCannotBeStoredIsReportedAndNeverASuccess) {
    using enum tolvane::testing::FailingOutputSystem::Call;
    form->AddComment = true;
    form->FileComment = std::string(69000, 'c');
    form->click(Control::Make_Button);
    const std::string complete = readFile(in("listing.txt"));
    const std::string listing = in("listing.txt");
    const std::string writing = "Error writing file: " + listing + "\rError: ";
    const std::string rule = kFileFilterRule;
    const struct {
        std::string saveFilename, filter;
        tolvane::testing::FailingOutputSystem::Failure failure;
        std::string shown;  // the start of the box's text
        int linesKept;      // -1: the run never started and touched no file
        int yields;         // 4 for the whole walk
    } cases[] = {
        {in("none/listing.txt"), "", {}, "Error opening file: " + in("none/listing.txt"), -1, 0},
        {"", "", {}, "Error opening file: \rError: ", -1, 0},
        {in("refused.txt"), "../*", {}, "Error in file filter: ../*\rError: " + rule, -1, 0},
        {listing, "", {kWrite, 1, ENOSPC}, writing + "No space left on device", 0, 0},
        {listing, "", {kWrite, 3, EFBIG}, writing + "File too large", 2, 3},
        {listing, "", {kClose, 1, EIO}, writing + "Input/output error", 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        failing = tolvane::testing::FailingOutputSystem({c.failure});
        OutputFileTable::instance().replaceSystem(failing);
        form->SaveFilename = c.saveFilename;
        form->UseFileFilter = !c.filter.empty();
        form->FileFilter = c.filter;
        view.captions[Control::Progress_Label] = "earlier text";
        dialogs.messages.clear();
        view.yields = 0;
        form->click(Control::Make_Button);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Error in Make_Button_Click");
        EXPECT_EQ(dialogs.messages[0].text.substr(0, c.shown.size()), c.shown);
        if (c.linesKept < 0) {
            EXPECT_FALSE(std::filesystem::exists(c.saveFilename));
            EXPECT_EQ(view.captions[Control::Progress_Label], "earlier text");
        } else {
            std::size_t kept = 0;
            for (int n = 0; n < c.linesKept; ++n) {
                kept = complete.find("\r\n", kept) + 2;
            }
            EXPECT_TRUE(readFile(listing) == complete.substr(0, kept));
            EXPECT_EQ(view.captions[Control::Progress_Label], "Aborted");
        }
        EXPECT_EQ(view.yields, c.yields);  // a walk ends at its failure
        EXPECT_EQ(dialogs.beeps, 1);       // the complete run's only
        EXPECT_EQ(failing.descriptorsOpen, 0);
        EXPECT_EQ(switchedEnabled(), 7);
        EXPECT_FALSE(form->Running || form->StopRequested || OutputFileTable::instance().isOpen(1));
    }
}

TEST_F(RunTest, FailuresAreReportedAndLeaveTheWindowIdle) {
    // At the first yield the user presses Enter on a folder that has vanished since the
    // list was filled: Form_KeyPress fails, nothing traps it, and the run ends as stopped.
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
    // it, nobody stopped the run, the listing holds its header alone, and the lists move
    // up to the folder that holds it.
    form->Result_Dir.setPath(in("tree/sub2"));
    std::filesystem::remove_all(in("tree/sub2"));
    form->click(Control::Make_Button);
    EXPECT_EQ(view.captions[Control::Progress_Label], "");
    EXPECT_EQ(readFile(in("listing.txt")), kHeader);
    EXPECT_EQ(switchedEnabled(), 7);
    EXPECT_EQ(form->Result_Dir.Path(), tree);
    EXPECT_EQ(fileNames(), Names{"top.txt"});

    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Run-time error '76':\rSource: ", 0), 0u);
    EXPECT_EQ(dialogs.messages[0].title, "Tolvane");
    const std::string& unread = dialogs.messages[1].text;
    EXPECT_EQ(unread.rfind("Run-time error '", 0), 0u) << unread;
    EXPECT_NE(unread.find(in("tree/sub2")), std::string::npos) << unread;
    EXPECT_EQ(unread.find(".:"), std::string::npos) << unread;
}

}  // namespace
}  // namespace tolvane::test
