#include "registry_file_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tolvane {
namespace {

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
