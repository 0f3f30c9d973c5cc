#include "registry_file_time.h"

#include <time.h>

#include <cstdint>
#include <limits>

namespace tolvane {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kEpochDifference = 11'644'473'600;
// Days from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kEpochDifferenceDays = kEpochDifference / 86'400;

// Year, month and day of a day count since 1970 in the proleptic Gregorian calendar
// (H. Hinnant's civil_from_days), exact over the whole range of a FILETIME.
void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

FileTime fileTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(now.tv_sec) + kEpochDifference) * kTicksPerSecond +
        now.tv_nsec / 100;
    return FileTime::fromTicks(static_cast<std::uint64_t>(ticks));
}

bool fileTimeToLocal(const FileTime& utc, FileTime& local) {
    const std::uint64_t ticks = utc.ticks();
    if (ticks > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    const time_t seconds =
        static_cast<time_t>(static_cast<std::int64_t>(ticks) / kTicksPerSecond - kEpochDifference);
    tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr) {
        return false;
    }
    const std::int64_t shifted = static_cast<std::int64_t>(ticks) +
                                 static_cast<std::int64_t>(fields.tm_gmtoff) * kTicksPerSecond;
    if (shifted < 0) {
        return false;
    }
    local = FileTime::fromTicks(static_cast<std::uint64_t>(shifted));
    return true;
}

bool fileTimeToCalendar(const FileTime& time, SystemTime& fields) {
    const std::uint64_t ticks = time.ticks();
    if (ticks > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    const auto signedTicks = static_cast<std::int64_t>(ticks);
    const std::int64_t days = signedTicks / kTicksPerDay;
    const std::int64_t ticksOfDay = signedTicks % kTicksPerDay;

    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(days - kEpochDifferenceDays, year, month, day);

    fields.wYear = static_cast<std::uint16_t>(year);
    fields.wMonth = static_cast<std::uint16_t>(month);
    fields.wDay = static_cast<std::uint16_t>(day);
    // 1 January 1601 was a Monday; Sunday is 0.
    fields.wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);
    const std::int64_t secondOfDay = ticksOfDay / kTicksPerSecond;
    fields.wHour = static_cast<std::uint16_t>(secondOfDay / 3'600);
    fields.wMinute = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
    fields.wSecond = static_cast<std::uint16_t>(secondOfDay % 60);
    fields.wMilliseconds = static_cast<std::uint16_t>(ticksOfDay % kTicksPerSecond / 10'000);
    return true;
}

}  // namespace tolvane
