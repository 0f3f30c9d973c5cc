#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common_dialog.h"
#include "dialogs.h"

namespace tolvane::test {

// One prompt the window showed.
struct DialogCall {
    enum class Kind { Message, Input, Save };
    Kind kind = Kind::Message;
    std::string text;  // message text or input prompt
    std::string title;
    int style = 0;
    std::string defaultText;
    SaveDialogSettings save;
};

// Records every prompt and answers it from a script: input boxes and save dialogs take
// the next scripted answer, and Cancel when the script has run out.
class ScriptedDialogs : public Dialogs {
public:
    std::vector<DialogCall> calls;
    std::deque<std::string> inputAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    int beeps = 0;
    // Runs while a prompt is shown, to look at the window at that moment.
    std::function<void(const DialogCall&)> whileShown;

    void messageBox(const std::string& text, int style, const std::string& title) override {
        DialogCall call;
        call.kind = DialogCall::Kind::Message;
        call.text = text;
        call.style = style;
        call.title = title;
        shown(call);
    }

    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override {
        DialogCall call;
        call.kind = DialogCall::Kind::Input;
        call.text = prompt;
        call.title = title;
        call.defaultText = defaultText;
        shown(call);
        if (inputAnswers.empty()) {
            return {};
        }
        std::string answer = inputAnswers.front();
        inputAnswers.pop_front();
        return answer;
    }

    std::optional<std::string> showSave(const SaveDialogSettings& settings) override {
        DialogCall call;
        call.kind = DialogCall::Kind::Save;
        call.save = settings;
        shown(call);
        if (saveAnswers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

    void beep() override { ++beeps; }

    std::vector<DialogCall> ofKind(DialogCall::Kind kind) const {
        std::vector<DialogCall> found;
        for (const DialogCall& call : calls) {
            if (call.kind == kind) {
                found.push_back(call);
            }
        }
        return found;
    }

private:
    void shown(const DialogCall& call) {
        calls.push_back(call);
        if (whileShown) {
            whileShown(call);
        }
    }
};

}  // namespace tolvane::test
