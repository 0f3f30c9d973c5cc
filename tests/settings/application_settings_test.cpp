#include "application_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_settings_window.h"
#include "raised_error.h"
#include "recording_registry.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::FakeSettingsWindow;
using testing::RecordingRegistry;
using testing::TestRegistry;

class ApplicationSettingsTest : public ::testing::Test {
  protected:
    // Form_Load's part of the settings, around the window's own steps.
    void load() {
        openSettingsKey(Registry);
        loadOptionSettings(Registry, window);
        loadLocationSettings(Registry, window);
        Registry.CloseKey();
    }

    // Stores values as an earlier run (or a user with a registry editor) left them.
    void store(const std::vector<std::pair<std::string, std::string>>& values) {
        openSettingsKey(Registry);
        for (const auto& [name, text] : values) {
            Registry.WriteValue(name, text);
        }
        Registry.CloseKey();
    }

    std::string stored(const std::string& name) {
        openSettingsKey(Registry);
        std::string text = Registry.ReadValue(name);
        Registry.CloseKey();
        return text;
    }

    TestRegistry registry;
    RecordingRegistry recorder{registry.api()};
    CRegistry Registry{recorder};
    FakeSettingsWindow window;
};

TEST_F(ApplicationSettingsTest, FirstStartCreatesTheKeyAndTakesEveryDefault) {
    window.AddComment = true;
    window.commentCheck = 1;
    window.FileComment = "old";
    window.currentDrive = window.currentPath = "elsewhere";
    load();

    EXPECT_EQ(window.FileComment, "");
    EXPECT_FALSE(window.AddComment);
    EXPECT_EQ(window.commentCheck, 0);
    EXPECT_EQ(window.FileFilter, "");
    EXPECT_EQ(window.toolTip, "Search specific files: ");
    EXPECT_FALSE(window.UseFileFilter);
    EXPECT_EQ(window.filterCheck, 0);
    EXPECT_TRUE(window.RecurseSubdirectories);
    EXPECT_EQ(window.recurseCheck, 1);
    EXPECT_EQ(window.SaveFilename, kDefaultSaveFilename);
    EXPECT_EQ(window.currentDrive, kDefaultDrive);
    EXPECT_EQ(window.currentPath, kDefaultPath);
    EXPECT_EQ(window.events, (std::vector<std::string>{
                                 "Comment_Check=0", "title " + std::string(kDefaultSaveFilename)}));

    // The key now exists, still empty: defaults are never written back at start-up.
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(Registry.NumOfValues(), 0);
}

TEST_F(ApplicationSettingsTest, OnlyTrueInAnyCaseAndSpacingSwitchesOn) {
    for (const std::string text : {"TRUE", "True", " true ", "tRuE"}) {
        EXPECT_TRUE(switchValue(text)) << '"' << text << '"';
    }
    for (const std::string text : {"T", "yes", "-1", "1", "", " ", "False", "TRUE.", "\ttrue"}) {
        EXPECT_FALSE(switchValue(text)) << '"' << text << '"';
    }

    store({{"Use File Filter", " true "}, {"Recurse Subdirectories", "yes"}});
    load();
    EXPECT_TRUE(window.UseFileFilter);
    EXPECT_EQ(window.filterCheck, 1);
    EXPECT_FALSE(window.RecurseSubdirectories);
    EXPECT_EQ(window.recurseCheck, 0);
}

TEST_F(ApplicationSettingsTest, SaveWritesAllNineInAlphabeticalOrderAndTheirForms) {
    window.AddComment = true;
    window.FileComment = "";
    window.FileFilter = "*.txt";
    window.RecurseSubdirectories = false;
    window.SaveFilename = "/tmp/out.txt";
    window.UseFileFilter = false;
    window.currentDrive = "/home";
    window.currentPath = "/home/user";
    saveSettings(Registry, window);
    saveSettings(Registry, window);  // unchanged, written all the same

    const std::vector<std::string> order = {
        "Add Comment",   "File Comment",    "File Filter",
        "Last Drive",    "Last Path",       "Recurse Subdirectories",
        "Save Filename", "Use File Filter", "Version"};
    std::vector<std::string> twice = order;
    twice.insert(twice.end(), order.begin(), order.end());
    EXPECT_EQ(recorder.setNames, twice);
    EXPECT_EQ(recorder.openHandles, 0);

    EXPECT_EQ(stored("Add Comment"), "True");
    EXPECT_EQ(stored("File Comment"), " ");  // an empty text is stored as one space
    EXPECT_EQ(stored("Recurse Subdirectories"), "False");
    EXPECT_EQ(stored("Last Path"), "/home/user");
    EXPECT_EQ(stored("Version"), "1.30.213");
}

TEST_F(ApplicationSettingsTest, SavedSettingsComeBackAtTheNextStart) {
    FakeSettingsWindow first;
    first.AddComment = false;
    first.FileComment = "";
    first.FileFilter = "*.c";
    first.RecurseSubdirectories = true;
    first.SaveFilename = "list.txt";
    first.UseFileFilter = true;
    first.currentDrive = "/media/usb";
    first.currentPath = "/media/usb/photos";
    saveSettings(Registry, first);

    load();
    EXPECT_EQ(window.FileComment, " ");  // not the empty text it was
    EXPECT_FALSE(window.AddComment);
    EXPECT_EQ(window.FileFilter, "*.c");
    EXPECT_EQ(window.toolTip, "Search specific files: *.c");
    EXPECT_TRUE(window.RecurseSubdirectories);
    EXPECT_EQ(window.SaveFilename, "list.txt");
    EXPECT_TRUE(window.UseFileFilter);
    EXPECT_EQ(window.currentDrive, "/media/usb");
    EXPECT_EQ(window.currentPath, "/media/usb/photos");
}

TEST_F(ApplicationSettingsTest, ValuesAreReadInLoadOrderEachTestedBeforeItIsRead) {
    store({{"Add Comment", "False"}, {"Save Filename", "x"}});
    recorder.calls.clear();
    load();
    std::vector<std::string> queries;
    for (const std::string& call : recorder.calls) {
        if (call.rfind("Query ", 0) == 0) {
            queries.push_back(call.substr(6));
        }
    }
    EXPECT_EQ(queries,
              (std::vector<std::string>{"File Comment", "Add Comment", "Add Comment", "File Filter",
                                        "Recurse Subdirectories", "Save Filename", "Save Filename",
                                        "Use File Filter", "Last Drive", "Last Path"}));
}

TEST_F(ApplicationSettingsTest, CommentSwitchWithoutACommentAsksBeforeTheTitleIsSet) {
    store({{"Add Comment", "True"}, {"Save Filename", "a.txt"}});
    load();
    EXPECT_EQ(window.events,
              (std::vector<std::string>{"Comment_Check=1", "comment prompt", "title a.txt"}));
    EXPECT_TRUE(window.AddComment);
}

TEST_F(ApplicationSettingsTest, ValueTooLongToReadTakesItsDefault) {
    store({{"Save Filename", std::string(255, 'n')}, {"File Filter", std::string(254, 'f')}});
    load();
    EXPECT_EQ(window.SaveFilename, kDefaultSaveFilename);
    EXPECT_EQ(window.FileFilter, std::string(254, 'f'));
}

TEST_F(ApplicationSettingsTest, DriveThatCannotBeSelectedStopsBeforeThePath) {
    store({{"Last Drive", "/gone"}, {"Last Path", "/gone/folder"}});
    window.badDrive = "/gone";
    openSettingsKey(Registry);
    loadOptionSettings(Registry, window);
    EXPECT_THROW(loadLocationSettings(Registry, window), RaisedError);
    EXPECT_EQ(window.currentPath, "/");
}

TEST_F(ApplicationSettingsTest, SaveThatFailsPartWayKeepsWhatWasWritten) {
    window.FileComment = "kept";
    window.FileFilter = "lost";
    recorder.failSetOf = "File Filter";
    try {
        saveSettings(Registry, window);
        ADD_FAILURE() << "the refused write was not reported";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.source(), "CRegistry:WriteValue");
        EXPECT_EQ(error.description(), "Failed to write new value to File Filter from Registry.");
    }
    EXPECT_EQ(recorder.setNames.back(), "File Filter");
    recorder.failSetOf.clear();
    EXPECT_EQ(stored("File Comment"), "kept");
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_FALSE(Registry.ValueExists("File Filter"));
}

TEST(FilterToolTipTest, KeepsUpToTheCharacterAfterTheFirstColon) {
    EXPECT_EQ(filterToolTipFor("Search specific files: ", "*.txt"), "Search specific files: *.txt");
    EXPECT_EQ(filterToolTipFor("Search specific files: *.txt", "*.c"),
              "Search specific files: *.c");
    EXPECT_EQ(filterToolTipFor("a:b:c", "p"), "a:bp");
    EXPECT_EQ(filterToolTipFor("Ends in:", "p"), "Ends in:p");
    EXPECT_EQ(filterToolTipFor("No colon", "p"), "Np");
    EXPECT_EQ(filterToolTipFor("", "p"), "p");
    EXPECT_EQ(filterToolTipFor("Suche:\xC3\xA4x", "p"), "Suche:\xC3\xA4p");  // whole character
}

}  // namespace
}  // namespace tolvane
