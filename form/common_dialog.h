#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

class Dialogs;

// What the save dialog is opened with.
struct SaveDialogSettings {
    std::string DialogTitle;
    std::string InitDir;
    std::string FileName;
    // Pairs of a description and a pattern, all joined by "|".
    std::string Filter;
    // The entry of Filter the dialog shows first, counting from 1.
    std::int32_t FilterIndex = 1;
    std::int32_t Flags = 0;
};

// The dialog flags the window uses.
namespace dialog_flag {
inline constexpr std::int32_t kOverwritePrompt = 0x2;
inline constexpr std::int32_t kHideReadOnly = 0x4;
inline constexpr std::int32_t kPathMustExist = 0x800;
}  // namespace dialog_flag

// The window's save-file dialog component Filename_Dialog: its properties are set one by
// one, then ShowSave opens the dialog and leaves the chosen path in FileName.
class CommonDialog : public SaveDialogSettings {
  public:
    // The number and text a cancelled dialog raises when CancelError is on.
    static constexpr std::int32_t kCancelErrorNumber = 32755;

    explicit CommonDialog(Dialogs& dialogs) : dialogs_(dialogs) {}

    bool CancelError = false;

    // Raises a RaisedError on Cancel when CancelError is on; otherwise Cancel leaves
    // FileName as it was.
    void ShowSave();

  private:
    Dialogs& dialogs_;
};

}  // namespace tolvane
