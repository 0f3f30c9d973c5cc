#pragma once

namespace tolvane {

// A calendar date with a time of day to the second, in local time.
// The zero value is 30 December 1899, 00:00:00.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0; }
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace tolvane
