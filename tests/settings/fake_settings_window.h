#pragma once

#include <string>
#include <vector>

#include "raised_error.h"
#include "settings_window.h"

namespace tolvane::testing {

// The window as the settings see it, with the check boxes' click handlers of the real
// one: a box set to a new value sets its field, and Comment_Check ticked over a blank
// comment asks for one. What happens is noted in `events`, in order.
class FakeSettingsWindow : public SettingsWindow {
  public:
    bool AddComment = false;
    std::string FileComment;
    std::string FileFilter;
    bool RecurseSubdirectories = false;
    std::string SaveFilename;
    bool UseFileFilter = false;
    int commentCheck = 0;
    int filterCheck = 0;
    int recurseCheck = 0;
    std::string toolTip = "Search specific files: ";
    std::string currentDrive = "/";
    std::string currentPath = "/";
    std::string badDrive;  // a drive that cannot be selected
    std::vector<std::string> events;

    bool addComment() const override { return AddComment; }
    void setAddComment(bool value) override { AddComment = value; }
    std::string fileComment() const override { return FileComment; }
    void setFileComment(const std::string& value) override { FileComment = value; }
    std::string fileFilter() const override { return FileFilter; }
    void setFileFilter(const std::string& value) override { FileFilter = value; }
    bool recurseSubdirectories() const override { return RecurseSubdirectories; }
    void setRecurseSubdirectories(bool value) override { RecurseSubdirectories = value; }
    std::string saveFilename() const override { return SaveFilename; }
    void setSaveFilename(const std::string& value) override { SaveFilename = value; }
    bool useFileFilter() const override { return UseFileFilter; }
    void setUseFileFilter(bool value) override { UseFileFilter = value; }

    int checkBoxValue(SettingsCheckBox box) const override {
        return box == SettingsCheckBox::Comment_Check  ? commentCheck
               : box == SettingsCheckBox::Filter_Check ? filterCheck
                                                       : recurseCheck;
    }
    void setCheckBoxValue(SettingsCheckBox box, int value) override {
        if (valueOf(box) == value) {
            return;
        }
        valueOf(box) = value;
        switch (box) {
            case SettingsCheckBox::Comment_Check:
                events.push_back("Comment_Check=" + std::to_string(value));
                AddComment = value != 0;
                if (AddComment && FileComment.find_first_not_of(' ') == std::string::npos) {
                    events.push_back("comment prompt");
                }
                break;
            case SettingsCheckBox::Filter_Check:
                UseFileFilter = value != 0;
                break;
            case SettingsCheckBox::Recurse_Check:
                RecurseSubdirectories = value != 0;
                break;
        }
    }

    std::string filterToolTip() const override { return toolTip; }
    void setFilterToolTip(const std::string& text) override { toolTip = text; }
    void applyWindowTitle() override { events.push_back("title " + SaveFilename); }

    std::string drive() const override { return currentDrive; }
    void setDrive(const std::string& drive) override {
        if (drive == badDrive) {
            throw RaisedError(68, "Result_Drive", "Device unavailable");
        }
        currentDrive = drive;
    }
    std::string path() const override { return currentPath; }
    void setPath(const std::string& path) override { currentPath = path; }

  private:
    int& valueOf(SettingsCheckBox box) {
        switch (box) {
            case SettingsCheckBox::Comment_Check:
                return commentCheck;
            case SettingsCheckBox::Filter_Check:
                return filterCheck;
            case SettingsCheckBox::Recurse_Check:
                break;
        }
        return recurseCheck;
    }
};

}  // namespace tolvane::testing
