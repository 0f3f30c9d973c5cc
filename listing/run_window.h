#pragma once

#include <string>

#include "walker_host.h"

namespace tolvane {

// The controls whose enabled state a run switches, in the order they are switched.
enum class RunControl {
    Comment_Check,
    Filter_Check,
    Function_Make,
    Recurse_Check,
    Result_Drive,
    Result_Dir,
    Setup_Menu,
};

// What a listing run needs of the window, besides what the walker needs.
class RunWindow : public WalkerHost {
  public:
    // Sets the caption of Make_Button.
    virtual void setMakeButtonCaption(const std::string& caption) = 0;

    // Enables or disables one of the controls a run switches.
    virtual void setControlEnabled(RunControl control, bool enabled) = 0;

    // The path of the folder Result_Dir shows: a root with its trailing separator, any
    // other folder without one.
    virtual std::string folderListPath() = 0;

    // The platform's default beep.
    virtual void beep() = 0;
};

}  // namespace tolvane
