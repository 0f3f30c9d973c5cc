#pragma once

#include <string>

namespace tolvane {

// What the directory walker needs of the window it works for.
class WalkerHost {
  public:
    virtual ~WalkerHost() = default;

    // Handles every pending user-interface event (a Stop press among them), then returns.
    virtual void yield() = 0;

    // A look in the middle of a folder's files, now and then (no events are handled):
    // where a run can see a stop signal however many files one folder holds.
    virtual void poll() {}

    // The walk waits for a folder being read (a share, a cold disk): handles what is
    // pending, so that Stop, Exit and the close button are taken while it waits. Called
    // every 20 ms or so of waiting, never while lines are written.
    virtual void waiting() {}

    // Sets the text of the status label Progress_Label.
    virtual void setProgressText(const std::string& text) = 0;

    // Shows `text` (lines broken by a CR alone) under `title` with an exclamation icon and
    // one OK button, and returns when the user has closed it.
    virtual void showMessage(const std::string& text, const std::string& title) = 0;
};

}  // namespace tolvane
