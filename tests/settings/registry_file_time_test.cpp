#include "registry_file_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "c_registry.h"
#include "recording_registry.h"
#include "test_registry.h"

namespace tolvane {
namespace {

// 2026-03-07 08:05:03 UTC and 2026-07-01 12:00:00 UTC.
constexpr std::uint64_t kMarchMorning = 134'173'443'030'000'000ULL;
constexpr std::uint64_t kJulyNoon = 134'273'808'000'000'000ULL;

// Puts the process in Central European time for one test, and back afterwards.
class CentralEuropeanTime {
  public:
    CentralEuropeanTime() {
        if (const char* tz = std::getenv("TZ")) {
            saved_ = tz;
        }
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    ~CentralEuropeanTime() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST(RegistryFileTimeTest, CalendarFieldsOfATimeStamp) {
    SystemTime fields;
    ASSERT_TRUE(fileTimeToCalendar(FileTime::fromTicks(kMarchMorning + 7'890'000), fields));
    EXPECT_EQ(fields.wYear, 2026);
    EXPECT_EQ(fields.wMonth, 3);
    EXPECT_EQ(fields.wDay, 7);
    EXPECT_EQ(fields.wDayOfWeek, 6);  // a Saturday
    EXPECT_EQ(fields.wHour, 8);
    EXPECT_EQ(fields.wMinute, 5);
    EXPECT_EQ(fields.wSecond, 3);
    EXPECT_EQ(fields.wMilliseconds, 789);

    ASSERT_TRUE(fileTimeToCalendar(FileTime::fromTicks(133'537'247'990'000'000ULL), fields));
    EXPECT_EQ(fields.wMonth * 100 + fields.wDay, 229);  // leap day 2024, 23:59:59
    EXPECT_EQ(fields.wSecond, 59);

    ASSERT_TRUE(fileTimeToCalendar(FileTime{}, fields));
    EXPECT_EQ(fields.wYear, 1601);
    EXPECT_EQ(fields.wDayOfWeek, 1);  // 1 January 1601 was a Monday

    SystemTime untouched;
    EXPECT_FALSE(fileTimeToCalendar(FileTime::fromTicks(1ULL << 63), untouched));
    EXPECT_EQ(untouched.wYear, 0);
}

TEST(RegistryFileTimeTest, LocalTimeUsesTheOffsetInForceAtThatMoment) {
    CentralEuropeanTime zone;
    FileTime local;
    ASSERT_TRUE(fileTimeToLocal(FileTime::fromTicks(kMarchMorning), local));
    EXPECT_EQ(local.ticks(), kMarchMorning + 3'600ULL * 10'000'000);
    ASSERT_TRUE(fileTimeToLocal(FileTime::fromTicks(kJulyNoon), local));
    EXPECT_EQ(local.ticks(), kJulyNoon + 7'200ULL * 10'000'000);
}

TEST(RegistryFileTimeTest, LastWriteTimeIsLocalToTheSecond) {
    CentralEuropeanTime zone;
    testing::TestRegistry store;
    testing::RecordingRegistry recorder(store.api());
    recorder.replaceLastWrite = true;
    recorder.lastWrite = FileTime::fromTicks(kMarchMorning + 9'990'000);  // .999 s
    CRegistry Registry(recorder);
    Registry.OpenKey(registry_root::kLocalMachine, "Software\\Stamp", true);
    EXPECT_EQ(Registry.LastWriteTime(), (DateTime{2026, 3, 7, 9, 5, 3}));
}

}  // namespace
}  // namespace tolvane
