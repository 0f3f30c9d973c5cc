// Folder navigation: the drive, folder and file lists follow one another, and Enter or
// Space opens the highlighted entry of the list that last had the focus.
#include "application_settings.h"
#include "ascii_text.h"
#include "dialogs.h"
#include "failure_report.h"
#include "main_form.h"
#include "path_separator.h"

namespace tolvane {

namespace {

constexpr char kUpdateTitle[] = "Error updating field";

// The root folder of the current drive, which the file list falls back to.
const std::string kRoot(1, kPathSeparator);

}  // namespace

void Main_Form::applyHighlightedDrive() {
    Result_Drive.setDrive(Result_Drive.List(Result_Drive.ListIndex()));
    Result_Dir.setPath(Result_Drive.Drive());
}

void Main_Form::openFolderEntry(int index) {
    try {
        Result_Dir.setPath(Result_Dir.List(index));
    } catch (...) {
        try {
            Result_Dir.refresh();
        } catch (...) {
            // The failure to open is the one the user is told about.
        }
        throw;
    }
}

void Main_Form::listTyped(Control list, const std::string& text, std::uint32_t time) noexcept {
    guarded([this, list, &text, time] {
        if (list != Control::Result_Dir) {
            return;
        }
        const int row = Result_Dir.typeAheadRow(text, time);
        if (row >= 0) {
            view_.setHighlight(Control::Result_Dir, row);
            listPicked(Control::Result_Dir, row, false);
        }
    });
}

void Main_Form::Result_Drive_Change() {
    try {
        applyHighlightedDrive();
    } catch (...) {
        recoverDriveChange(reportOf(std::current_exception()).description);
    }
}

void Main_Form::recoverDriveChange(const std::string& description) noexcept {
    // Every step is tried, whatever the one before it did.
    try {
        const std::string text = "Error in Result_Drive_Change.\r(Path= " + Result_Drive.Drive() +
                                 " , Drive= " + Result_Drive.List(Result_Drive.ListIndex()) +
                                 ")\rError: " + description;
        dialogs_.messageBox(text, Dialogs::kExclamation, kUpdateTitle);
    } catch (...) {
    }
    try {
        Result_File.setPath(kRoot);
    } catch (...) {
    }
    try {
        // A drive other than the current one raises the change again, which moves the
        // folder and file lists to it. When it is current already nothing is raised, and
        // the lists are brought back to it here: the file list was just sent to the root
        // of the process's current drive, which may be another drive altogether.
        const std::string before = Result_Drive.Drive();
        Result_Drive.setDrive(kDefaultDrive);
        if (Result_Drive.Drive() == before) {
            Result_Dir.setPath(Result_Drive.Drive());
            Result_File.setPath(Result_Dir.Path());
        }
    } catch (...) {
    }
}

void Main_Form::Result_Dir_Change() {
    try {
        Result_File.setPath(Result_Dir.Path());
    } catch (...) {
        recoverDirChange(reportOf(std::current_exception()).description);
    }
}

void Main_Form::recoverDirChange(const std::string& description) noexcept {
    try {
        const std::string text =
            "Error in Result_Dir_Change.\r(Path= " + Result_Dir.Path() + ")\rError: " + description;
        dialogs_.messageBox(text, Dialogs::kExclamation, kUpdateTitle);
    } catch (...) {
    }
    try {
        Result_File.setPath(kRoot);
    } catch (...) {
    }
}

void Main_Form::Result_Drive_GotFocus() {
    FocusedList = "Result_Drive";
}

void Main_Form::Result_Dir_GotFocus() {
    FocusedList = "Result_Dir";
}

void Main_Form::Result_File_GotFocus() {
    FocusedList = "Result_File";
}

void Main_Form::Form_KeyPress(std::int16_t& KeyAscii) {
    if (KeyAscii != 32 && KeyAscii != 13) {
        return;
    }
    const std::string focused = asciiUpper(FocusedList);
    if (focused == "RESULT_DIR") {
        openFolderEntry(Result_Dir.ListIndex());
    } else if (focused == "RESULT_DRIVE") {
        applyHighlightedDrive();
    }
    // KeyAscii stays as it is: the focused control receives the key as well.
}

}  // namespace tolvane
