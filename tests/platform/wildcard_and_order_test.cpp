#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "date_time_text.h"
#include "name_order.h"
#include "text_characters.h"
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
        {"???", "\xE0\x80\x80"}, {"???", "\xED\xA0\x80"}, {"????", "\xF0\x80\x80\x80"}};
    // clang-format on
    for (const auto& [pattern, name] : matching) {
        EXPECT_TRUE(matchesWildcard(pattern, name)) << pattern << " " << name;
    }
    const std::pair<const char*, std::string> notMatching[] = {
        {"*.txt", "notes.txt.bak"}, {"*.", "a.b"},   {"*.", ".profile"},
        {"abc.", "abcd"},           {"a*.", "ab.c"}, {"caf\xC3*", "caf\xC3\xA9"}};
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

// The reference for the fuzz run below, plainly right rather than fast: both texts as
// characters folded by the one case rule (text_characters.h), "*" and "?" matched by
// trying every way, the dot rules spelt out.
std::vector<char32_t> folded(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size(); i += upperCharacter(text.substr(i)).length) {
        out.push_back(upperCharacter(text.substr(i)).code);
    }
    return out;
}

bool matchesFrom(const std::vector<char32_t>& p, std::size_t i, const std::vector<char32_t>& n,
                 std::size_t j) {
    if (i == p.size()) {
        return j == n.size();
    }
    if (p[i] == '*') {
        return matchesFrom(p, i + 1, n, j) || (j < n.size() && matchesFrom(p, i, n, j + 1));
    }
    return j < n.size() && (p[i] == '?' || p[i] == n[j]) && matchesFrom(p, i + 1, n, j + 1);
}

bool referenceMatch(const std::string& pattern, const std::string& name) {
    const std::vector<char32_t> p = folded(pattern);
    const std::vector<char32_t> n = folded(name);
    const auto without = [&](std::size_t end) {
        return matchesFrom(std::vector<char32_t>(p.begin(), p.end() - end), 0, n, 0);
    };
    return pattern.empty() || pattern == "*" || pattern == "*.*" || matchesFrom(p, 0, n, 0) ||
           (pattern.ends_with(".*") && without(2)) ||  // "name.*" also matches "name"
           (pattern.ends_with('.') && std::count(n.begin(), n.end(), U'.') == 0 && without(1));
}

TEST(Wildcard, AgreesWithAReferenceMatcherOnRandomPatterns) {
    // A fixed seed, so every run checks the same cases; TOLVANE_FUZZ_SEED explores others.
    const char* seedText = std::getenv("TOLVANE_FUZZ_SEED");
    const unsigned seed = seedText != nullptr ? std::strtoul(seedText, nullptr, 10) : 20240607u;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");  // without it, the C locale's case rule is tested

    // Letters in both cases (é/É, the Greek sigmas, ß without a one-letter capital), the
    // dot, a four-byte character, and bytes that are not UTF-8: halves of "é" that can
    // meet, overlong forms, a surrogate.
    // clang-format off
    const std::vector<std::string> letters = {
        "a", "A", "b", "B", ".", ".", "\xC3\xA9", "\xC3\x89", "\xC3\x9F", "\xCF\x83", "\xCE\xA3",
        "\xCF\x82", "\xF0\x9F\x98\x80",
        "\xC3", "\xA9", "\xFF", "\xE0\x80", "\xF0\x80\x80", "\xED\xA0\x80"};
    // clang-format on
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    int matches = 0;
    constexpr int kRuns = 10000;
    for (int run = 0; run < kRuns; ++run) {
        std::vector<std::string> name(1 + pick(7));
        std::string joined;
        for (std::string& letter : name) {
            joined += letter = letters[pick(letters.size())];
        }
        // Every other pattern copies letters of the name, so that many of them match.
        std::string pattern;
        for (std::size_t i = 0, count = 1 + pick(7); i < count; ++i) {
            const std::size_t choice = pick(10);
            pattern += choice < 2                          ? "*"
                       : choice < 3                        ? "?"
                       : (run % 2 == 0 && i < name.size()) ? name[i]
                                                           : letters[pick(letters.size())];
        }
        if (pick(8) == 0) {
            pattern += pick(2) == 0 ? "." : ".*";
        }
        const bool expected = referenceMatch(pattern, joined);
        matches += expected ? 1 : 0;
        ASSERT_EQ(matchesWildcard(pattern, joined), expected)
            << "pattern " << ::testing::PrintToString(pattern) << ", name "
            << ::testing::PrintToString(joined);
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    // Both outcomes must be well represented, or the run proves little.
    EXPECT_GT(matches, kRuns / 10);
    EXPECT_LT(matches, kRuns * 9 / 10);
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
