#pragma once

#include <string>
#include <utility>
#include <vector>

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
    std::vector<std::string> events;

    // Every field the settings fill, with the check boxes, as one line.
    std::string summary() const {
        const auto b = [](bool value) { return std::string(value ? "1" : "0"); };
        return FileComment + "|" + b(AddComment) + std::to_string(commentCheck) + "|" + FileFilter +
               "|" + toolTip + "|" + b(UseFileFilter) + std::to_string(filterCheck) + "|" +
               b(RecurseSubdirectories) + std::to_string(recurseCheck) + "|" + SaveFilename + "|" +
               currentDrive + "|" + currentPath;
    }

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
        return const_cast<FakeSettingsWindow*>(this)->check(box);
    }
    void setCheckBoxValue(SettingsCheckBox box, int value) override {
        if (std::exchange(check(box), value) == value) {
            return;
        }
        if (box != SettingsCheckBox::Comment_Check) {
            (box == SettingsCheckBox::Filter_Check ? UseFileFilter : RecurseSubdirectories) =
                value != 0;
            return;
        }
        AddComment = value != 0;
        events.push_back("Comment_Check=" + std::to_string(value));
        if (AddComment && FileComment.find_first_not_of(' ') == std::string::npos) {
            events.push_back("comment prompt");
        }
    }

    std::string filterToolTip() const override { return toolTip; }
    void setFilterToolTip(const std::string& text) override { toolTip = text; }
    void applyWindowTitle() override { events.push_back("title " + SaveFilename); }

    std::string drive() const override { return currentDrive; }
    void setDrive(const std::string& drive) override { currentDrive = drive; }
    std::string path() const override { return currentPath; }
    void setPath(const std::string& path) override { currentPath = path; }

  private:
    int& check(SettingsCheckBox box) {
        return box == SettingsCheckBox::Comment_Check  ? commentCheck
               : box == SettingsCheckBox::Filter_Check ? filterCheck
                                                       : recurseCheck;
    }
};

}  // namespace tolvane::testing
