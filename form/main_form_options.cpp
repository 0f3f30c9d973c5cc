// Option commands: the three check boxes, the Setup menu's prompts and the Function
// menu's Make and About.
#include "application_settings.h"
#include "dialogs.h"
#include "listing_output.h"
#include "main_form.h"
#include "split_filename.h"
#include "version.h"
#include "wildcard.h"

namespace tolvane {

namespace {

// Blanks only, as the original Trim removes them.
bool isBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

void Main_Form::Comment_Check_Click() {
    AddComment = Comment_Check.Value() != 0;
    if (AddComment && isBlank(FileComment)) {
        Setup_Comment_Click();
    }
}

void Main_Form::Recurse_Check_Click() {
    RecurseSubdirectories = Recurse_Check.Value() != 0;
}

void Main_Form::Filter_Check_Click() {
    UseFileFilter = Filter_Check.Value() != 0;
}

void Main_Form::Setup_Comment_Click() {
    const std::string answer =
        dialogs_.inputBox("Enter comment to add after each filename:", "File comment", FileComment);
    if (answer.empty()) {
        return;
    }
    FileComment = answer;
    Comment_Check.setValue(1);
}

void Main_Form::Setup_Filter_Click() {
    const std::string answer =
        dialogs_.inputBox("Enter filter to search out specific files:", "File filter", FileFilter);
    if (answer.empty()) {
        return;
    }
    if (!isFileFilter(answer)) {
        dialogs_.messageBox("Error in file filter: " + answer + "\rError: " + kFileFilterRule,
                            Dialogs::kExclamation, "File filter");
        return;
    }
    FileFilter = answer;
    Filter_Check.setValue(1);
    Filter_Check.setToolTipText(filterToolTipFor(Filter_Check.ToolTipText(), FileFilter));
}

std::string Main_Form::SplitFilename(const std::string& filename, bool path_file) {
    return tolvane::SplitFilename(filename, path_file);
}

void Main_Form::Setup_Name_Click() {
    // Any failure, Cancel among them, ends the command silently with nothing changed.
    try {
        Filename_Dialog.CancelError = true;
        Filename_Dialog.DialogTitle = "Enter path & name of file to save filenames in:";
        Filename_Dialog.InitDir = SplitFilename(SaveFilename, true);
        Filename_Dialog.FileName = SplitFilename(SaveFilename, false);
        Filename_Dialog.Filter =
            "TXT file (*.txt)|*.txt|Spreadsheet (*.xlsx)|*.xlsx|All files (*.*)|*.*";
        Filename_Dialog.FilterIndex = isWorkbookName(SaveFilename) ? 2 : 1;
        Filename_Dialog.Flags = dialog_flag::kPathMustExist | dialog_flag::kHideReadOnly |
                                dialog_flag::kOverwritePrompt;
        Filename_Dialog.ShowSave();
        SaveFilename = Filename_Dialog.FileName;
        applyTitle();
    } catch (...) {
    }
}

void Main_Form::Function_About_Click() {
    const std::string text = "Palimor, Version " + std::to_string(kVersionMajor) + "." +
                             std::to_string(kVersionMinor) + "." +
                             std::to_string(kVersionRevision) +
                             "\rWrite filenames in directory and subdirectories to file,"
                             "\rin <Tab> separated format."
                             "\r"
                             "\rMade by Corvalin, 2026";
    dialogs_.messageBox(text, Dialogs::kInformation, "About Tolvane");
}

void Main_Form::Function_Make_Click() {
    Make_Button_Click();
}

}  // namespace tolvane
