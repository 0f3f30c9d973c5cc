#pragma once

#include <cstdint>
#include <memory>

#include "console_window.h"
#include "progress_display.h"

namespace tolvane {

class ListingRun;
struct ListingFields;

// tolvane-list's window: the console window, plus the Stop button pressed by a stop
// signal and, on a terminal, the progress display.
class CommandLineWindow : public ConsoleWindow {
  public:
    // `display` is null when no progress is to be shown.
    CommandLineWindow(std::string folder, std::FILE* messages,
                      std::unique_ptr<ProgressDisplay> display);

    // The run this window serves: the one whose Stop button a signal presses and whose
    // file lines the display counts.
    void attach(ListingRun& run, const ListingFields& fields);

    // A look in the middle of the walk: stops the run once a stop signal has come, and
    // now and then redraws the progress display.
    void poll() override;
    void waiting() override { poll(); }

    void yield() override;
    void setProgressText(const std::string& text) override;
    void showMessage(const std::string& text, const std::string& title) override;

    // Takes the progress display away for good (before the closing text).
    void closeDisplay();

    bool stopPressed() const { return stopPressed_; }

  private:
    void redraw();

    std::unique_ptr<ProgressDisplay> display_;
    ListingRun* run_ = nullptr;
    const ListingFields* fields_ = nullptr;
    bool stopPressed_ = false;
    std::uint64_t folders_ = 1;  // the listed folder itself
    unsigned pollsSinceClock_ = 0;
};

}  // namespace tolvane
