#pragma once

#include <functional>
#include <string>
#include <vector>

#include "drive_table.h"

namespace tolvane {

class FormView;

// The drive list Result_Drive: the drives, one current, one highlighted.
//
// Drive is the current drive; the highlighted entry (ListIndex) is what the user picked
// last. A user's pick of a usable drive makes it current and raises Change; a pick of a
// drive that cannot be used only moves the highlight and raises Change, so that the
// change handler's own setting of Drive fails and its recovery runs.
class DriveList {
  public:
    // Starts on `initialDrive` when it is in the list, else on the first drive.
    DriveList(FormView& view, std::vector<DriveEntry> drives, const std::string& initialDrive);

    std::function<void()> Change;

    // The current drive's entry text ("/home [ext4]", "c: [System]").
    std::string Drive() const;

    // Accepts an entry's text or a drive's root ("C:\", "/home"). Raises a RaisedError,
    // changing nothing, for a drive that is not in the list or cannot be used. A different
    // drive raises Change before this returns; the current one again raises nothing.
    void setDrive(const std::string& drive);

    // The text of entry i; raises a RaisedError for an index out of range.
    std::string List(int i) const;
    int ListIndex() const { return highlight_; }
    int ListCount() const { return static_cast<int>(drives_.size()); }

    // The user picked entry `index` (a click in the drop-down, an arrow key).
    void userPicked(int index);

    const std::vector<DriveEntry>& drives() const { return drives_; }

  private:
    int indexOfDrive(const std::string& drive) const;
    void makeCurrent(int index);

    FormView& view_;
    std::vector<DriveEntry> drives_;
    int current_ = -1;
    int highlight_ = -1;
};

}  // namespace tolvane
