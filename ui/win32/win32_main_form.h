#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "drive_table.h"
#include "form_view.h"
#include "main_form.h"

namespace tolvane {

// The native Win32 window over Main_Form: it lays the controls out from the layout table,
// hands every user event to Main_Form's entry for it and shows what Main_Form sets
// (FormView).
//
// Its window class has the dialog manager's behaviour (DefDlgProc, IsDialogMessage in the
// message loop): Tab and the access keys move among the controls, and the focus comes back
// to the control that had it when a message box or the save dialog closes. Key preview
// happens in the loop, before the dialog manager and the control see a key.
class Win32MainForm : public FormView {
  public:
    // The arguments are those of Main_Form::Services; each must outlive the window.
    Win32MainForm(Dialogs& dialogs, std::vector<DriveEntry> drives, FileSystem& listFileSystem,
                  RegistryApi& registryStore);
    ~Win32MainForm() override;
    Win32MainForm(const Win32MainForm&) = delete;
    Win32MainForm& operator=(const Win32MainForm&) = delete;

    Main_Form& form() { return *form_; }
    HWND window() const { return window_; }
    HWND control(Control control) const;

    // The program's message loop, until the window is gone; returns the exit code.
    int run();
    // Handles one message as the loop does: key preview, the dialog manager, dispatch.
    void handle(MSG& message);

    // FormView.
    void setTitle(const std::string& title) override;
    void setCaption(Control control, const std::string& caption) override;
    void setEnabled(Control control, bool enabled) override;
    void setCheck(Control box, bool ticked) override;
    void setToolTip(Control control, const std::string& tip) override;
    void setRows(Control list, const std::vector<ListRow>& rows) override;
    void setHighlight(Control list, int row) override;
    void show() override;
    void setBusy(bool busy) override;
    void yield() override;

  private:
    // The status text cut in its middle to the label's width, its end kept.
    std::string fittedToLabel(const std::string& text) const;
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code);
    bool previewKey(const MSG& message);
    void createControls();
    void createToolTips();

    HWND window_ = nullptr;
    HWND toolTip_ = nullptr;
    HMENU menu_ = nullptr;
    std::vector<HFONT> fonts_;
    std::map<Control, HWND> controls_;
    bool closeBySystemMenu_ = false;
    bool quitWhenGone_ = false;
    bool shownOnce_ = false;
    // The cursor the window had before it showed the busy one.
    HCURSOR idleCursor_ = nullptr;
    std::unique_ptr<Main_Form> form_;
};

}  // namespace tolvane
