#include "program_end.h"

#include <cstdio>
#include <cstdlib>

#include "dialogs.h"
#include "listing_run.h"
#include "output_file_table.h"

namespace tolvane {

void endProgramAtOnce(Dialogs& dialogs, int exitCode) noexcept {
    // The listing keeps every line written so far; the lines are whole in the buffer.
    // The files are closed before anything is shown, so nothing can write to them while
    // the message waits for the user.
    for (const OutputFailure& failure : OutputFileTable::instance().closeAll()) {
        std::string text;
        try {
            text = writeFailureText(failure.path, failure.description);
            dialogs.messageBox(text, Dialogs::kExclamation, kRunMessageTitle);
        } catch (...) {
            // Even the message box failed: the terminal is all that is left.
            std::fprintf(stderr, "Tolvane: %s\n", text.c_str());
        }
    }
    std::fflush(nullptr);
    // std::_Exit, not std::exit or QCoreApplication::exit: exit() would destroy the static
    // objects while the QApplication in main() still lives, and QCoreApplication::exit()
    // only asks the event loop to return, so a run nested in one of its yields would go on
    // writing first. The settings need no closing: each write was already committed.
    std::_Exit(exitCode);
}

}  // namespace tolvane
