#pragma once

#include <string>

namespace tolvane {

// The three check boxes that mirror the switches.
enum class SettingsCheckBox { Comment_Check, Filter_Check, Recurse_Check };

// What the settings need of the window: the fields they fill and save, the check boxes
// that mirror the switches, the filter box's tool tip and the drive and folder lists.
// Main_Form implements it; tests implement it with a fake.
class SettingsWindow {
  public:
    virtual ~SettingsWindow() = default;

    virtual bool addComment() const = 0;
    virtual void setAddComment(bool value) = 0;
    virtual std::string fileComment() const = 0;
    virtual void setFileComment(const std::string& value) = 0;
    virtual std::string fileFilter() const = 0;
    virtual void setFileFilter(const std::string& value) = 0;
    virtual bool recurseSubdirectories() const = 0;
    virtual void setRecurseSubdirectories(bool value) = 0;
    virtual std::string saveFilename() const = 0;
    virtual void setSaveFilename(const std::string& value) = 0;
    virtual bool useFileFilter() const = 0;
    virtual void setUseFileFilter(bool value) = 0;

    // A check box's Value: 0 unticked, 1 ticked. Setting a value other than the present
    // one runs the box's click handler before it returns, as a click by the user would
    // (which may ask for a comment); setting the present value again runs nothing.
    virtual int checkBoxValue(SettingsCheckBox box) const = 0;
    virtual void setCheckBoxValue(SettingsCheckBox box, int value) = 0;

    // The ToolTipText of Filter_Check.
    virtual std::string filterToolTip() const = 0;
    virtual void setFilterToolTip(const std::string& text) = 0;

    // Sets the window title from SaveFilename; the settings call it once SaveFilename has
    // been read, before the filter switch is applied.
    virtual void applyWindowTitle() = 0;

    // The current drive of Result_Drive in the list's own text form, and the current path
    // of Result_Dir. Setting either runs the list's change handler before it returns; a
    // drive or folder that cannot be selected raises a RaisedError.
    virtual std::string drive() const = 0;
    virtual void setDrive(const std::string& drive) = 0;
    virtual std::string path() const = 0;
    virtual void setPath(const std::string& path) = 0;
};

}  // namespace tolvane
