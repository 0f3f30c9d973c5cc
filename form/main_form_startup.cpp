// Start-up and shutdown: Form_Load fills the window from the stored settings;
// Function_Exit_Click stores them and ends the program; Form_QueryUnload decides which
// close requests store them.
#include "application_settings.h"
#include "dialogs.h"
#include "failure_report.h"
#include "last_resort.h"
#include "main_form.h"

namespace tolvane {

namespace {

// Shows the busy cursor for as long as it lives.
class BusyCursor {
  public:
    explicit BusyCursor(FormView& view) : view_(view) { view_.setBusy(true); }
    ~BusyCursor() { view_.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    FormView& view_;
};

// The choice a failed save at Exit offers.
constexpr char kNotStored[] =
    "The settings could not be stored. Retry, or Cancel to leave without storing them.";

}  // namespace

CRegistry& Main_Form::registryObject() {
    if (!Registry) {
        Registry = std::make_unique<CRegistry>(registryStore_);
    }
    return *Registry;
}

void Main_Form::Form_Load() {
    BaseCaption = "Make directory contents file";
    Running = false;
    StopRequested = false;
    // Shown before the settings are applied, so that a prompt they raise (a blank
    // comment) has the window behind it, still with its designed title.
    view_.show();

    // No trap yet: a key that can be neither opened nor created, or a value that cannot
    // be read, ends start-up here and reaches the last-resort handling, which shows it.
    // What was not read keeps its default, with the title naming the default listing
    // file, and stays as stored at Exit, unless the user changes it.
    try {
        loadOptionSettings(registryObject(), *this, unreadSettings_);
    } catch (...) {
        applyTitle();
        throw;
    }

    try {
        loadLocationSettings(registryObject(), *this, unreadSettings_);
        registryObject().CloseKey();
        view_.show();
        // The one yield: input that arrived during start-up is handled now.
        view_.yield();
    } catch (...) {
        // The lists keep what they show now; the key stays open until shutdown reopens it.
        const std::string text = "Error in Form_Load.\r(Path= " + Result_Dir.Path() +
                                 " , Drive= " + Result_Drive.Drive() +
                                 ")\rError: " + reportOf(std::current_exception()).description;
        dialogs_.messageBox(text, Dialogs::kExclamation, "Error setting field");
    }
}

void Main_Form::Function_Exit_Click() {
    // The store may be held by another program for as long as its timeout: the busy
    // cursor shows the wait. A save that fails is shown with the choice to try again or to
    // leave without storing, so that no change is lost without a word, and a broken store
    // never keeps anyone in the program.
    for (;;) {
        try {
            const BusyCursor busy(view_);
            saveSettings(registryObject(), *this, unreadSettings_);
            break;
        } catch (...) {
            bool retry = false;
            try {
                retry = dialogs_.retryBox(
                    untrappedFailureText(std::current_exception(), kNotStored), "Tolvane");
            } catch (...) {
                // No box can be shown: nothing better than leaving is left.
            }
            if (!retry) {
                break;
            }
        }
    }
    endProgram_();
}

void Main_Form::Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    // Cancel is never set: a close is never refused, not even during a run.
    static_cast<void>(Cancel);
    if (UnloadMode == kCloseByUser) {
        Function_Exit_Click();
    }
}

}  // namespace tolvane
