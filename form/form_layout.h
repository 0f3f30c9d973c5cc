#pragma once

#include "form_view.h"

namespace tolvane {

// The window as it is designed, in twips (1/1440 inch; 15 twips make one pixel at 96 dots
// per inch). Both windows, Qt's and Win32's, are built from this one table.

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 7005;
inline constexpr int kClientHeight = 4005;

inline constexpr const char* kDesignedCaption = "Make directory contents file";

// The fonts of the design: the dialog font (MS Sans Serif 8.25 pt) unless a control
// names its own.
enum class LayoutFont { Dialog, FrameBold, ButtonBold };

struct ControlLayout {
    Control control;
    const char* name;
    const char* caption;  // "" for none; "&" marks the access key
    const char* toolTip;  // "" for none
    // Left and top within the container: the frame for the three lists, else the window.
    int left, top, width, height;
    bool inFrame;
    LayoutFont font;
};

// In tab order. The frame and the label take part in the numbering but never receive the
// focus, so the focus cycles drive list, folder list, file list, the check boxes, the
// button, and back to the drive list.
inline constexpr ControlLayout kControlLayout[] = {
    {Control::Result_Frame, "Result_Frame", "&Directory Contents:", "", 120, 120, 5172, 3372, false,
     LayoutFont::FrameBold},
    {Control::Result_Drive, "Result_Drive", "", "Drive listed", 120, 240, 2412, 288, true,
     LayoutFont::Dialog},
    {Control::Result_Dir, "Result_Dir", "", "Directory listed", 120, 720, 2412, 2448, true,
     LayoutFont::Dialog},
    {Control::Result_File, "Result_File", "", "List of files in directory", 2640, 240, 2412, 2820,
     true, LayoutFont::Dialog},
    {Control::Progress_Label, "Progress_Label", "", "Status", 120, 3600, 5172, 252, false,
     LayoutFont::Dialog},
    {Control::Comment_Check, "Comment_Check", "&Add comment", "Add comment after each filename",
     5520, 240, 1335, 255, false, LayoutFont::Dialog},
    {Control::Recurse_Check, "Recurse_Check", "&Recurse", "Recurse subdirectories", 5520, 600, 1335,
     255, false, LayoutFont::Dialog},
    // The tip ends in a blank after the colon: the pattern is appended after it.
    {Control::Filter_Check, "Filter_Check", "&Use filter", "Search specific files: ", 5520, 960,
     1335, 255, false, LayoutFont::Dialog},
    {Control::Make_Button, "Make_Button", "&Make file",
     "Make list of directory contents and save in file", 5520, 3480, 1332, 375, false,
     LayoutFont::ButtonBold},
};

inline constexpr const ControlLayout& layoutOf(Control control) {
    for (const ControlLayout& layout : kControlLayout) {
        if (layout.control == control) {
            return layout;
        }
    }
    return kControlLayout[0];
}

// The menu bar, left to right; a menu's items follow it, top to bottom. A separator line
// is an entry with a null caption. No shortcut keys besides the access keys.
struct MenuLayout {
    Control control;
    const char* caption;
    bool isMenu;
};

inline constexpr MenuLayout kMenuLayout[] = {
    {Control::Function_Menu, "&Function", true},
    {Control::Function_Make, "&Make file", false},
    {Control::Function_Menu, nullptr, false},  // Space_F1
    {Control::Function_About, "&About", false},
    {Control::Function_Menu, nullptr, false},  // Space_F2
    {Control::Function_Exit, "E&xit", false},
    {Control::Setup_Menu, "&Setup", true},
    {Control::Setup_Name, "File &name ...", false},
    {Control::Setup_Comment, "File &comment ...", false},
    {Control::Setup_Filter, "File &filter ...", false},
};

inline constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// A control's place in pixels. Both edges are rounded, not the size, so that controls
// laid edge to edge in twips stay edge to edge in pixels.
struct PixelRect {
    int x, y, width, height;
};

inline constexpr PixelRect pixelRect(const ControlLayout& layout) {
    const int x = twipsToPixels(layout.left);
    const int y = twipsToPixels(layout.top);
    return {x, y, twipsToPixels(layout.left + layout.width) - x,
            twipsToPixels(layout.top + layout.height) - y};
}

}  // namespace tolvane
