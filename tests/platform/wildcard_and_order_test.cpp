#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "name_order.h"
#include "wildcard.h"

namespace tolvane {
namespace {

TEST(Wildcard, StarQuestionMarkAndCaseBlindLetters) {
    EXPECT_TRUE(matchesWildcard("*.txt", "notes.TXT"));
    EXPECT_TRUE(matchesWildcard("*.txt", ".txt"));
    EXPECT_FALSE(matchesWildcard("*.txt", "notes.txt.bak"));
    EXPECT_TRUE(matchesWildcard("a?c", "abc"));
    EXPECT_FALSE(matchesWildcard("a?c", "ac"));
    EXPECT_TRUE(matchesWildcard("a*b*c", "aXXbYYbZc"));
    EXPECT_FALSE(matchesWildcard("a*b*c", "aXXbYY"));
    EXPECT_TRUE(matchesWildcard("report", "REPORT"));
    EXPECT_FALSE(matchesWildcard("report", "report2"));
}

TEST(Wildcard, EveryNamePatterns) {
    for (const char* pattern : {"", "*", "*.*"}) {
        EXPECT_TRUE(matchesWildcard(pattern, "README")) << pattern;
        EXPECT_TRUE(matchesWildcard(pattern, "a.b.c")) << pattern;
    }
    EXPECT_TRUE(matchesWildcard("README.*", "README"));
    EXPECT_TRUE(matchesWildcard("README.*", "readme.md"));
}

TEST(Wildcard, QuestionMarkTakesOneWholeCharacter) {
    EXPECT_TRUE(matchesWildcard("caf?", "caf\xC3\xA9"));  // é is two bytes
    EXPECT_FALSE(matchesWildcard("caf??", "caf\xC3\xA9"));
    EXPECT_TRUE(matchesWildcard("?x", "\xFFx"));  // not UTF-8: one byte each
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

}  // namespace
}  // namespace tolvane
