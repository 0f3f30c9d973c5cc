#include "command_line_window.h"

#include "listing_fields.h"
#include "listing_run.h"
#include "stop_signal.h"

namespace tolvane {

namespace {

// Polls between two looks at the clock, which costs more than the rest of a poll: every
// 256 names of a folder, well under a tenth of a second even on a slow disk.
constexpr unsigned kPollsPerClockRead = 8;

}  // namespace

CommandLineWindow::CommandLineWindow(std::string folder, std::FILE* messages,
                                     std::unique_ptr<ProgressDisplay> display)
    : ConsoleWindow(std::move(folder), messages), display_(std::move(display)) {}

void CommandLineWindow::attach(ListingRun& run, const ListingFields& fields) {
    run_ = &run;
    fields_ = &fields;
}

void CommandLineWindow::poll() {
    if (stop_signal::received() && !stopPressed_ && fields_->Running) {
        stopPressed_ = true;
        run_->requestStop();  // the walker returns at its next test
    }
    if (display_ != nullptr && ++pollsSinceClock_ >= kPollsPerClockRead) {
        redraw();
    }
}

void CommandLineWindow::yield() {
    poll();
    // A new folder is worth a look at the clock at once.
    if (display_ != nullptr) {
        redraw();
    }
}

void CommandLineWindow::setProgressText(const std::string& text) {
    ConsoleWindow::setProgressText(text);
    ++folders_;  // the walker shows each subfolder as it enters it
}

void CommandLineWindow::showMessage(const std::string& text, const std::string& title) {
    if (display_ != nullptr) {
        display_->clear();
    }
    ConsoleWindow::showMessage(text, title);
}

void CommandLineWindow::closeDisplay() {
    if (display_ != nullptr) {
        display_->clear();
        display_.reset();
    }
}

void CommandLineWindow::redraw() {
    pollsSinceClock_ = 0;
    display_->update(run_->filesListed(), folders_, progress(), ProgressDisplay::Clock::now());
}

}  // namespace tolvane
