#include "application_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

// The rules of a stored text. (Reading and writing the nine settings is proved through
// the window in tests/form.)
TEST(SwitchValueTest, OnlyTrueSwitchesOn) {
    for (const std::string text : {"TRUE", "True", " true ", "tRuE"}) {
        EXPECT_TRUE(switchValue(text)) << '"' << text << '"';
    }
    for (const std::string text : {"T", "yes", "-1", "1", "", " ", "False", "TRUE.", "\ttrue"}) {
        EXPECT_FALSE(switchValue(text)) << '"' << text << '"';
    }
    EXPECT_EQ(switchText(true) + switchText(false), "TrueFalse");
}

TEST(FilterToolTipTest, KeepsUpToTheCharacterAfterTheFirstColon) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Search specific files: ", "Search specific files: p"},
        {"a:b:c", "a:bp"},
        {"Ends in:", "Ends in:p"},
        {"No colon", "Np"},
        {"", "p"},
        {"Suche:\xC3\xA4x", "Suche:\xC3\xA4p"},  // a whole character
        {"a:\xC3x", "a:\xC3p"},                  // a byte that begins none is one
    };
    for (const auto& [toolTip, expected] : cases) {
        EXPECT_EQ(filterToolTipFor(toolTip, "p"), expected) << toolTip;
    }
}

}  // namespace
}  // namespace tolvane
