#include "registry_sqlite_store.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "application_settings.h"
#include "c_registry.h"
#include "raised_error.h"
#include "registry_file_time.h"
#include "support/test_support.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::expectError;
using testing::readFile;
using testing::TemporaryFolder;

// Starts `run` in a process of its own, as a second run of the program would be, with a
// store it opens and closes itself; its exit status is 0 when it raised nothing.
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
    // Each root is a tree of its own.
    EXPECT_THROW(Registry.OpenKey(registry_root::kCurrentUser, kSettingsKey, false), RaisedError);
}

// A store held by another program beyond the timeout fails the read, never taken for a
// missing value (the window's rules on it are proved in tests/form); a stale handle fails.
TEST_F(SqliteStoreTest, AHeldStoreOrAStaleHandleFails) {
    SqliteRegistryStore store(file, std::chrono::milliseconds(20));
    CRegistry Registry(store);
    openSettingsKey(Registry);
    Registry.WriteValue("File Comment", "old");
    sqlite3* other = nullptr;  // another program, holding the file
    sqlite3_open(file.c_str(), &other);
    sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    expectError([&] { Registry.ValueExists("File Comment"); }, "CRegistry:ReadValue",
                "Failed to read value File Comment from Registry. The file " + file +
                    " is held by another program (database is locked).");
    sqlite3_close(other);
    EXPECT_EQ(Registry.ReadValue("File Comment"), "old");
    // A handle that is zero, closed or unknown reaches no key.
    RegistryHandle closed = 0;
    store.RegCreateKeyExA(kSettingsSection, "A", 0, nullptr, 0, 0x20003, nullptr, &closed, nullptr);
    store.RegCloseKey(closed);
    const std::uint8_t text[] = {'x'};
    for (const RegistryHandle bad : {RegistryHandle{0}, closed, RegistryHandle{0x7654321}}) {
        EXPECT_NE(store.RegSetValueExA(bad, "v", 0, registry_type::kText, text, 1), 0) << bad;
    }
}

// Every file that cannot be the store gives the wrapper's error, naming the file and what
// is wrong with it, and is left unchanged. A store held by another program is waited for
// once, not a second time for a create that could only fail as well.
TEST_F(SqliteStoreTest, AFileThatCannotBeTheStoreIsNamedWithItsCauseAndLeftUnchanged) {
    ASSERT_EQ(exitStatus(startProcess(file, openSettingsKey)), 0);
    const std::string store = readFile(file);
    ASSERT_GT(store.size(), 4096u);
    std::string damaged = store;
    damaged.replace(100, 3000, std::string(3000, '\xA5'));  // the schema's page
    const std::string locked = (temp.path() / "locked.sqlite3").string();
    std::filesystem::copy_file(file, locked);
    std::ofstream(temp.path() / "damaged.sqlite3", std::ios::binary) << damaged;
    std::ofstream(temp.path() / "truncated.sqlite3", std::ios::binary) << store.substr(0, 1000);
    sqlite3* other = nullptr;  // another program's database
    sqlite3_open((temp.path() / "other.sqlite3").c_str(), &other);
    sqlite3_exec(other, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    sqlite3_open(locked.c_str(), &other);  // held by another program
    sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);

    const auto contents = [](const std::filesystem::path& path) {
        return std::filesystem::is_directory(path) ? "(folder)" : readFile(path);
    };
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {temp.path() / "damaged.sqlite3", "is damaged (database disk image is malformed)"},
        {temp.path() / "truncated.sqlite3", "is damaged (database disk image is malformed)"},
        {temp.file("listing.txt", 300), "is not a settings store (file is not a database)"},
        {temp.path() / "other.sqlite3", "is another program's database"},
        {temp.folder("registry.sqlite3.d"), "cannot be opened (Is a directory)"},
        {locked, "is held by another program (database is locked)"},
    };
    for (const auto& [path, cause] : cases) {
        const std::string before = contents(path);
        struct CountingStore : SqliteRegistryStore {  // counts the creates tried
            using SqliteRegistryStore::SqliteRegistryStore;
            int creates = 0;
            RegistryStatus RegCreateKeyExA(RegistryHandle, const char*, std::uint32_t, const char*,
                                           std::uint32_t, std::uint32_t, const void*,
                                           RegistryHandle*, std::uint32_t*) override {
                return ++creates;
            }
        } counting(path.string(), std::chrono::milliseconds(20));
        CRegistry Registry(counting);
        expectError([&] { openSettingsKey(Registry); }, "CRegistry:OpenKey",
                    "Failed to create key Software\\Corvalin\\Palimor. The file " + path.string() +
                        " " + cause + ".");
        EXPECT_EQ(counting.creates, 0) << path;
        EXPECT_THROW(Registry.OpenKey(kSettingsSection, "", false), RaisedError) << path;
        EXPECT_EQ(contents(path), before) << path;
    }
    sqlite3_close(other);
}

// 2026-03-07 08:05:03 UTC and 2026-07-01 12:00:00 UTC.
constexpr std::uint64_t kMarchMorning = 134'173'443'030'000'000ULL;
constexpr std::uint64_t kJulyNoon = 134'273'808'000'000'000ULL;

// Year, month, day, day of the week (0 Sunday), hour, minute, second, millisecond of a
// time stamp, or of the local time of it.
std::vector<int> calendar(std::uint64_t ticks, bool local = false) {
    FileTime time = FileTime::fromTicks(ticks);
    EXPECT_TRUE(!local || fileTimeToLocal(FileTime::fromTicks(ticks), time)) << ticks;
    SystemTime f;
    EXPECT_TRUE(fileTimeToCalendar(time, f)) << ticks;
    return {f.wYear, f.wMonth,  f.wDay,    f.wDayOfWeek,
            f.wHour, f.wMinute, f.wSecond, f.wMilliseconds};
}

TEST(RegistryFileTimeTest, CalendarFieldsOfATimeStampAndOfItsLocalTimeAtThatMoment) {
    EXPECT_EQ(calendar(kMarchMorning + 7'890'000), (std::vector<int>{2026, 3, 7, 6, 8, 5, 3, 789}));
    EXPECT_EQ(calendar(133'537'247'990'000'000ULL),  // leap day 2024
              (std::vector<int>{2024, 2, 29, 4, 23, 59, 59, 0}));
    EXPECT_EQ(calendar(0), (std::vector<int>{1601, 1, 1, 1, 0, 0, 0, 0}));  // a Monday
    SystemTime untouched;
    EXPECT_FALSE(fileTimeToCalendar(FileTime::fromTicks(1ULL << 63), untouched));
    EXPECT_EQ(untouched.wYear, 0);

    // In Central European time: one hour ahead in winter, two in summer, by the offset of
    // the stamp's own moment.
    const char* const zone = std::getenv("TZ");
    const std::optional<std::string> saved = zone ? std::optional<std::string>(zone) : std::nullopt;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(calendar(kMarchMorning, true), (std::vector<int>{2026, 3, 7, 6, 9, 5, 3, 0}));
    EXPECT_EQ(calendar(kJulyNoon, true), (std::vector<int>{2026, 7, 1, 3, 14, 0, 0, 0}));
    saved ? setenv("TZ", saved->c_str(), 1) : unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace tolvane
