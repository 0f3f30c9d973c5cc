#pragma once

#include <windows.h>

#include "dialogs.h"

namespace tolvane {

// The dialogs of the running program on Windows: MessageBoxW, the input box of the
// resource script, GetSaveFileNameW and MessageBeep, each modal over the owner window. Their
// texts cross as UTF-16, so a name or comment outside the ANSI code page comes back whole.
class Win32Dialogs : public Dialogs {
  public:
    void setOwner(HWND owner) { owner_ = owner; }

    void messageBox(const std::string& text, int style, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::optional<std::string> showSave(const SaveDialogSettings& settings) override;
    void beep() override;
    bool retryBox(const std::string& text, const std::string& title) override;

  private:
    HWND owner_ = nullptr;
};

// A message's lines as a Windows control breaks them: every CR alone or LF alone becomes
// CR LF.
std::string windowsLineBreaks(const std::string& text);

// A save dialog's Filter text ("TXT file (*.txt)|*.txt|All files (*.*)|*.*") in the form
// GetSaveFileName takes: each part ended by a NUL, the whole by a second one.
std::wstring windowsFilter(const std::wstring& filter);

}  // namespace tolvane
