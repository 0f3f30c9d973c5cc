#pragma once

#include <QMainWindow>
#include <cstdint>
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
#include "listing_fields.h"
#include "listing_run.h"
#include "posix_file_system.h"
#include "registry_api.h"
#include "run_window.h"
#include "settings_window.h"

class QAction;
class QKeySequence;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace tolvane {

class Dialogs;

// The program's one window. It owns all state: the option fields (ListingFields, under
// their own names), the drive and folder in its lists, and the listing run. It is the
// run's window (RunWindow, and through it the walker's WalkerHost) and the window the
// settings are read into and saved from (SettingsWindow).
//
// Handlers keep the names of the control and event they serve. A handler that sets a
// control's value from code runs the handler of the event this raises before the set
// returns (Qt's direct signal connections), so handlers nest. Every function Qt calls
// catches what its procedure did not trap and hands it to showUntrappedFailure, so Qt
// never sees an exception.
class Main_Form : public QMainWindow,
                  public ListingFields,
                  public RunWindow,
                  public SettingsWindow {
    Q_OBJECT

  public:
    // The reasons for a close request that Form_QueryUnload tells apart: the user's own
    // close (close button, window menu, Alt+F4) and every other cause.
    static constexpr std::int16_t kCloseByUser = 0;
    static constexpr std::int16_t kCloseByCode = 1;
    static constexpr std::int16_t kCloseBySessionEnd = 2;

    // `dialogs` answers every prompt; `drives` fills the drive list; `listFileSystem`
    // reads the folder and file lists (the run reads through a file system of its own);
    // `registryStore` keeps the settings and must outlive the window.
    Main_Form(Dialogs& dialogs, std::vector<DriveEntry> drives, FileSystem& listFileSystem,
              RegistryApi& registryStore, QWidget* parent = nullptr);
    ~Main_Form() override;

    // The load event, run once by main(): Form_Load as Qt's entry into the program.
    void loadEvent();

    // How the program ends at once (endProgramAtOnce unless replaced). Tests that must
    // not end their own process put a recorder here.
    void setProgramEnd(std::function<void()> end) { endProgram_ = std::move(end); }

    // Window-level fields besides those of ListingFields.
    std::string BaseCaption = "Make directory contents file";
    std::string FocusedList;
    // The window's one registry key object, made by its first use (registryObject()).
    std::unique_ptr<CRegistry> Registry;

    // The controls, under their own names; the window owns them.
    QGroupBox* Result_Frame = nullptr;
    DriveList* Result_Drive = nullptr;
    FolderList* Result_Dir = nullptr;
    FileList* Result_File = nullptr;
    QLabel* Progress_Label = nullptr;
    CheckBox* Comment_Check = nullptr;
    CheckBox* Recurse_Check = nullptr;
    CheckBox* Filter_Check = nullptr;
    QPushButton* Make_Button = nullptr;
    QMenu* Function_Menu = nullptr;
    QAction* Function_Make = nullptr;
    QAction* Function_About = nullptr;
    QAction* Function_Exit = nullptr;
    QMenu* Setup_Menu = nullptr;
    QAction* Setup_Name = nullptr;
    QAction* Setup_Comment = nullptr;
    QAction* Setup_Filter = nullptr;
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
    // Filter_Check's tool tip: its text up to the character after its first ":", then
    // FileFilter.
    void rebuildFilterToolTip();

    // Runs `handler` as Qt's entry into the program: an untrapped failure is shown by the
    // last-resort handling and goes no further.
    template <class Handler>
    void guarded(Handler&& handler) noexcept {
        try {
            handler();
        } catch (...) {
            reportUntrapped(std::current_exception());
        }
    }

    // RunWindow and WalkerHost.
    void yield() override;
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildMenus();
    void wireEvents();
    void fixTabOrder();
    void centreOnScreen();
    bool menuBarTakes(const QKeySequence& key) const;
    void reportUntrapped(std::exception_ptr failure) noexcept;
    CRegistry& registryObject();
    CheckBox* checkBoxOf(SettingsCheckBox box) const;
    void recoverDriveChange(const std::string& description) noexcept;
    void recoverDirChange(const std::string& description) noexcept;

    Dialogs& dialogs_;
    FileSystem& listFileSystem_;
    PosixFileSystem runFileSystem_;
    DateTimeText dateText_;
    ListingRun run_;
    RegistryApi& registryStore_;
    // The settings start-up could not read; Exit leaves them as stored unless changed.
    UnreadSettings unreadSettings_;
    std::function<void()> endProgram_;
    // Set while Function_Exit_Click saves: a failure then ends the program after it has
    // been shown, so the user can always leave.
    bool exiting_ = false;
};

}  // namespace tolvane
