// The window as the settings see it: the option fields, the check boxes that mirror
// them, the filter box's tool tip, the title and the two lists.
#include "main_form.h"

namespace tolvane {

bool Main_Form::addComment() const {
    return AddComment;
}

void Main_Form::setAddComment(bool value) {
    AddComment = value;
}

std::string Main_Form::fileComment() const {
    return FileComment;
}

void Main_Form::setFileComment(const std::string& value) {
    FileComment = value;
}

std::string Main_Form::fileFilter() const {
    return FileFilter;
}

void Main_Form::setFileFilter(const std::string& value) {
    FileFilter = value;
}

bool Main_Form::recurseSubdirectories() const {
    return RecurseSubdirectories;
}

void Main_Form::setRecurseSubdirectories(bool value) {
    RecurseSubdirectories = value;
}

std::string Main_Form::saveFilename() const {
    return SaveFilename;
}

void Main_Form::setSaveFilename(const std::string& value) {
    SaveFilename = value;
}

bool Main_Form::useFileFilter() const {
    return UseFileFilter;
}

void Main_Form::setUseFileFilter(bool value) {
    UseFileFilter = value;
}

namespace {

template <class Form>
auto& boxOf(Form& form, SettingsCheckBox box) {
    switch (box) {
        case SettingsCheckBox::Comment_Check:
            return form.Comment_Check;
        case SettingsCheckBox::Filter_Check:
            return form.Filter_Check;
        case SettingsCheckBox::Recurse_Check:
            break;
    }
    return form.Recurse_Check;
}

}  // namespace

CheckBox* Main_Form::checkBoxOf(Control control) {
    switch (control) {
        case Control::Comment_Check:
            return &Comment_Check;
        case Control::Recurse_Check:
            return &Recurse_Check;
        case Control::Filter_Check:
            return &Filter_Check;
        default:
            return nullptr;
    }
}

int Main_Form::checkBoxValue(SettingsCheckBox box) const {
    return boxOf(*this, box).Value();
}

void Main_Form::setCheckBoxValue(SettingsCheckBox box, int value) {
    // The box's click handler runs inside this set when the value changes.
    boxOf(*this, box).setValue(value);
}

std::string Main_Form::filterToolTip() const {
    return Filter_Check.ToolTipText();
}

void Main_Form::setFilterToolTip(const std::string& text) {
    Filter_Check.setToolTipText(text);
}

void Main_Form::applyWindowTitle() {
    applyTitle();
}

std::string Main_Form::drive() const {
    return Result_Drive.Drive();
}

void Main_Form::setDrive(const std::string& drive) {
    Result_Drive.setDrive(drive);
}

std::string Main_Form::path() const {
    return Result_Dir.Path();
}

void Main_Form::setPath(const std::string& path) {
    Result_Dir.setPath(path);
}

}  // namespace tolvane
