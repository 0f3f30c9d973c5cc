#include "listing_run.h"

#include "directory_walker.h"
#include "listing_line.h"
#include "output_file_table.h"
#include "raised_error.h"
#include "run_window.h"
#include "wildcard.h"
#include "write_failure.h"

namespace tolvane {

namespace {

constexpr RunControl kSwitchedControls[] = {
    RunControl::Comment_Check, RunControl::Filter_Check, RunControl::Function_Make,
    RunControl::Recurse_Check, RunControl::Result_Drive, RunControl::Result_Dir,
    RunControl::Setup_Menu,
};

// Closes a file whose run has already failed; a second failure adds nothing to the
// first one, which is the one reported.
void closeAfterFailure(OutputFileTable& files, OutputFileTable::FileNumber fileNo) {
    try {
        files.close(fileNo);
    } catch (const RaisedError&) {
    }
}

std::string fileFailureText(const char* what, const std::string& path,
                            const std::string& description) {
    return what + path + "\rError: " + description;
}

}  // namespace

std::string writeFailureText(const std::string& path, const std::string& description) {
    return fileFailureText("Error writing file: ", path, description);
}

ListingRun::ListingRun(ListingFields& fields, RunWindow& window, FileSystem& fileSystem,
                       OutputFileTable& files, const DateTimeText& dateText)
    : fields_(fields),
      window_(window),
      fileSystem_(fileSystem),
      files_(files),
      dateText_(dateText) {}

void ListingRun::Make_Button_Click() {
    if (!fields_.Running) {
        startRun();
        return;
    }
    // A Stop press, handled while the walker yields: the walker sees the flag at its next
    // test and returns through every level; the run then closes the file.
    fields_.StopRequested = true;
    fields_.Running = false;
    SetRunMode();
}

std::uint64_t ListingRun::filesListed() const {
    return walker_ != nullptr ? walker_->filesListed() : filesListed_;
}

void ListingRun::SetRunMode() {
    const bool running = fields_.Running;
    window_.setMakeButtonCaption(running ? "&Stop" : "&Make List");
    for (RunControl control : kSwitchedControls) {
        window_.setControlEnabled(control, !running);
    }
}

void ListingRun::startRun() {
    fields_.Running = true;
    SetRunMode();
    filesListed_ = 0;

    // A pattern that reaches into another folder would list that folder's names with
    // this one's data; such a run is refused before the listing file is touched.
    if (fields_.UseFileFilter && !isFileFilter(fields_.FileFilter)) {
        window_.showMessage(
            "Error in file filter: " + fields_.FileFilter + "\rError: " + kFileFilterRule,
            kRunMessageTitle);
        fields_.Running = false;
        SetRunMode();
        return;
    }

    const OutputFileTable::FileNumber fileNo = files_.freeFileNumber();
    try {
        files_.openForOutput(fileNo, fields_.SaveFilename);
        files_.writeLine(fileNo, kListingHeader);
    } catch (const RaisedError& error) {
        closeAfterFailure(files_, fileNo);
        reportFileFailure("Error opening file: ", error.description());
        fields_.Running = false;
        SetRunMode();
        return;
    }

    DirectoryWalker walker(fields_, fileSystem_, files_, dateText_, window_);
    walker_ = &walker;
    try {
        walker.ListDirectory(fileNo, window_.folderListPath());
    } catch (const WriteFailure& error) {
        filesListed_ = walker.filesListed();
        walker_ = nullptr;
        closeAfterFailure(files_, fileNo);
        window_.setProgressText("Aborted");
        reportFileFailure("Error writing file: ", error.description());
        endRun();
        return;
    } catch (...) {
        // A failure no handler traps (the chosen folder cannot be read at all): the file
        // keeps every line written so far, the status claims neither a listing nor a stop
        // nobody asked for, the window goes back to idle, and the failure travels on to be
        // reported.
        filesListed_ = walker.filesListed();
        walker_ = nullptr;
        closeAfterFailure(files_, fileNo);
        window_.setProgressText(fields_.StopRequested ? "Aborted" : "");
        endRun();
        throw;
    }
    filesListed_ = walker.filesListed();
    walker_ = nullptr;

    try {
        files_.close(fileNo);
    } catch (const RaisedError& error) {
        window_.setProgressText("Aborted");
        reportFileFailure("Error writing file: ", error.description());
        endRun();
        return;
    }

    if (fields_.StopRequested) {
        window_.setProgressText("Aborted");
    } else {
        window_.beep();
        window_.setProgressText("Directory contenst stored in: " + fields_.SaveFilename);
    }
    endRun();
}

void ListingRun::endRun() {
    fields_.StopRequested = false;
    fields_.Running = false;
    SetRunMode();
}

void ListingRun::reportFileFailure(const char* what, const std::string& description) {
    window_.showMessage(fileFailureText(what, fields_.SaveFilename, description), kRunMessageTitle);
}

}  // namespace tolvane
