#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "drive_table.h"

namespace tolvane {

// The drive list Result_Drive: a drop-down list of the drives.
//
// Drive is the current drive; the highlighted entry (ListIndex) is what the user picked
// last. A user's pick of a usable drive makes it current and raises Change; a pick of a
// drive that cannot be used only moves the highlight and raises Change, so that the
// change handler's own setting of Drive fails and its recovery runs.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    DriveList(std::vector<DriveEntry> drives, QWidget* parent);

    // The current drive's entry text ("/home [ext4]").
    std::string Drive() const;

    // Accepts an entry's text or a mount point. Raises a RaisedError, changing nothing,
    // for a drive that is not in the list or cannot be used. A different drive raises
    // Change before this returns; the current one again raises nothing.
    void setDrive(const std::string& drive);

    // The text of entry i; raises a RaisedError for an index out of range.
    std::string List(int i) const;
    int ListIndex() const { return currentIndex(); }
    int ListCount() const { return count(); }

    // The mount point of the current drive.
    std::string mountPoint() const;

    const std::vector<DriveEntry>& drives() const { return drives_; }

signals:
    void Change();

private:
    void userPicked(int index);
    int indexOfDrive(const std::string& drive) const;
    void makeCurrent(int index);

    std::vector<DriveEntry> drives_;
    int current_ = -1;
};

}  // namespace tolvane
