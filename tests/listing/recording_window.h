#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "run_window.h"

namespace tolvane::testing {

// A window that records what the engine does to it, as one event log, and lets a test
// act during a yield (a Stop press, say).
class RecordingWindow : public RunWindow {
  public:
    struct Message {
        std::string text;
        std::string title;
    };

    void yield() override {
        ++yields;
        log.push_back("yield");
        if (onYield) {
            onYield(yields);
        }
    }
    void setProgressText(const std::string& text) override {
        progress = text;
        progressShown.push_back(text);
        log.push_back("progress " + text);
    }
    void showMessage(const std::string& text, const std::string& title) override {
        messages.push_back(Message{text, title});
        log.push_back("message");
    }
    void setMakeButtonCaption(const std::string& text) override { caption = text; }
    void setControlEnabled(RunControl control, bool enabled) override {
        this->enabled[control] = enabled;
        switched.push_back(control);
    }
    std::string folderListPath() override { return folder; }
    void beep() override {
        ++beeps;
        log.push_back("beep");
    }

    std::string folder;
    std::function<void(int)> onYield;
    int yields = 0;
    int beeps = 0;
    std::string progress;
    std::vector<std::string> progressShown;  // every text, in order
    std::string caption;
    std::map<RunControl, bool> enabled;
    std::vector<RunControl> switched;
    std::vector<Message> messages;
    std::vector<std::string> log;
};

}  // namespace tolvane::testing
