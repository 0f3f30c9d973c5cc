#include "application_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_settings_window.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::expectError;
using testing::FakeSettingsWindow;
using testing::TestRegistry;
using Texts = std::vector<std::string>;

class ApplicationSettingsTest : public ::testing::Test {
  protected:
    // Form_Load's part of the settings, around the window's own steps.
    void load() {
        loadOptionSettings(Registry, window, unread);
        loadLocationSettings(Registry, window, unread);
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
        std::string text = Registry.ValueExists(name) ? Registry.ReadValue(name) : "(none)";
        Registry.CloseKey();
        return text;
    }

    TestRegistry registry;
    CRegistry Registry{registry};
    FakeSettingsWindow window;
    UnreadSettings unread;
};

TEST_F(ApplicationSettingsTest, FirstStartCreatesTheKeyAndTakesEveryDefault) {
    window.AddComment = true;
    window.commentCheck = 1;
    window.FileComment = "old";
    window.currentDrive = window.currentPath = "elsewhere";
    load();
#ifdef _WIN32
    const std::string defaults = ".\\Tolvane.Txt|C:\\|C:\\";
#else
    const std::string defaults = "./Tolvane.Txt|/|/";
#endif
    EXPECT_EQ(window.summary(), "|00||Search specific files: |00|11|" + defaults);
    EXPECT_EQ(window.events,
              (Texts{"Comment_Check=0", "title " + std::string(kDefaultSaveFilename)}));
    // The key now exists, still empty: defaults are never written back at start-up.
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(Registry.NumOfValues(), 0);
}

TEST_F(ApplicationSettingsTest, OnlyTrueSwitchesOnAndAValueTooLongToReadTakesItsDefault) {
    for (const std::string text : {"TRUE", "True", " true ", "tRuE"}) {
        EXPECT_TRUE(switchValue(text)) << '"' << text << '"';
    }
    for (const std::string text : {"T", "yes", "-1", "1", "", " ", "False", "TRUE.", "\ttrue"}) {
        EXPECT_FALSE(switchValue(text)) << '"' << text << '"';
    }
    store({{"Use File Filter", " true "},
           {"Recurse Subdirectories", "yes"},
           {"Save Filename", std::string(255, 'n')},
           {"File Filter", std::string(254, 'f')}});
    load();
    EXPECT_EQ(window.summary(),
              "|00|" + std::string(254, 'f') + "|Search specific files: " + std::string(254, 'f') +
                  "|11|00|" + kDefaultSaveFilename + "|" + kDefaultDrive + "|" + kDefaultPath);
}

TEST_F(ApplicationSettingsTest, SaveWritesAllNineInOrderUpToAFailureAndTheNextStartReadsThem) {
    window.AddComment = true;
    window.FileComment = "";
    window.FileFilter = "*.c";
    window.SaveFilename = "list.txt";
    window.UseFileFilter = true;
    window.currentDrive = "/media/usb";
    window.currentPath = "/media/usb/photos";
    registry.failSetOf = "File Filter";  // what was written before it stays
    expectError([&] { saveSettings(Registry, window, unread); }, "CRegistry:WriteValue",
                "Failed to write new value to File Filter from Registry.");
    EXPECT_EQ(stored("File Comment") + stored("File Filter") + stored("Last Drive"),
              " (none)(none)");
    registry.failSetOf.clear();
    registry.written.clear();
    saveSettings(Registry, window, unread);
    EXPECT_EQ(registry.written,
              (Texts{"Add Comment", "File Comment", "File Filter", "Last Drive", "Last Path",
                     "Recurse Subdirectories", "Save Filename", "Use File Filter", "Version"}));
    EXPECT_EQ(stored("Add Comment") + stored("Recurse Subdirectories"), "TrueFalse");
    EXPECT_EQ(stored("File Comment"), " ");  // an empty text is stored as one space
    EXPECT_EQ(stored("Version"), "1.30.213");

    window = FakeSettingsWindow();
    load();  // the comment comes back as the space, not the empty text it was
    EXPECT_EQ(window.summary(),
              " |11|*.c|Search specific files: *.c|11|00|list.txt|/media/usb|/media/usb/photos");
}

TEST_F(ApplicationSettingsTest, TheCommentIsReadBeforeItsSwitchSoOnlyABlankOneIsAskedFor) {
    store({{"Add Comment", "True"}, {"Save Filename", "a.txt"}});
    load();
    EXPECT_EQ(window.events, (Texts{"Comment_Check=1", "comment prompt", "title a.txt"}));

    store({{"File Comment", "Backup"}});  // in place before the box is ticked: no prompt
    window = FakeSettingsWindow();
    load();
    EXPECT_EQ(window.events, (Texts{"Comment_Check=1", "title a.txt"}));
}

TEST_F(ApplicationSettingsTest, AFailedReadStopsTheLoadAndExitWritesNoDefaultOverWhatWasNotRead) {
    // Exit leaves what was not read as stored, unless the user changed it (Use File Filter).
    const std::pair<std::string, Texts> cases[] = {
        {"Recurse Subdirectories",
         {"Add Comment", "File Comment", "File Filter", "Use File Filter", "Version"}},
        {"Last Path",
         {"Add Comment", "File Comment", "File Filter", "Last Drive", "Recurse Subdirectories",
          "Save Filename", "Use File Filter", "Version"}},
    };
    for (const auto& [failing, written] : cases) {
        store({{"Save Filename", "kept.txt"}, {"Last Path", "/k"}});
        registry.failQueryOf = failing;
        window = FakeSettingsWindow();
        unread = UnreadSettings();
        expectError([&] { load(); }, "CRegistry:ReadValue",
                    "Failed to read value " + failing + " from Registry.");
        registry.failQueryOf.clear();
        registry.written.clear();
        window.UseFileFilter = !window.UseFileFilter;
        saveSettings(Registry, window, unread);
        EXPECT_EQ(registry.written, written) << failing;
        EXPECT_EQ(stored("Last Path"), "/k");
    }
}

TEST(FilterToolTipTest, KeepsUpToTheCharacterAfterTheFirstColon) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Search specific files: ", "Search specific files: p"},
        {"a:b:c", "a:bp"},
        {"Ends in:", "Ends in:p"},
        {"No colon", "Np"},
        {"", "p"},
        {"Suche:\xC3\xA4x", "Suche:\xC3\xA4p"},  // a whole character
    };
    for (const auto& [toolTip, expected] : cases) {
        EXPECT_EQ(filterToolTipFor(toolTip, "p"), expected) << toolTip;
    }
}

}  // namespace
}  // namespace tolvane
