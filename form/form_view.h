#pragma once

#include <string>
#include <vector>

namespace tolvane {

// The window's controls and menu entries, under their own names.
enum class Control {
    Result_Frame,
    Result_Drive,
    Result_Dir,
    Result_File,
    Progress_Label,
    Comment_Check,
    Recurse_Check,
    Filter_Check,
    Make_Button,
    Function_Menu,
    Function_Make,
    Function_About,
    Function_Exit,
    Setup_Menu,
    Setup_Name,
    Setup_Comment,
    Setup_Filter,
};

// One row of a list as the user sees it: its text (a folder's indented name) and the
// hover text that names it in full (empty for none).
struct ListRow {
    std::string text;
    std::string tip;
};

// What Main_Form needs of a window toolkit: it sets what the user sees, and nothing
// else. The toolkit's window builds the controls from the layout table (form_layout.h),
// hands every user event to one entry of Main_Form, and implements this. Nothing set
// here raises an event back: the nesting of handlers is Main_Form's own.
class FormView {
  public:
    virtual ~FormView() = default;

    virtual void setTitle(const std::string& title) = 0;
    // The caption of Make_Button or Progress_Label.
    virtual void setCaption(Control control, const std::string& caption) = 0;
    // A check box, list, button, menu entry or the Setup menu itself.
    virtual void setEnabled(Control control, bool enabled) = 0;
    virtual void setCheck(Control box, bool ticked) = 0;
    virtual void setToolTip(Control control, const std::string& tip) = 0;
    // The rows of a list, replacing the ones it had, and its highlighted row (-1: none).
    virtual void setRows(Control list, const std::vector<ListRow>& rows) = 0;
    virtual void setHighlight(Control list, int row) = 0;
    // Makes the window visible (not modal) and active.
    virtual void show() = 0;
    // Shows the busy cursor over the window while `busy`, for a wait the user cannot cut
    // short (the settings store held by another program).
    virtual void setBusy(bool busy) = 0;
    // Handles every pending event (a Stop press, Exit, a close among them), then returns.
    virtual void yield() = 0;
};

}  // namespace tolvane
