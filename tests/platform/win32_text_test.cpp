// Text at the Windows boundaries: UTF-16 for the W functions, the ANSI code page of the
// listing file, and the date and time text of the user's defaults.

#include "win32_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "date_time_text.h"

namespace tolvane {
namespace {

// "Grüße", "αβγ" and a character beyond the 16-bit range (G clef, a surrogate pair).
const std::string kGerman = "Gr\u00FC\u00DFe";
const std::string kGreek = "\xCE\xB1\xCE\xB2\xCE\xB3";
const std::string kClef = "\xF0\x9D\x84\x9E";

TEST(Win32Text, Utf16RoundTripsEveryCharacterAndTheAnsiFormIsTheSystemsConversion) {
    const std::string text = "plain " + kGerman + " " + kGreek + " " + kClef;
    const std::wstring wide = wideFromUtf8(text);
    EXPECT_EQ(wide, L"plain Gr\u00FC\u00DFe \u03B1\u03B2\u03B3 \xD834\xDD1E");
    EXPECT_EQ(utf8FromWide(wide), text);
    EXPECT_EQ(wideFromUtf8(""), L"");
    // Bytes that are not UTF-8 are replaced, never dropped silently or crashed on.
    EXPECT_EQ(wideFromUtf8("a\377b"), L"a\uFFFDb");

    EXPECT_EQ(ansiFromUtf8("Report.doc\tC:\\Work"), "Report.doc\tC:\\Work");
    EXPECT_EQ(utf8FromAnsi(ansiFromUtf8(kGerman)), kGerman);
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the exact bytes below are those of code page 1252";
    }
    EXPECT_EQ(ansiFromUtf8(kGerman), "Gr\374\337e");
    EXPECT_EQ(utf8FromAnsi("\x80 \xE9"), "\xE2\x82\xAC \xC3\xA9");  // euro sign, e acute
    // What 1252 cannot hold is "?", never a look-alike that names another file: the code
    // page's best fit would make "Omega.dat" of the first and "a" of alpha.
    EXPECT_EQ(ansiFromUtf8("\xCE\xA9mega.dat"), "?mega.dat");
    EXPECT_EQ(ansiFromUtf8(kGreek), "???");
    EXPECT_EQ(ansiFromUtf8("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"), "???.txt");
}

// The user's short date or long time as the system writes it.
std::string systemText(const SYSTEMTIME& time, bool date) {
    char text[128];
    const int length =
        date ? GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, 128)
             : GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 128);
    return length > 0 ? utf8FromAnsi(std::string(text, length - 1)) : std::string();
}

TEST(Win32DateTimeText, TheUsersShortDateAndLongTimeAndTheDateAloneAtMidnight) {
    const DateTimeText text = DateTimeText::fromUserSettings();
    const SYSTEMTIME afternoon{2004, 3, 0, 5, 17, 2, 40, 0};
    const std::string date = systemText(afternoon, true);
    const std::string time = systemText(afternoon, false);
    ASSERT_FALSE(date.empty());
    ASSERT_FALSE(time.empty());
    EXPECT_NE(date.find("2004"), std::string::npos);
    EXPECT_EQ(text.format(DateTime{2004, 3, 5, 17, 2, 40}), date + " " + time);
    EXPECT_EQ(text.format(DateTime{2004, 3, 5, 0, 0, 0}), date);
    EXPECT_EQ(text.format(DateTime{2004, 3, 5, 0, 0, 1}).rfind(date + " ", 0), 0u);
    // The zero date-time value still has a date; one the system cannot format is ISO text.
    EXPECT_NE(text.format(DateTime{}).find("1899"), std::string::npos);
    EXPECT_EQ(text.format(DateTime{1500, 7, 1, 8, 9, 10}), "1500-07-01 08:09:10");
}

}  // namespace
}  // namespace tolvane
