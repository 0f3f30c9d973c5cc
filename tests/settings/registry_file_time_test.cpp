#include "registry_file_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

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
        saved_ ? setenv("TZ", saved_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

// Year, month, day, day of the week (0 Sunday), hour, minute, second, millisecond.
std::vector<int> calendar(std::uint64_t ticks) {
    SystemTime f;
    EXPECT_TRUE(fileTimeToCalendar(FileTime::fromTicks(ticks), f)) << ticks;
    return {f.wYear, f.wMonth,  f.wDay,    f.wDayOfWeek,
            f.wHour, f.wMinute, f.wSecond, f.wMilliseconds};
}

TEST(RegistryFileTimeTest, CalendarFieldsOfATimeStamp) {
    EXPECT_EQ(calendar(kMarchMorning + 7'890'000), (std::vector<int>{2026, 3, 7, 6, 8, 5, 3, 789}));
    EXPECT_EQ(calendar(133'537'247'990'000'000ULL),  // leap day 2024
              (std::vector<int>{2024, 2, 29, 4, 23, 59, 59, 0}));
    EXPECT_EQ(calendar(0), (std::vector<int>{1601, 1, 1, 1, 0, 0, 0, 0}));  // a Monday
    SystemTime untouched;
    EXPECT_FALSE(fileTimeToCalendar(FileTime::fromTicks(1ULL << 63), untouched));
    EXPECT_EQ(untouched.wYear, 0);
}

TEST(RegistryFileTimeTest, LastWriteTimeIsLocalToTheSecondWithTheOffsetOfThatMoment) {
    CentralEuropeanTime zone;
    testing::TestRegistry store;
    testing::RecordingRegistry recorder(store.api());
    recorder.replaceLastWrite = true;
    CRegistry Registry(recorder);
    Registry.OpenKey(registry_root::kLocalMachine, "Software\\Stamp", true);
    recorder.lastWrite = FileTime::fromTicks(kMarchMorning + 9'990'000);  // .999 s
    EXPECT_EQ(Registry.LastWriteTime(), (DateTime{2026, 3, 7, 9, 5, 3}));
    recorder.lastWrite = FileTime::fromTicks(kJulyNoon);
    EXPECT_EQ(Registry.LastWriteTime(), (DateTime{2026, 7, 1, 14, 0, 0}));
}

}  // namespace
}  // namespace tolvane
