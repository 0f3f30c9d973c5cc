#pragma once

#include <string>

#include "date_time.h"

namespace tolvane {

// Turns a date-time value into the text the listing shows: the short date, one space and
// the long time; the date alone when the time is exactly midnight.
class DateTimeText {
public:
    // Formats in strftime notation.
    DateTimeText(std::string shortDateFormat, std::string longTimeFormat);

    // The formats of the user's regional settings (LC_TIME; ISO dates and 24-hour times
    // under the C or POSIX locale).
    static DateTimeText fromUserSettings();

    std::string format(const DateTime& value) const;
    void appendTo(std::string& out, const DateTime& value) const;

    const std::string& shortDateFormat() const { return shortDateFormat_; }
    const std::string& longTimeFormat() const { return longTimeFormat_; }

private:
    std::string shortDateFormat_;
    std::string longTimeFormat_;
};

}  // namespace tolvane
