#include "date_time_text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tolvane {
namespace {

// (The date and time, and the date alone at midnight, are proved in listing_line_test.)
TEST(DateTimeText, OneSecondPastMidnightHasItsTimeAndTheZeroValueIsADate) {
    const DateTimeText text("%d-%m-%Y", "%H:%M:%S");
    EXPECT_EQ(text.format(DateTime{2004, 1, 1, 0, 0, 1}), "01-01-2004 00:00:01");
    EXPECT_EQ(text.format(DateTime{}), "30-12-1899");
    const DateTimeText literals("%Y%%%m/%d", "%Hh%Mm%Ss");
    EXPECT_EQ(literals.format(DateTime{9999, 10, 9, 8, 7, 6}), "9999%10/09 08h07m06s");
}

TEST(DateTimeText, WeekdayAndTwelveHourFormatsWork) {
    const DateTimeText text("%a %d/%m/%y", "%I:%M:%S %p");
    EXPECT_EQ(text.format(DateTime{2004, 6, 14, 17, 2, 40}), "Mon 14/06/04 05:02:40 PM");
    EXPECT_EQ(text.format(DateTime{2000, 2, 29, 12, 0, 0}), "Tue 29/02/00 12:00:00 PM");
}

#ifndef _WIN32
TEST(DateTimeText, TheCLocaleGivesIsoDatesAndTwentyFourHourTimes) {
    const std::string saved = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    const DateTimeText text = DateTimeText::fromUserSettings();
    std::setlocale(LC_TIME, saved.c_str());
    EXPECT_EQ(text.format(DateTime{2004, 3, 5, 17, 2, 40}), "2004-03-05 17:02:40");
}
#endif

}  // namespace
}  // namespace tolvane
