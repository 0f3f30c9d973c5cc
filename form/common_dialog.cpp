#include "common_dialog.h"

#include <optional>

#include "dialogs.h"
#include "raised_error.h"

namespace tolvane {

void CommonDialog::ShowSave() {
    std::optional<std::string> chosen = dialogs_.showSave(*this);
    if (chosen) {
        FileName = *chosen;
    } else if (CancelError) {
        throw RaisedError(kCancelErrorNumber, "CommonDialog", "Cancel was selected.");
    }
}

}  // namespace tolvane
