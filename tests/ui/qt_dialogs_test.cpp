#include <gtest/gtest.h>

#include "qt_dialogs.h"

namespace tolvane {
namespace {

TEST(QtDialogsTest, CarriageReturnsBreakLines) {
    EXPECT_EQ(qtMessageText("one\rtwo\r\rfour"), QStringLiteral("one\ntwo\n\nfour"));
    EXPECT_EQ(qtMessageText("a\r\nb"), QStringLiteral("a\nb"));
}

TEST(QtDialogsTest, FilterPairsBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters("TXT file (*.txt)|*.txt|All files (*.*)|*.*"),
              (QStringList{QStringLiteral("TXT file (*.txt)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(qtNameFilters("Lists|*.txt;*.tsv"), QStringList{QStringLiteral("Lists (*.txt *.tsv)")});
    EXPECT_TRUE(qtNameFilters("").isEmpty());
}

}  // namespace
}  // namespace tolvane
