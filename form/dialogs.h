#pragma once

#include <optional>
#include <string>

namespace tolvane {

struct SaveDialogSettings;

// The modal prompts the window shows. Each window's toolkit answers them in the program
// (QtDialogs, Win32Dialogs); tests answer them from a script, so no handler ever waits for a
// person.
class Dialogs {
  public:
    // Message box styles: the icon shown beside the text.
    static constexpr int kExclamation = 48;
    static constexpr int kInformation = 64;

    virtual ~Dialogs() = default;

    // A message with one OK button; a CR (code 13) in `text` starts a new line.
    virtual void messageBox(const std::string& text, int style, const std::string& title) = 0;

    // A message with the exclamation icon and Retry and Cancel buttons: true for Retry.
    virtual bool retryBox(const std::string& text, const std::string& title) = 0;

    // A one-line prompt with OK and Cancel: the edited text on OK, an empty text on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;

    // The save-file dialog: the full path chosen, or nothing when the user cancelled.
    virtual std::optional<std::string> showSave(const SaveDialogSettings& settings) = 0;

    // The platform's default beep.
    virtual void beep() = 0;
};

}  // namespace tolvane
