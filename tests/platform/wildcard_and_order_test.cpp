#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "name_order.h"
#include "wildcard.h"

namespace tolvane {
namespace {

TEST(Wildcard, StarQuestionMarkCaseBlindLettersAndTheWindowsDotRules) {
    struct Case {
        const char* pattern;
        std::string name;
        bool matches;
    };
    const Case cases[] = {
        {"*.txt", "notes.TXT", true},
        {"*.txt", ".txt", true},
        {"*.txt", "notes.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a*b*c", "aXXbYYbZc", true},
        {"a*b*c", "aXXbYY", false},
        {"report", "REPORT", true},
        {"report", "report2", false},
        // "*.*" (like "*" and the empty pattern) matches every name, dot or not, and
        // "name.*" matches "name" too; "name." and "*." match only names without a dot.
        {"", "a.b.c", true},
        {"*", "README", true},
        {"*.*", "README", true},
        {"README.*", "README", true},
        {"README.*", "readme.md", true},
        {"*.", "README", true},
        {"*.", "a.b", false},
        {"*.", ".profile", false},
        {"abc.", "ABC", true},
        {"abc.", "abcd", false},
        {"a?.", "ab", true},
        {"a*.", "ab.c", false},
        // "?" takes one whole character; a byte that is not UTF-8 is one by itself.
        {"caf?", "caf\xC3\xA9", true},
        {"caf??", "caf\xC3\xA9", false},
        {"?x", "\xFFx", true},
        {"caf\xC3*", "caf\xC3\xA9", false},
        {"???", "\xE0\x80\x80", true},  // an overlong form is three bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
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

}  // namespace
}  // namespace tolvane
