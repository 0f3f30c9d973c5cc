#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "name_order.h"
#include "wildcard.h"

namespace tolvane {
namespace {

TEST(Wildcard, StarQuestionMarkCaseBlindLettersDotRulesAndWhatAFileFilterMayHold) {
    // "*.*" (like "*" and the empty pattern) matches every name, dot or not, "name.*" also
    // "name"; "name." and "*." match only names without a dot. "?" takes one character:
    // a whole UTF-8 sequence, or one byte of an overlong form, a surrogate or no UTF-8.
    // clang-format off
    const std::pair<const char*, std::string> matching[] = {
        {"*.txt", "notes.TXT"}, {"a?c", "abc"}, {"", "a.b.c"}, {"*", "README"}, {"*.*", "README"},
        {"README.*", "README"}, {"*.", "README"}, {"abc.", "ABC"}, {"a?.", "ab"},
        {"caf?", "caf\xC3\xA9"}, {"?", "\xF0\x9F\x98\x80"}, {"?x", "\xFFx"},
        {"???", "\xE0\x80\x80"}, {"???", "\xED\xA0\x80"}, {"????", "\xF0\x80\x80\x80"},
        // A "*" gives back whole characters, the last "*" as often as it must.
        {"*\xC3\xA9x", "\xC3\xA9\xC3\xA9x"}, {"a*b?c*d", "aXbYbZc\xC3\xA9" "d"}, {"*a*a", "aXaYa"},
        {"*?\xC3\xA9", "\xF0\x9F\x98\x80\xC3\xA9"}};
    // clang-format on
    for (const auto& [pattern, name] : matching) {
        EXPECT_TRUE(matchesWildcard(pattern, name)) << pattern << " " << name;
    }
    const std::pair<const char*, std::string> notMatching[] = {
        {"*.txt", "notes.txt.bak"}, {"*.", "a.b"},    {"*.", ".profile"},
        {"abc.", "abcd"},           {"a*.", "ab.c"},  {"caf\xC3*", "caf\xC3\xA9"},
        {"*\xA9", "\xC3\xA9"},      {"*a*b", "aXaYa"}};
    for (const auto& [pattern, name] : notMatching) {
        EXPECT_FALSE(matchesWildcard(pattern, name)) << pattern << " " << name;
    }

    // A file filter names files only: a separator would reach into another folder.
#ifdef _WIN32
    for (const char* pattern : {"../*", "..\\*", "sub\\a.txt", "C:*", "a:b"}) {
#else
    for (const char* pattern : {"../*", "sub/a.txt", "/"}) {
#endif
        EXPECT_FALSE(isFileFilter(pattern)) << pattern;
    }
    for (const char* pattern : {"", "*.txt", "..", "a\xC3\xA9?"}) {
        EXPECT_TRUE(isFileFilter(pattern)) << pattern;
    }
}

TEST(Wildcard, ManyStarsStayFast) {
    // Would take ages with naive back-tracking.
    EXPECT_FALSE(matchesWildcard("*a*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(NameOrder, UpperCasedByteOrderAsAnNtfsFolderLists) {
    std::vector<std::string> names = {"_x",     "alpha", "Beta", "beta",
                                      "ALPHA2", "10",    "~z",   ".hidden"};
    std::sort(names.begin(), names.end(), namesInOrder);
    const std::vector<std::string> expected = {".hidden", "10",   "alpha", "ALPHA2",
                                               "Beta",    "beta", "_x",    "~z"};
    EXPECT_EQ(names, expected);
}

// (The date and time, and the date alone at midnight, are proved in listing_line_test.)
TEST(DateTimeText, OneSecondPastMidnightHasItsTimeAndTheZeroValueIsADate) {
    const DateTimeText text("%d-%m-%Y", "%H:%M:%S");
    EXPECT_EQ(text.format(DateTime{2004, 1, 1, 0, 0, 1}), "01-01-2004 00:00:01");
    EXPECT_EQ(text.format(DateTime{}), "30-12-1899");
    // The weekday of a date the C library was never given as a whole.
    const DateTimeText twelve("%a %d/%m/%y", "%I:%M:%S %p");
    EXPECT_EQ(twelve.format(DateTime{2000, 2, 29, 12, 0, 0}), "Tue 29/02/00 12:00:00 PM");
}

// A workbook's date cells show the user's forms: the C library's and Windows' notations
// as a spreadsheet's number format, text that is not a code quoted.
TEST(DateTimeText, TheUsersFormsAsASpreadsheetsNumberFormat) {
    const struct {
        const char* strftime;
        const char* picture;
        const char* cell;
    } cases[] = {
        {"%Y-%m-%d %H:%M:%S", "yyyy-MM-dd HH:mm:ss", "yyyy-mm-dd hh:mm:ss"},
        {"%d.%m.%Y %T", "dd.MM.yyyy HH:mm:ss", "dd.mm.yyyy hh:mm:ss"},
        {"%m/%d/%Y %r", "MM/dd/yyyy hh:mm:ss tt", "mm/dd/yyyy hh:mm:ss AM/PM"},
        {"%-d/%-m/%y %-I:%M %p", "d/M/yy h:mm tt", "d/m/yy h:mm AM/PM"},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5",
         "yyyy'\xE5\xB9\xB4'MM'\xE6\x9C\x88'dd'\xE6\x97\xA5'",
         "yyyy\"\xE5\xB9\xB4\"mm\"\xE6\x9C\x88\"dd\"\xE6\x97\xA5\""},
        {"%Hh%M %Z", "HH'h'mm ", "hh\"h\"mm "},
        {"%A%n%%", "dddd '%'", "dddd \"%\""},
        {"at \"%H\"", "'at '\"HH\"", "\"at \"\\\"hh\\\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cellFormatOfStrftime(c.strftime), c.cell) << c.strftime;
        EXPECT_EQ(cellFormatOfPicture(c.picture), c.cell) << c.picture;
    }
}

#ifndef _WIN32
TEST(DateTimeText, TheCLocaleGivesIsoDatesAndTwentyFourHourTimes) {
    const std::string saved = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    const DateTimeText text = DateTimeText::fromUserSettings();
    std::setlocale(LC_TIME, saved.c_str());
    EXPECT_EQ(text.format(DateTime{2004, 3, 5, 17, 2, 40}), "2004-03-05 17:02:40");
    EXPECT_EQ(text.cellFormat(), "yyyy-mm-dd hh:mm:ss");
}
#endif

}  // namespace
}  // namespace tolvane
