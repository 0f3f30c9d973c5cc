// The window as it is laid out: positions, captions, tips, fonts, focus order, menus.
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "form_fixture.h"

namespace tolvane::test {
namespace {

using LayoutTest = FormTest;

TEST_F(LayoutTest, ControlsSitWhereTheirTwipsPutThem) {
    open(root + "/tree");
    // Each control at its twip position (15 twips to a pixel), worked out by hand.
    const struct {
        QWidget* control;
        QRect expected;
    } placements[] = {
        {form->Result_Frame, QRect(8, 8, 345, 225)},
        {form->Result_Drive, QRect(8, 16, 161, 19)},
        {form->Result_Dir, QRect(8, 48, 161, 163)},
        {form->Result_File, QRect(176, 16, 161, 188)},
        {form->Progress_Label, QRect(8, 240, 345, 17)},
        {form->Comment_Check, QRect(368, 16, 89, 17)},
        {form->Recurse_Check, QRect(368, 40, 89, 17)},
        {form->Filter_Check, QRect(368, 64, 89, 17)},
        {form->Make_Button, QRect(368, 232, 89, 25)},
    };
    for (const auto& placement : placements) {
        EXPECT_EQ(placement.control->geometry(), placement.expected)
            << placement.control->objectName().toStdString();
    }
    // The three lists belong to the frame, the rest to the client area of 7005 x 4005.
    EXPECT_EQ(form->Result_Drive->parentWidget(), form->Result_Frame);
    EXPECT_EQ(form->Result_File->parentWidget(), form->Result_Frame);
    EXPECT_EQ(form->Make_Button->parentWidget(), form->centralWidget());
    EXPECT_EQ(form->centralWidget()->size(), QSize(467, 267));
    // Fixed size: the window is the menu bar plus the client area, and cannot be resized.
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->height(), form->menuBar()->height() + 267);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(LayoutTest, FontsStatesAndMenus) {
    EXPECT_TRUE(form->Result_Frame->font().bold());
    EXPECT_DOUBLE_EQ(form->Result_Frame->font().pointSizeF(), 8.25);
    EXPECT_TRUE(form->Make_Button->font().bold());
    EXPECT_DOUBLE_EQ(form->Make_Button->font().pointSizeF(), 9.75);
    // The lists inside the bold frame keep the plain dialog font.
    EXPECT_FALSE(form->Result_Dir->font().bold());
    EXPECT_FALSE(form->Comment_Check->font().bold());
    // The pattern's tool tip keeps its blank after the colon for the rebuild rule.
    EXPECT_EQ(form->Filter_Check->toolTip(), "Search specific files: ");

    // The layout ticks only Recurse_Check, and the field follows it.
    EXPECT_EQ(form->Recurse_Check->Value(), 1);
    EXPECT_EQ(form->Comment_Check->Value() + form->Filter_Check->Value(), 0);
    EXPECT_TRUE(form->RecurseSubdirectories);

    // Two separators in the Function menu; no item has a shortcut beyond its access key.
    const QList<QAction*> function = form->Function_Menu->actions();
    ASSERT_EQ(function.size(), 5);
    EXPECT_TRUE(function[1]->isSeparator());
    EXPECT_TRUE(function[3]->isSeparator());
    for (QAction* item : function + form->Setup_Menu->actions()) {
        EXPECT_TRUE(item->shortcut().isEmpty());
    }
}

TEST_F(LayoutTest, TabCyclesThroughTheSevenControlsOnly) {
    open(root + "/tree");
    focus(form->Result_Drive);
    ASSERT_TRUE(form->Result_Drive->hasFocus()) << "the window did not become active";
    const QWidget* const expected[] = {form->Result_Dir,    form->Result_File,
                                       form->Comment_Check, form->Recurse_Check,
                                       form->Filter_Check,  form->Make_Button,
                                       form->Result_Drive};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    // The frame's access key hands the focus to the drive list.
    focus(form->Make_Button);
    QTest::keyClick(form->Make_Button, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->Result_Drive);
}

TEST_F(LayoutTest, TitleIsBaseCaptionAndFileName) {
    open(root + "/tree");
    EXPECT_EQ(form->windowTitle(), "Make directory contents file - (./Tolvane.Txt)");
    form->SaveFilename = "/a b/list.txt";
    form->applyTitle();
    EXPECT_EQ(form->windowTitle(), "Make directory contents file - (/a b/list.txt)");
}

}  // namespace
}  // namespace tolvane::test
