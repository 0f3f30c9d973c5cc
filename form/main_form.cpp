#include "main_form.h"

#include <utility>

#include "application_settings.h"
#include "dialogs.h"
#include "failure_report.h"
#include "last_resort.h"
#include "output_file_table.h"
#include "program_end.h"
#include "raised_error.h"

namespace tolvane {

Main_Form::Main_Form(Services services)
    : Result_Drive(services.view, std::move(services.drives), kDefaultDrive),
      Result_Dir(services.view, Result_Drive.drives(), services.listFileSystem),
      Result_File(services.view, services.listFileSystem),
      // The layout ticks Recurse_Check only.
      Comment_Check(services.view, Control::Comment_Check, 0,
                    layoutOf(Control::Comment_Check).toolTip),
      Recurse_Check(services.view, Control::Recurse_Check, 1,
                    layoutOf(Control::Recurse_Check).toolTip),
      Filter_Check(services.view, Control::Filter_Check, 0,
                   layoutOf(Control::Filter_Check).toolTip),
      Filename_Dialog(services.dialogs),
      view_(services.view),
      dialogs_(services.dialogs),
      dateText_(DateTimeText::fromUserSettings()),
      walkOptions_(services.walkOptions),
      run_(*this, *this, walkOptions_, OutputFileTable::instance(), dateText_),
      registryStore_(services.registryStore),
      endProgram_([this] { endProgramAtOnce(dialogs_, 0); }) {
    // The field mirrors the box from the start, and the listing file is the default one
    // until the stored one is read: a store that cannot be read leaves the defaults.
    RecurseSubdirectories = Recurse_Check.Value() != 0;
    SaveFilename = kDefaultSaveFilename;
    Comment_Check.Click = [this] { Comment_Check_Click(); };
    Recurse_Check.Click = [this] { Recurse_Check_Click(); };
    Filter_Check.Click = [this] { Filter_Check_Click(); };
    Result_Drive.Change = [this] { Result_Drive_Change(); };
    Result_Dir.Change = [this] { Result_Dir_Change(); };
    // The folder list opens on the current folder of the drive shown, and the file list
    // follows it, so that the lists agree and show something even when start-up stops
    // before it applies the stored drive and folder.
    guarded([this] { Result_Dir.setPath(Result_Drive.Drive()); });
}

Main_Form::~Main_Form() = default;

void Main_Form::load() noexcept {
    guarded([this] { Form_Load(); });
}

void Main_Form::click(Control control) noexcept {
    guarded([this, control] {
        switch (control) {
            case Control::Make_Button:
                Make_Button_Click();
                break;
            case Control::Function_Make:
                Function_Make_Click();
                break;
            case Control::Function_About:
                Function_About_Click();
                break;
            case Control::Function_Exit:
                Function_Exit_Click();
                break;
            case Control::Setup_Name:
                Setup_Name_Click();
                break;
            case Control::Setup_Comment:
                Setup_Comment_Click();
                break;
            case Control::Setup_Filter:
                Setup_Filter_Click();
                break;
            default:
                break;
        }
    });
}

void Main_Form::checkToggled(Control box, bool ticked) noexcept {
    guarded([this, box, ticked] {
        if (CheckBox* check = checkBoxOf(box)) {
            check->setValue(ticked ? 1 : 0);
        }
    });
}

void Main_Form::listPicked(Control list, int row, bool open) noexcept {
    guarded([this, list, row, open] {
        if (list == Control::Result_Drive) {
            Result_Drive.userPicked(row);
        } else if (list == Control::Result_Dir) {
            Result_Dir.userHighlighted(row);
            if (open && row >= 0) {
                openFolderEntry(row);
            }
        }
    });
}

void Main_Form::focusReceived(Control list) noexcept {
    guarded([this, list] {
        if (list == Control::Result_Drive) {
            Result_Drive_GotFocus();
        } else if (list == Control::Result_Dir) {
            Result_Dir_GotFocus();
        } else if (list == Control::Result_File) {
            Result_File_GotFocus();
        }
    });
}

void Main_Form::keyPreview(std::int16_t& KeyAscii) noexcept {
    guarded([this, &KeyAscii] { Form_KeyPress(KeyAscii); });
}

bool Main_Form::closeRequested(std::int16_t reason) noexcept {
    std::int16_t Cancel = 0;
    guarded([this, &Cancel, reason] { Form_QueryUnload(Cancel, reason); });
    return Cancel == 0;
}

void Main_Form::applyTitle() {
    view_.setTitle(BaseCaption + " - (" + SaveFilename + ")");
}

void Main_Form::reportUntrapped(std::exception_ptr failure) noexcept {
    showProgressText();
    // A run under way ends as if Stop had been pressed: the walker returns at its next
    // test, and the run closes the listing with every line written so far. (A failure of
    // the run itself has closed the file and applied the idle state already.)
    if (Running) {
        try {
            StopRequested = true;
            Running = false;
            SetRunMode();
        } catch (...) {
        }
    }
    showUntrappedFailure(dialogs_, failure);
}

// The listing run.

void Main_Form::Make_Button_Click() {
    if (run_.running()) {
        run_.requestStop();
        return;
    }
    const std::string folder = Result_Dir.Path();
    try {
        run_.start();
    } catch (const RaisedError& error) {
        // The folder shown could not be listed at all, most often because it was removed
        // behind the program's back: the lists are shown afresh, so that they no longer
        // offer it, and the failure names it, as the system's words often do not.
        try {
            Result_Dir.refresh();
        } catch (...) {
            // The failure to list is the one the user is told about.
        }
        if (folder.empty() || error.description().find(folder) != std::string::npos) {
            throw;
        }
        throw RaisedError(error.number(), error.source(), namingPath(error.description(), folder));
    }
}

void Main_Form::SetRunMode() {
    run_.SetRunMode();
}

void Main_Form::yield() {
    if (pacing_.due()) {
        showProgressText();
        view_.yield();
        pacing_.handedOver();
    }
}

void Main_Form::setProgressText(const std::string& text) {
    progressText_ = text;
    progressTextShown_ = false;
}

void Main_Form::showProgressText() noexcept {
    if (!std::exchange(progressTextShown_, true)) {
        try {
            view_.setCaption(Control::Progress_Label, progressText_);
        } catch (...) {
        }
    }
}

void Main_Form::showMessage(const std::string& text, const std::string& title) {
    showProgressText();
    dialogs_.messageBox(text, Dialogs::kExclamation, title);
}

void Main_Form::setMakeButtonCaption(const std::string& caption) {
    view_.setCaption(Control::Make_Button, caption);
}

void Main_Form::setControlEnabled(RunControl control, bool enabled) {
    Control shown = Control::Setup_Menu;
    switch (control) {
        case RunControl::Comment_Check:
            shown = Control::Comment_Check;
            break;
        case RunControl::Filter_Check:
            shown = Control::Filter_Check;
            break;
        case RunControl::Function_Make:
            shown = Control::Function_Make;
            break;
        case RunControl::Recurse_Check:
            shown = Control::Recurse_Check;
            break;
        case RunControl::Result_Drive:
            shown = Control::Result_Drive;
            break;
        case RunControl::Result_Dir:
            shown = Control::Result_Dir;
            break;
        case RunControl::Setup_Menu:
            break;
    }
    view_.setEnabled(shown, enabled);
}

std::string Main_Form::folderListPath() {
    return Result_Dir.Path();
}

void Main_Form::beep() {
    dialogs_.beep();
}

}  // namespace tolvane
