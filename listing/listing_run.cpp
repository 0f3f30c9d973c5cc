#include "listing_run.h"

#include <exception>

#include "directory_walker.h"
#include "listing_output.h"
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

std::string fileFailureText(const char* what, const std::string& path,
                            const std::string& description) {
    return what + path + "\rError: " + description;
}

}  // namespace

std::string writeFailureText(const std::string& path, const std::string& description) {
    return fileFailureText("Error writing file: ", path, description);
}

ListingRun::ListingRun(ListingFields& fields, RunWindow& window, const WalkOptions& walkOptions,
                       OutputFileTable& files, const DateTimeText& dateText)
    : fields_(fields),
      window_(window),
      walkOptions_(walkOptions),
      files_(files),
      dateText_(dateText) {}

void ListingRun::requestStop() {
    // Handled while the walker yields: the walker sees the flag at its next test and
    // returns through every level; the run then closes the file.
    if (!fields_.Running) {
        return;
    }
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

bool ListingRun::refusesFilter() {
    // A pattern that reaches into another folder would list that folder's names with this
    // one's data; such a run is refused before the listing file is touched.
    if (!fields_.UseFileFilter || isFileFilter(fields_.FileFilter)) {
        return false;
    }
    window_.showMessage(
        "Error in file filter: " + fields_.FileFilter + "\rError: " + kFileFilterRule,
        kRunMessageTitle);
    return true;
}

void ListingRun::start() {
    fields_.Running = true;
    SetRunMode();
    filesListed_ = 0;
    if (refusesFilter()) {
        fields_.Running = false;
        SetRunMode();
        return;
    }
    std::unique_ptr<ListingOutput> output;
    try {
        output = openListingOutput(files_, fields_.SaveFilename, dateText_);
    } catch (const RaisedError& error) {
        reportFileFailure("Error opening file: ", error.description());
        fields_.Running = false;
        SetRunMode();
        return;
    }

    std::string failure;
    std::exception_ptr unread;
    Outcome outcome = Outcome::Listed;
    try {
        outcome = walk(*output, failure);
    } catch (const RaisedError&) {
        // A failure no handler traps (the chosen folder cannot be read at all): it travels
        // on to be reported once the run is wound up.
        unread = std::current_exception();
        outcome = Outcome::FolderUnread;
    }
    if (outcome == Outcome::NotStored || outcome == Outcome::FolderUnread) {
        output->closeAfterFailure();
    } else {
        try {
            output->close();  // a workbook is completed here
        } catch (const RaisedError& error) {
            outcome = Outcome::NotStored;
            failure = error.description();
        }
    }
    finish(outcome, failure);
    if (unread) {
        std::rethrow_exception(unread);
    }
}

ListingRun::Outcome ListingRun::walk(ListingOutput& output, std::string& failure) {
    DirectoryWalker walker(fields_, walkOptions_, window_);
    struct Watch {
        ListingRun& run;
        DirectoryWalker& walker;
        ~Watch() {
            run.filesListed_ = walker.filesListed();
            run.walker_ = nullptr;
        }
    } watch{*this, walker};
    walker_ = &walker;
    try {
        walker.ListDirectory(output, window_.folderListPath());
    } catch (const WriteFailure& error) {
        failure = error.description();
        return Outcome::NotStored;
    }
    return fields_.StopRequested ? Outcome::Stopped : Outcome::Listed;
}

void ListingRun::finish(Outcome outcome, const std::string& failure) {
    // The file keeps every line written so far, whatever the outcome.
    if (outcome == Outcome::Listed) {
        window_.beep();
        window_.setProgressText("Directory contenst stored in: " + fields_.SaveFilename);
    } else {
        // A chosen folder that cannot be read at all: nobody stopped the run, and it stored
        // nothing; the last-resort box says why.
        window_.setProgressText(outcome == Outcome::FolderUnread ? "" : "Aborted");
    }
    if (outcome == Outcome::NotStored) {
        reportFileFailure("Error writing file: ", failure);
    }
    fields_.StopRequested = false;
    fields_.Running = false;
    SetRunMode();
}

void ListingRun::reportFileFailure(const char* what, const std::string& description) {
    window_.showMessage(fileFailureText(what, fields_.SaveFilename, description), kRunMessageTitle);
}

}  // namespace tolvane
