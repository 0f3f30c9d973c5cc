#include "date_time_text.h"

#include <array>
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

// The two digits of every number from 0 to 99, one after another.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

void twoDigits(char* at, int value) {
    std::memcpy(at, &kDigitPairs[2 * static_cast<std::size_t>(value)], 2);
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

// Text a number format shows as it is; anything else goes inside quotes, so that a letter
// of the format's own text is never read as a code.
bool showsAsItIs(char c) {
    return c == ' ' || c == '-' || c == '/' || c == ':' || c == '.' || c == ',' || c == '(' ||
           c == ')';
}

// Collects a number format: codes as they are, other text quoted.
class CellFormat {
  public:
    void code(std::string_view text) {
        closeQuote();
        out_.append(text);
    }
    void literal(char c) {
        if (showsAsItIs(c) && !quoted_) {
            out_.push_back(c);
            return;
        }
        if (c == '"') {
            code("\\\"");  // a quote cannot stand inside quotes
            return;
        }
        if (!quoted_) {
            out_.push_back('"');
            quoted_ = true;
        }
        out_.push_back(c);
    }
    std::string take() {
        closeQuote();
        return std::move(out_);
    }

  private:
    void closeQuote() {
        if (quoted_) {
            out_.push_back('"');
            quoted_ = false;
        }
    }
    std::string out_;
    bool quoted_ = false;
};

}  // namespace

// What each strftime conversion becomes, padded with zeros and (after the flag "-") not.
struct Conversion {
    char letter;
    const char* padded;
    const char* unpadded;
};
constexpr Conversion kConversions[] = {
    {'Y', "yyyy", "yyyy"},
    {'y', "yy", "yy"},
    {'m', "mm", "m"},
    {'d', "dd", "d"},
    {'e', "d", "d"},
    {'b', "mmm", "mmm"},
    {'h', "mmm", "mmm"},
    {'B', "mmmm", "mmmm"},
    {'a', "ddd", "ddd"},
    {'A', "dddd", "dddd"},
    {'H', "hh", "h"},
    {'k', "h", "h"},
    {'I', "hh", "h"},
    {'l', "h", "h"},
    {'M', "mm", "m"},
    {'S', "ss", "s"},
    {'p', "AM/PM", "AM/PM"},
    {'P', "AM/PM", "AM/PM"},
    {'D', "mm/dd/yy", "m/d/yy"},
    {'F', "yyyy-mm-dd", "yyyy-m-d"},
    {'T', "hh:mm:ss", "h:mm:ss"},
    {'R', "hh:mm", "h:mm"},
    {'r', "hh:mm:ss AM/PM", "h:mm:ss AM/PM"},
};

std::string cellFormatOfStrftime(std::string_view format) {
    CellFormat out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out.literal(format[i]);
            continue;
        }
        // GNU flags and widths ("%-d", "%_H", "%10Y") and the E and O modifiers change how
        // a number is padded or spelt, not which one it is.
        bool unpadded = false;
        for (++i; i < format.size() && std::strchr("-_0^#EO123456789", format[i]) != nullptr; ++i) {
            unpadded = unpadded || format[i] == '-';
        }
        const char letter = i < format.size() ? format[i] : '\0';
        if (letter == 'n' || letter == 't' || letter == '%') {
            out.literal(letter == '%' ? '%' : ' ');
            continue;
        }
        // Anything else (a time zone, a week number, the century) shows nothing.
        for (const Conversion& conversion : kConversions) {
            if (conversion.letter == letter) {
                out.code(unpadded ? conversion.unpadded : conversion.padded);
            }
        }
    }
    return out.take();
}

std::string cellFormatOfPicture(std::string_view picture) {
    CellFormat out;
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted text; two quotes stand for one.
            std::size_t end = i + 1;
            for (; end < picture.size(); ++end) {
                if (picture[end] == '\'') {
                    if (end + 1 < picture.size() && picture[end + 1] == '\'') {
                        out.literal('\'');
                        ++end;
                        continue;
                    }
                    break;
                }
                out.literal(picture[end]);
            }
            i = end + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) {
            ++run;
        }
        switch (c) {
            case 'd':
                out.code(std::string(std::min<std::size_t>(run, 4), 'd'));
                break;
            case 'M':
                out.code(std::string(std::min<std::size_t>(run, 4), 'm'));
                break;
            case 'y':
                out.code(run <= 2 ? "yy" : "yyyy");
                break;
            case 'h':
            case 'H':
                out.code(run == 1 ? "h" : "hh");
                break;
            case 'm':
                out.code(run == 1 ? "m" : "mm");
                break;
            case 's':
                out.code(run == 1 ? "s" : "ss");
                break;
            case 't':
                out.code(run == 1 ? "A/P" : "AM/PM");
                break;
            case 'g':
                break;  // the era
            default:
                for (std::size_t k = 0; k < run; ++k) {
                    out.literal(c);
                }
        }
        i += run;
    }
    return out.take();
}

DateTimeText::DateTimeText(std::string shortDateFormat, std::string longTimeFormat)
    : shortDateFormat_(std::move(shortDateFormat)),
      longTimeFormat_(std::move(longTimeFormat)),
      datePattern_(NumericPattern::of(shortDateFormat_)),
      timePattern_(NumericPattern::of(longTimeFormat_)) {}

DateTimeText::NumericPattern DateTimeText::NumericPattern::of(const std::string& format) {
    NumericPattern pattern;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            pattern.text.push_back(format[i]);
            continue;
        }
        ++i;
        int DateTime::*part = nullptr;
        switch (i < format.size() ? format[i] : '\0') {
            case '%':
                pattern.text.push_back('%');
                continue;
            case 'Y':
                // The century, then the year within it.
                pattern.fields.push_back(Field{pattern.text.size(), &DateTime::year, 100});
                pattern.fields.push_back(Field{pattern.text.size() + 2, &DateTime::year, 1});
                pattern.text.append("0000");
                continue;
            case 'm':
                part = &DateTime::month;
                break;
            case 'd':
                part = &DateTime::day;
                break;
            case 'H':
                part = &DateTime::hour;
                break;
            case 'M':
                part = &DateTime::minute;
                break;
            case 'S':
                part = &DateTime::second;
                break;
            default:
                return NumericPattern();  // a conversion only strftime writes
        }
        pattern.fields.push_back(Field{pattern.text.size(), part, 1});
        pattern.text.append("00");
    }
    pattern.usable = true;
    return pattern;
}

bool DateTimeText::NumericPattern::appendTo(std::string& out, const DateTime& value) const {
    if (!usable || value.year < 1000 || value.year > 9999) {
        return false;
    }
    const auto twoDigitsWide = [](int number) { return static_cast<unsigned>(number) <= 99u; };
    if (!twoDigitsWide(value.month) || !twoDigitsWide(value.day) || !twoDigitsWide(value.hour) ||
        !twoDigitsWide(value.minute) || !twoDigitsWide(value.second)) {
        return false;
    }
    const std::size_t start = out.size();
    out.append(text);
    char* const at = out.data() + start;
    for (const Field& field : fields) {
        twoDigits(at + field.at, value.*field.part / field.divisor % 100);
    }
    return true;
}

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
        if (!datePattern_.appendTo(lastDateText_, value)) {
            appendFormatted(lastDateText_, shortDateFormat_.c_str(), toTm(value));
        }
        lastDate_ = day;
        lastDateValid_ = true;
    }
    out.append(lastDateText_);
    if (!value.isMidnight()) {
        out.push_back(' ');
        if (!timePattern_.appendTo(out, value)) {
            appendFormatted(out, longTimeFormat_.c_str(), toTm(value));
        }
    }
}

std::string DateTimeText::cellFormat() const {
#ifdef _WIN32
    if (systemDefaults_) {
        wchar_t date[128];
        wchar_t time[128];
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, date, 128) > 0 &&
            GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, time, 128) > 0) {
            return cellFormatOfPicture(utf8FromWide(date)) + " " +
                   cellFormatOfPicture(utf8FromWide(time));
        }
    }
#endif
    return cellFormatOfStrftime(shortDateFormat_) + " " + cellFormatOfStrftime(longTimeFormat_);
}

std::string DateTimeText::format(const DateTime& value) const {
    std::string out;
    appendTo(out, value);
    return out;
}

}  // namespace tolvane
