#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "application_settings.h"
#include "c_registry.h"
#include "check_box.h"
#include "common_dialog.h"
#include "date_time_text.h"
#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "form_layout.h"
#include "form_view.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "registry_api.h"
#include "run_window.h"
#include "settings_window.h"
#include "yield_pacing.h"

namespace tolvane {

class Dialogs;
class FileSystem;

// The program's one window, with no toolkit: all its state and every handler. It owns
// the option fields (ListingFields, under their own names), the drive and folder in its
// lists, the check boxes' values and the listing run. It is the run's window (RunWindow,
// and through it the walker's WalkerHost) and the window the settings are read into and
// saved from (SettingsWindow). It shows itself through a FormView and asks through
// Dialogs.
//
// Handlers keep the names of the control and event they serve. A handler that sets a
// control's value from code runs the handler of the event this raises before the set
// returns (CheckBox, DriveList, FolderList), so handlers nest. The toolkit's window
// reaches the handlers only through the entries below, each of which catches what its
// procedure did not trap and hands it to the last-resort handling: the toolkit never
// sees an exception.
class Main_Form : public ListingFields, public RunWindow, public SettingsWindow {
  public:
    // The reasons for a close request that Form_QueryUnload tells apart: the user's own
    // close (close button, window menu, Alt+F4) and every other cause.
    static constexpr std::int16_t kCloseByUser = 0;
    static constexpr std::int16_t kCloseByCode = 1;
    static constexpr std::int16_t kCloseBySessionEnd = 2;
    static constexpr std::int16_t kCloseByTaskManager = 3;

    // What the window works with. Each must outlive it.
    struct Services {
        FormView& view;
        Dialogs& dialogs;
        std::vector<DriveEntry> drives;
        // Reads the folder and file lists.
        FileSystem& listFileSystem;
        // Keeps the settings.
        RegistryApi& registryStore;
        // How a listing run reads its folders.
        WalkOptions walkOptions{};
    };

    explicit Main_Form(Services services);
    ~Main_Form() override;
    Main_Form(const Main_Form&) = delete;
    Main_Form& operator=(const Main_Form&) = delete;

    // How the program ends at once (endProgramAtOnce unless replaced). Tests that must
    // not end their own process put a recorder here.
    void setProgramEnd(std::function<void()> end) { endProgram_ = std::move(end); }
    // How often a run's yields hand the events to the toolkit (YieldPacing::kInterval
    // unless replaced). Tests that script the user's input yield by yield pace at zero.
    void setYieldPacing(YieldPacing pacing) { pacing_ = std::move(pacing); }

    // The toolkit's entries, one for each kind of event.
    // The load event, run once when the program starts.
    void load() noexcept;
    // A click of Make_Button or of a menu entry.
    void click(Control control) noexcept;
    // The user ticked or unticked a check box.
    void checkToggled(Control box, bool ticked) noexcept;
    // The user moved a list's highlight to `row`; `open` when the pick also chooses it
    // (the drive list always; a double-click in the folder list).
    void listPicked(Control list, int row, bool open) noexcept;
    // The user typed `text`, one character as UTF-8, in a list at `time` (milliseconds):
    // the folder list moves its highlight by type-ahead, as the arrow keys would.
    void listTyped(Control list, const std::string& text, std::uint32_t time) noexcept;
    // A list received the keyboard focus.
    void focusReceived(Control list) noexcept;
    // Key preview: every key with a character code, before the focused control gets it.
    void keyPreview(std::int16_t& KeyAscii) noexcept;
    // A request to close the window; false when it is refused.
    bool closeRequested(std::int16_t reason) noexcept;

    // Window-level fields besides those of ListingFields.
    std::string BaseCaption = kDesignedCaption;
    std::string FocusedList;
    // The window's one registry key object, made by its first use (registryObject()).
    std::unique_ptr<CRegistry> Registry;

    // The controls whose state is the window's own.
    DriveList Result_Drive;
    FolderList Result_Dir;
    FileList Result_File;
    CheckBox Comment_Check;
    CheckBox Recurse_Check;
    CheckBox Filter_Check;
    CommonDialog Filename_Dialog;

    // The listing run.
    void Make_Button_Click();
    void SetRunMode();

    // Folder navigation.
    void Result_Drive_Change();
    void Result_Dir_Change();
    void Result_Drive_GotFocus();
    void Result_Dir_GotFocus();
    void Result_File_GotFocus();
    void Form_KeyPress(std::int16_t& KeyAscii);

    // Option commands.
    void Comment_Check_Click();
    void Recurse_Check_Click();
    void Filter_Check_Click();
    void Setup_Comment_Click();
    void Setup_Filter_Click();
    void Setup_Name_Click();
    void Function_About_Click();
    void Function_Make_Click();

    // Start-up and shutdown.
    void Form_Load();
    void Function_Exit_Click();
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
    static std::string SplitFilename(const std::string& filename, bool path_file);

    // The title rule: BaseCaption, " - (", SaveFilename, ")".
    void applyTitle();

    // RunWindow and WalkerHost.
    void yield() override;
    void waiting() override { yield(); }
    void setProgressText(const std::string& text) override;
    void showMessage(const std::string& text, const std::string& title) override;
    void setMakeButtonCaption(const std::string& caption) override;
    void setControlEnabled(RunControl control, bool enabled) override;
    std::string folderListPath() override;
    void beep() override;

    // SettingsWindow.
    bool addComment() const override;
    void setAddComment(bool value) override;
    std::string fileComment() const override;
    void setFileComment(const std::string& value) override;
    std::string fileFilter() const override;
    void setFileFilter(const std::string& value) override;
    bool recurseSubdirectories() const override;
    void setRecurseSubdirectories(bool value) override;
    std::string saveFilename() const override;
    void setSaveFilename(const std::string& value) override;
    bool useFileFilter() const override;
    void setUseFileFilter(bool value) override;
    int checkBoxValue(SettingsCheckBox box) const override;
    void setCheckBoxValue(SettingsCheckBox box, int value) override;
    std::string filterToolTip() const override;
    void setFilterToolTip(const std::string& text) override;
    void applyWindowTitle() override;
    std::string drive() const override;
    void setDrive(const std::string& drive) override;
    std::string path() const override;
    void setPath(const std::string& path) override;

  private:
    // Runs `handler` as the toolkit's entry into the program: an untrapped failure is
    // shown by the last-resort handling and goes no further.
    template <class Handler>
    void guarded(Handler&& handler) noexcept {
        try {
            handler();
        } catch (...) {
            reportUntrapped(std::current_exception());
        }
        // The toolkit gets the window back: the status line shows the latest text.
        showProgressText();
    }
    void reportUntrapped(std::exception_ptr failure) noexcept;
    // Shows the status text set since it was last shown, if any. A run sets it at every
    // folder; the window shows it only when the user can see it change: when the events
    // are handed over, before a box, and when the run returns.
    void showProgressText() noexcept;
    CRegistry& registryObject();
    CheckBox* checkBoxOf(Control control);
    // Makes the drive list's highlighted drive current and moves the folder list to it.
    void applyHighlightedDrive();
    // Opens entry `index` of the folder list. A folder that cannot be opened has often been
    // removed behind the program's back; the list is shown afresh before the failure goes
    // on, so the same entry does not fail again at the next try.
    void openFolderEntry(int index);
    void recoverDriveChange(const std::string& description) noexcept;
    void recoverDirChange(const std::string& description) noexcept;

    FormView& view_;
    Dialogs& dialogs_;
    DateTimeText dateText_;
    const WalkOptions walkOptions_;
    ListingRun run_;
    RegistryApi& registryStore_;
    // The settings start-up could not read; Exit leaves them as stored unless changed.
    UnreadSettings unreadSettings_;
    std::function<void()> endProgram_;
    YieldPacing pacing_;
    std::string progressText_;
    bool progressTextShown_ = true;
};

}  // namespace tolvane
