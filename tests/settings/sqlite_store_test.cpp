#include "registry_sqlite_store.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "application_settings.h"
#include "c_registry.h"
#include "fake_settings_window.h"
#include "raised_error.h"
#include "registry_file_time.h"
#include "support/temporary_folder.h"

namespace tolvane {
namespace {

using testing::FakeSettingsWindow;
using testing::readFile;
using testing::TemporaryFolder;

constexpr RegistryHandle kRoot = registry_root::kLocalMachine;
constexpr std::uint32_t kAccess = 0x20003;
const std::uint8_t kText[] = {'x'};

// Starts `run` in a process of its own, as a second run of the program would be, with a
// store it opens itself; its exit status is 0 when it raised nothing.
pid_t startProcess(const std::string& file, const std::function<void(CRegistry&)>& run) {
    const pid_t child = fork();
    if (child == 0) {
        int status = 0;
        try {
            SqliteRegistryStore store(file);
            CRegistry Registry(store);
            run(Registry);
        } catch (const RaisedError&) {
            status = 1;
        }
        _exit(status);
    }
    return child;
}

int exitStatus(pid_t child) {
    int status = -1;
    waitpid(child, &status, 0);
    return status;
}

class SqliteStoreTest : public ::testing::Test {
  protected:
    TemporaryFolder temp;
    std::string file = (temp.path() / "registry.sqlite3").string();
};

TEST_F(SqliteStoreTest, KeysAndValuesSurviveClosingAndReopeningTheFile) {
    {
        SqliteRegistryStore store(file);
        CRegistry Registry(store);
        Registry.OpenKey(kRoot, "Software\\Corvalin\\Palimor", true);
        Registry.WriteValue("Umlaut",
                            "Gr\xC3\xBC\xC3\x9F"
                            "e");
    }
    SqliteRegistryStore store(file);
    CRegistry Registry(store);
    Registry.OpenKey(kRoot, "SOFTWARE\\corvalin\\PALIMOR", false);
    EXPECT_EQ(Registry.ReadValue("umlaut"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    // Each root is a tree of its own.
    EXPECT_THROW(Registry.OpenKey(registry_root::kCurrentUser, "Software\\Corvalin", false),
                 RaisedError);
}

TEST_F(SqliteStoreTest, ProgramRunTwiceSeesWhatTheFirstRunStored) {
    ASSERT_EQ(exitStatus(startProcess(file,
                                      [](CRegistry& Registry) {
                                          FakeSettingsWindow window;
                                          window.AddComment = window.UseFileFilter = true;
                                          window.FileComment = "first run";
                                          window.FileFilter = "*.log";
                                          window.SaveFilename = "/tmp/listing.txt";
                                          window.currentPath = "/usr";
                                          saveSettings(Registry, window);
                                      })),
              0);
    SqliteRegistryStore store(file);
    CRegistry Registry(store);
    FakeSettingsWindow window;
    openSettingsKey(Registry);
    loadOptionSettings(Registry, window);
    loadLocationSettings(Registry, window);
    EXPECT_EQ(window.summary(),
              "first run|11|*.log|Search specific files: *.log|11|00|/tmp/listing.txt|/|/usr");
}

TEST_F(SqliteStoreTest, TwoProcessesWritingAtOnceBothLand) {
    const auto writer = [this](const std::string& name) {
        return startProcess(file, [name](CRegistry& Registry) {
            openSettingsKey(Registry);
            for (int i = 0; i < 150; ++i) {
                Registry.WriteValue(name + std::to_string(i), std::to_string(i));
            }
        });
    };
    const pid_t first = writer("First");
    const pid_t second = writer("Second");
    EXPECT_EQ(exitStatus(first), 0);
    EXPECT_EQ(exitStatus(second), 0);

    SqliteRegistryStore store(file);
    CRegistry Registry(store);
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(Registry.NumOfValues(), 300);
    EXPECT_EQ(Registry.ReadValue("First149"), "149");
    EXPECT_EQ(Registry.ReadValue("Second149"), "149");
}

TEST_F(SqliteStoreTest, AFileThatCannotBeTheStoreFailsEveryCallAndIsKept) {
    const auto damaged = temp.path() / "damaged.sqlite3";
    {
        SqliteRegistryStore store(damaged.string());
        CRegistry Registry(store);
        openSettingsKey(Registry);
        for (int i = 0; i < 50; ++i) {
            Registry.WriteValue("Value" + std::to_string(i), std::string(200, 'v'));
        }
    }
    std::string bytes = readFile(damaged);
    ASSERT_GT(bytes.size(), 4096u);
    bytes.replace(100, 3000, std::string(3000, '\xA5'));  // the schema's page
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;

    const auto foreign = temp.path() / "photos.sqlite3";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE photos (name TEXT)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    for (const auto& path : {temp.file("listing.txt", 300), damaged, foreign}) {
        const std::string before = readFile(path);
        SqliteRegistryStore store(path.string());
        CRegistry Registry(store);
        try {
            openSettingsKey(Registry);
            ADD_FAILURE() << "the store was used: " << path;
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.source(), "CRegistry:OpenKey");
            EXPECT_EQ(error.description(), "Failed to create key Software\\Corvalin\\Palimor.");
        }
        EXPECT_THROW(Registry.OpenKey(kRoot, "", false), RaisedError) << path;
        EXPECT_EQ(readFile(path), before) << path;
    }
    // Nor can a store be made below a plain file, or where a folder stands.
    for (const auto& path : {temp.path() / "listing.txt" / "registry.sqlite3", temp.folder("a")}) {
        SqliteRegistryStore store(path.string());
        CRegistry Registry(store);
        EXPECT_THROW(openSettingsKey(Registry), RaisedError) << path;
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(temp.path() / "listing.txt"));
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "a"));
}

TEST_F(SqliteStoreTest, HandlesThatAreZeroClosedOrUnknownFail) {
    SqliteRegistryStore store(file);
    RegistryHandle closed = 0;
    ASSERT_EQ(store.RegCreateKeyExA(kRoot, "A", 0, nullptr, 0, kAccess, nullptr, &closed, nullptr),
              0);
    EXPECT_EQ(store.RegSetValueExA(closed, "v", 0, 1, kText, 1), 0);
    EXPECT_EQ(store.RegCloseKey(closed), 0);
    for (const RegistryHandle bad : {RegistryHandle{0}, closed, RegistryHandle{0x7654321}}) {
        EXPECT_NE(store.RegSetValueExA(bad, "v", 0, 1, kText, 1), 0) << bad;
        EXPECT_NE(store.RegQueryInfoKeyA(bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr),
                  0);
        EXPECT_NE(store.RegCloseKey(bad), 0);
    }
    RegistryHandle missing = 12345;
    EXPECT_NE(store.RegOpenKeyExA(kRoot, "Missing", 0, kAccess, &missing), 0);
    EXPECT_EQ(missing, 12345u);  // nothing written on failure
    EXPECT_NE(store.RegDeleteKeyA(kRoot, nullptr), 0);
}

TEST_F(SqliteStoreTest, LastWriteTimeMovesOnCreationAndOnEveryValueChange) {
    SqliteRegistryStore store(file);
    const auto lastWrite = [&store](RegistryHandle handle) {
        FileTime time;
        EXPECT_EQ(store.RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, &time),
                  0);
        return time.ticks();
    };
    const std::uint64_t start = fileTimeNow().ticks();
    RegistryHandle handle = 0;
    ASSERT_EQ(store.RegCreateKeyExA(kRoot, "T", 0, nullptr, 0, kAccess, nullptr, &handle, nullptr),
              0);
    const std::uint64_t created = lastWrite(handle);
    EXPECT_GE(created, start);
    ASSERT_EQ(store.RegSetValueExA(handle, "v", 0, 1, kText, 1), 0);
    const std::uint64_t set = lastWrite(handle);
    EXPECT_GT(set, created);
    ASSERT_EQ(store.RegDeleteValueA(handle, "v"), 0);
    EXPECT_GT(lastWrite(handle), set);
}

}  // namespace
}  // namespace tolvane
