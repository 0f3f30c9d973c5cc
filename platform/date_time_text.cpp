#include "date_time_text.h"

#include <clocale>
#include <cstring>
#include <ctime>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "win32_text.h"
#else
#include <langinfo.h>
#endif

namespace tolvane {

namespace {

constexpr char kIsoDate[] = "%Y-%m-%d";
constexpr char kIsoTime[] = "%H:%M:%S";

#ifndef _WIN32
bool isPlainCLocale(const char* name) {
    if (name == nullptr) {
        return true;
    }
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}
#endif

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::tm toTm(const DateTime& value) {
    std::tm tm{};
    tm.tm_year = value.year - 1900;
    tm.tm_mon = value.month - 1;
    tm.tm_mday = value.day;
    tm.tm_hour = value.hour;
    tm.tm_min = value.minute;
    tm.tm_sec = value.second;
    tm.tm_isdst = -1;
    // Weekday and day of the year, for formats that name them.
    const long days = daysFromCivil(value.year, value.month, value.day);
    tm.tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - daysFromCivil(value.year, 1, 1));
    return tm;
}

// True when every conversion of `format` is one appendNumeric writes.
bool isNumericFormat(const std::string& format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%') {
            if (++i == format.size() || std::strchr("YmdHMS%", format[i]) == nullptr) {
                return false;
            }
        }
    }
    return true;
}

char* twoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
    return at + 2;
}

// Writes `format` (one isNumericFormat accepts) as strftime would; false, with nothing
// written, for a value whose text would not have the usual width or a format too long.
bool appendNumeric(std::string& out, const std::string& format, const DateTime& value) {
    char text[128];
    if (value.year < 1000 || value.year > 9999 || format.size() > sizeof text / 2) {
        return false;
    }
    for (const int field : {value.month, value.day, value.hour, value.minute, value.second}) {
        if (field < 0 || field > 99) {
            return false;
        }
    }
    char* at = text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            *at++ = format[i];
            continue;
        }
        switch (format[++i]) {
            case 'Y':
                at = twoDigits(twoDigits(at, value.year / 100), value.year % 100);
                break;
            case 'm':
                at = twoDigits(at, value.month);
                break;
            case 'd':
                at = twoDigits(at, value.day);
                break;
            case 'H':
                at = twoDigits(at, value.hour);
                break;
            case 'M':
                at = twoDigits(at, value.minute);
                break;
            case 'S':
                at = twoDigits(at, value.second);
                break;
            default:
                *at++ = '%';
                break;
        }
    }
    out.append(text, at);
    return true;
}

void appendFormatted(std::string& out, const char* format, const std::tm& tm) {
    char text[256];
    std::size_t length = std::strftime(text, sizeof text, format, &tm);
    out.append(text, length);
}

#ifdef _WIN32
// The user's short date or long time of `value`, converted from the ANSI code page to the
// program's text; false when the system cannot format it.
bool appendSystemFormatted(std::string& out, const DateTime& value, bool date) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(value.year);
    time.wMonth = static_cast<WORD>(value.month);
    time.wDay = static_cast<WORD>(value.day);
    time.wHour = static_cast<WORD>(value.hour);
    time.wMinute = static_cast<WORD>(value.minute);
    time.wSecond = static_cast<WORD>(value.second);
    char text[128];
    const int length =
        date
            ? GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, sizeof text)
            : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, sizeof text);
    if (length <= 0) {
        return false;
    }
    out.append(utf8FromAnsi(std::string_view(text, static_cast<std::size_t>(length - 1))));
    return true;
}
#endif

}  // namespace

DateTimeText::DateTimeText(std::string shortDateFormat, std::string longTimeFormat)
    : shortDateFormat_(std::move(shortDateFormat)),
      longTimeFormat_(std::move(longTimeFormat)),
      numericDate_(isNumericFormat(shortDateFormat_)),
      numericTime_(isNumericFormat(longTimeFormat_)) {}

DateTimeText DateTimeText::fromUserSettings() {
#ifdef _WIN32
    DateTimeText text(kIsoDate, kIsoTime);
    text.systemDefaults_ = true;
    return text;
#else
    if (isPlainCLocale(std::setlocale(LC_TIME, nullptr))) {
        return DateTimeText(kIsoDate, kIsoTime);
    }
    const char* date = nl_langinfo(D_FMT);
    const char* time = nl_langinfo(T_FMT);
    return DateTimeText(date != nullptr && *date != '\0' ? date : kIsoDate,
                        time != nullptr && *time != '\0' ? time : kIsoTime);
#endif
}

void DateTimeText::appendTo(std::string& out, const DateTime& value) const {
    // Files of one folder often share their time stamp, and more often their day: the
    // last text and the last date are kept, so that most files format nothing new.
    if (!lastValid_ || !(lastValue_ == value)) {
        lastText_.clear();
        formatInto(lastText_, value);
        lastValue_ = value;
        lastValid_ = true;
    }
    out.append(lastText_);
}

void DateTimeText::formatInto(std::string& out, const DateTime& value) const {
#ifdef _WIN32
    if (systemDefaults_) {
        const std::size_t start = out.size();
        if (appendSystemFormatted(out, value, true)) {
            if (value.isMidnight()) {
                return;
            }
            out.push_back(' ');
            if (appendSystemFormatted(out, value, false)) {
                return;
            }
        }
        out.resize(start);
    }
#endif
    const DateTime day{value.year, value.month, value.day, 0, 0, 0};
    if (!lastDateValid_ || !(lastDate_ == day)) {
        lastDateText_.clear();
        if (!numericDate_ || !appendNumeric(lastDateText_, shortDateFormat_, value)) {
            appendFormatted(lastDateText_, shortDateFormat_.c_str(), toTm(value));
        }
        lastDate_ = day;
        lastDateValid_ = true;
    }
    out.append(lastDateText_);
    if (!value.isMidnight()) {
        out.push_back(' ');
        if (!numericTime_ || !appendNumeric(out, longTimeFormat_, value)) {
            appendFormatted(out, longTimeFormat_.c_str(), toTm(value));
        }
    }
}

std::string DateTimeText::format(const DateTime& value) const {
    std::string out;
    appendTo(out, value);
    return out;
}

}  // namespace tolvane
