#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common_dialog.h"
#include "dialogs.h"

namespace tolvane::test {

struct Message {
    std::string text;
    std::string title;
    int style = 0;
};

// Records every prompt. Input boxes and save dialogs take the next scripted answer in
// turn, and Cancel when the script has run out.
class ScriptedDialogs : public Dialogs {
  public:
    std::vector<Message> messages;
    std::vector<std::string> inputDefaults;  // the text each input box proposed
    std::vector<SaveDialogSettings> saves;
    std::deque<std::string> answers;
    int beeps = 0;
    std::function<void()> whileShown;  // looks at the window while a prompt is shown

    std::size_t prompts() const { return messages.size() + inputDefaults.size() + saves.size(); }

    void messageBox(const std::string& text, int style, const std::string& title) override {
        messages.push_back({text, title, style});
        shown();
    }

    std::string inputBox(const std::string&, const std::string&,
                         const std::string& defaultText) override {
        inputDefaults.push_back(defaultText);
        return answer().value_or("");
    }

    std::optional<std::string> showSave(const SaveDialogSettings& settings) override {
        saves.push_back(settings);
        return answer();
    }

    void beep() override { ++beeps; }

  private:
    void shown() {
        if (whileShown) {
            whileShown();
        }
    }

    std::optional<std::string> answer() {
        shown();
        if (answers.empty()) {
            return std::nullopt;
        }
        std::string text = answers.front();
        answers.pop_front();
        return text;
    }
};

}  // namespace tolvane::test
