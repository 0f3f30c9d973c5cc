#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "run_window.h"

namespace tolvane {

// The window of a program that has none: the walker's and the run's messages go to a
// stream, each as its title on one line and then its text, whose carriage returns become
// line breaks; a message counts as answered once written. The status label's text is kept
// for the caller; buttons, controls and the beep do nothing.
class ConsoleWindow : public RunWindow {
  public:
    // `folder` is what the folder list would show: the folder the run lists.
    ConsoleWindow(std::string folder, std::FILE* messages);

    void yield() override {}
    void setProgressText(const std::string& text) override { progress_ = text; }
    void showMessage(const std::string& text, const std::string& title) override;
    void setMakeButtonCaption(const std::string&) override {}
    void setControlEnabled(RunControl, bool) override {}
    std::string folderListPath() override { return folder_; }
    void beep() override {}

    // The status label's last text: the folder being entered, or the run's closing text.
    const std::string& progress() const { return progress_; }

    // The titles of the messages shown so far, in order.
    const std::vector<std::string>& messageTitles() const { return titles_; }

  private:
    std::string folder_;
    std::FILE* messages_;
    std::string progress_;
    std::vector<std::string> titles_;
};

}  // namespace tolvane
