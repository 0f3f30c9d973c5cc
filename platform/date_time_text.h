#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "date_time.h"

namespace tolvane {

// Turns a date-time value into the text the listing shows: the short date, one space and
// the long time; the date alone when the time is exactly midnight.
class DateTimeText {
  public:
    // Formats in strftime notation.
    DateTimeText(std::string shortDateFormat, std::string longTimeFormat);

    // The formats of the user's regional settings (LC_TIME; ISO dates and 24-hour times
    // under the C or POSIX locale). On Windows the text comes from GetDateFormatA and
    // GetTimeFormatA with the user's defaults, the two formats below serving only for a
    // date the system cannot format (one before 1601).
    static DateTimeText fromUserSettings();

    std::string format(const DateTime& value) const;
    void appendTo(std::string& out, const DateTime& value) const;

    // The same form as a spreadsheet's number format ("yyyy-mm-dd hh:mm:ss"), for a cell
    // that holds the date-time itself. A cell's format cannot drop the time at midnight.
    std::string cellFormat() const;

    const std::string& shortDateFormat() const { return shortDateFormat_; }
    const std::string& longTimeFormat() const { return longTimeFormat_; }

  private:
    void formatInto(std::string& out, const DateTime& value) const;

    // A format that names nothing but numbers (year, month, day, hours, minutes, seconds)
    // is written without strftime, which costs more than the rest of a line: its text with
    // zeros for the digits, and where each number goes, made once.
    struct NumericPattern {
        struct Field {
            std::size_t at;  // where in the text its two digits go
            int DateTime::*part;
            int divisor;  // 100 for the century, else 1; the digits are the rest after 100
        };
        bool usable = false;
        std::string text;
        std::vector<Field> fields;

        static NumericPattern of(const std::string& format);
        // Appends `value` as strftime would write the format; false, with nothing written,
        // for a format that is not all numbers or a value whose text would not have the
        // usual width.
        bool appendTo(std::string& out, const DateTime& value) const;
    };

    std::string shortDateFormat_;
    std::string longTimeFormat_;
    NumericPattern datePattern_;
    NumericPattern timePattern_;
    // What was formatted last; the text depends on nothing else.
    mutable bool lastValid_ = false;
    mutable DateTime lastValue_;
    mutable std::string lastText_;
    mutable bool lastDateValid_ = false;
    mutable DateTime lastDate_;
    mutable std::string lastDateText_;
#ifdef _WIN32
    bool systemDefaults_ = false;
#endif
};

// A strftime format ("%d.%m.%Y") as a spreadsheet's number format ("dd.mm.yyyy"); and a
// Windows date or time picture ("dd/MM/yyyy", "h:mm:ss tt") likewise. Conversions that
// have no counterpart (a time zone, an era) are left out; other text is quoted.
std::string cellFormatOfStrftime(std::string_view format);
std::string cellFormatOfPicture(std::string_view picture);

}  // namespace tolvane
