#include "registry_sqlite_store.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "application_settings.h"
#include "c_registry.h"
#include "raised_error.h"
#include "registry_file_time.h"
#include "support/temporary_folder.h"

namespace tolvane {
namespace {

using testing::TemporaryFolder;

constexpr RegistryHandle kRoot = registry_root::kLocalMachine;
constexpr std::uint32_t kAccess = 0x20003;

std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the registry_process helper as a program of its own; returns its exit status and
// what it printed.
int runProcess(const std::string& arguments, std::string* output = nullptr) {
    FILE* pipe = popen((std::string(REGISTRY_PROCESS) + " " + arguments).c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[512];
    std::string text;
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        text += buffer;
    }
    if (output != nullptr) {
        *output = text;
    }
    return pclose(pipe);
}

class SqliteStoreTest : public ::testing::Test {
  protected:
    TemporaryFolder temp;
    std::filesystem::path file = temp.path() / "registry.sqlite3";
};

TEST_F(SqliteStoreTest, KeysAndValuesSurviveClosingAndReopeningTheFile) {
    {
        SqliteRegistryStore store(file.string());
        CRegistry Registry(store);
        Registry.OpenKey(kRoot, "Software\\Corvalin\\Palimor", true);
        Registry.WriteValue("Save Filename", "/home/user/list.txt");
        Registry.WriteValue("Umlaut",
                            "Gr\xC3\xBC\xC3\x9F"
                            "e");
    }
    SqliteRegistryStore store(file.string());
    CRegistry Registry(store);
    Registry.OpenKey(kRoot, "SOFTWARE\\corvalin\\PALIMOR", false);
    EXPECT_EQ(Registry.ReadValue("save filename"), "/home/user/list.txt");
    EXPECT_EQ(Registry.ReadValue("Umlaut"),
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    // Each root is a tree of its own.
    EXPECT_THROW(Registry.OpenKey(registry_root::kCurrentUser, "Software\\Corvalin", false),
                 RaisedError);
}

TEST_F(SqliteStoreTest, ProgramRunTwiceSeesWhatTheFirstRunStored) {
    ASSERT_EQ(runProcess("save " + file.string() + " \"first run\""), 0);
    std::string loaded;
    ASSERT_EQ(runProcess("load " + file.string(), &loaded), 0);
    EXPECT_EQ(loaded, "first run|1|*.log|1|0|/tmp/listing.txt|/|/usr\n");
}

TEST_F(SqliteStoreTest, TwoProcessesWritingAtOnceBothLand) {
    const std::string command = std::string(REGISTRY_PROCESS) + " write " + file.string();
    FILE* first = popen((command + " First 150").c_str(), "r");
    FILE* second = popen((command + " Second 150").c_str(), "r");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(pclose(first), 0);
    EXPECT_EQ(pclose(second), 0);

    SqliteRegistryStore store(file.string());
    CRegistry Registry(store);
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(Registry.NumOfValues(), 300);
    EXPECT_EQ(Registry.ReadValue("First149"), "149");
    EXPECT_EQ(Registry.ReadValue("Second149"), "149");
}

// A file that cannot be the store fails every call with the wrapper's error and is left
// exactly as it was.
void expectRefusedAndUntouched(const std::filesystem::path& file) {
    const std::string before = contentsOf(file);
    SqliteRegistryStore store(file.string());
    CRegistry Registry(store);
    try {
        openSettingsKey(Registry);
        ADD_FAILURE() << "a damaged store was used";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.source(), "CRegistry:OpenKey");
        EXPECT_EQ(error.description(), "Failed to create key Software\\Corvalin\\Palimor.");
    }
    EXPECT_THROW(Registry.OpenKey(kRoot, "", false), RaisedError);
    EXPECT_EQ(contentsOf(file), before);
}

TEST_F(SqliteStoreTest, FileThatIsNotADatabaseIsRefusedAndKept) {
    std::ofstream(file) << "Tolvane.Txt is a listing, not a registry\n";
    expectRefusedAndUntouched(file);
}

TEST_F(SqliteStoreTest, DamagedStoreIsRefusedAndKept) {
    {
        SqliteRegistryStore store(file.string());
        CRegistry Registry(store);
        openSettingsKey(Registry);
        for (int i = 0; i < 50; ++i) {
            Registry.WriteValue("Value" + std::to_string(i), std::string(200, 'v'));
        }
    }
    std::string bytes = contentsOf(file);
    ASSERT_GT(bytes.size(), 4096u);
    bytes.replace(100, 3000, std::string(3000, '\xA5'));  // the schema's page
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    expectRefusedAndUntouched(file);
}

TEST_F(SqliteStoreTest, AnotherProgramsDatabaseIsRefusedAndKept) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE photos (name TEXT)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    expectRefusedAndUntouched(file);
}

TEST_F(SqliteStoreTest, PlaceWhereNoFileCanBeMadeFailsTheCalls) {
    const auto blocker = temp.file("plain-file");
    for (const auto& location : {blocker / "registry.sqlite3", temp.folder("a-folder")}) {
        SqliteRegistryStore store(location.string());
        CRegistry Registry(store);
        EXPECT_THROW(openSettingsKey(Registry), RaisedError) << location;
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(blocker));
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "a-folder"));
}

TEST_F(SqliteStoreTest, HandlesThatAreZeroClosedOrUnknownFail) {
    SqliteRegistryStore store(file.string());
    RegistryHandle handle = 0;
    ASSERT_EQ(store.RegCreateKeyExA(kRoot, "Software\\H", 0, nullptr, 0, kAccess, nullptr, &handle,
                                    nullptr),
              0);
    EXPECT_NE(handle, 0u);
    const std::uint8_t text[] = {'x'};
    EXPECT_EQ(store.RegSetValueExA(handle, "v", 0, 1, text, 1), 0);
    EXPECT_EQ(store.RegCloseKey(handle), 0);

    for (const RegistryHandle bad : {RegistryHandle{0}, handle, RegistryHandle{0x7654321}}) {
        EXPECT_NE(store.RegSetValueExA(bad, "v", 0, 1, text, 1), 0) << bad;
        EXPECT_NE(store.RegQueryInfoKeyA(bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr),
                  0);
        EXPECT_NE(store.RegCloseKey(bad), 0);
    }
    RegistryHandle missing = 12345;
    EXPECT_NE(store.RegOpenKeyExA(kRoot, "Software\\Missing", 0, kAccess, &missing), 0);
    EXPECT_EQ(missing, 12345u);  // nothing written on failure
}

TEST_F(SqliteStoreTest, DeletionRefusesRootsAndKeysWithSubKeys) {
    SqliteRegistryStore store(file.string());
    RegistryHandle leaf = 0;
    RegistryHandle again = 0;
    ASSERT_EQ(store.RegCreateKeyExA(kRoot, "A\\B", 0, nullptr, 0, kAccess, nullptr, &leaf, nullptr),
              0);
    ASSERT_EQ(store.RegOpenKeyExA(kRoot, "A\\B", 0, kAccess, &again), 0);
    const std::uint8_t text[] = {'x'};
    ASSERT_EQ(store.RegSetValueExA(leaf, "v", 0, 1, text, 1), 0);

    EXPECT_NE(store.RegDeleteKeyA(kRoot, ""), 0);
    EXPECT_NE(store.RegDeleteKeyA(kRoot, nullptr), 0);
    EXPECT_NE(store.RegDeleteKeyA(kRoot, "A"), 0);
    EXPECT_EQ(store.RegDeleteKeyA(kRoot, "a\\b"), 0);

    // Handles to the deleted key now fail, and a new key of that name starts empty.
    EXPECT_NE(store.RegSetValueExA(again, "v", 0, 1, text, 1), 0);
    RegistryHandle fresh = 0;
    ASSERT_EQ(
        store.RegCreateKeyExA(kRoot, "A\\B", 0, nullptr, 0, kAccess, nullptr, &fresh, nullptr), 0);
    std::uint32_t values = 99;
    ASSERT_EQ(store.RegQueryInfoKeyA(fresh, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &values, nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(store.RegDeleteKeyA(kRoot, "A\\B"), 0);
    EXPECT_EQ(store.RegDeleteKeyA(kRoot, "A"), 0);
}

TEST_F(SqliteStoreTest, LastWriteTimeMovesOnCreationAndOnEveryValueChange) {
    SqliteRegistryStore store(file.string());
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

    const std::uint8_t text[] = {'x'};
    ASSERT_EQ(store.RegSetValueExA(handle, "v", 0, 1, text, 1), 0);
    const std::uint64_t set = lastWrite(handle);
    EXPECT_GT(set, created);
    ASSERT_EQ(store.RegDeleteValueA(handle, "v"), 0);
    EXPECT_GT(lastWrite(handle), set);
}

}  // namespace
}  // namespace tolvane
