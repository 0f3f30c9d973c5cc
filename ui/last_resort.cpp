#include "last_resort.h"

#include <cstdio>
#include <string>

#include "dialogs.h"
#include "raised_error.h"

namespace tolvane {

void showUntrappedFailure(Dialogs& dialogs, std::exception_ptr failure) noexcept {
    std::string text;
    try {
        std::rethrow_exception(failure);
    } catch (const RaisedError& error) {
        text = "Run-time error '" + std::to_string(error.number()) + "':\r" + error.description();
    } catch (const std::exception& error) {
        text = std::string("Run-time error:\r") + error.what();
    } catch (...) {
        text = "Run-time error:\rUnknown failure";
    }
    try {
        dialogs.messageBox(text, Dialogs::kExclamation, "Tolvane");
    } catch (...) {
        // Even the message box failed: the terminal is all that is left.
        std::fprintf(stderr, "Tolvane: %s\n", text.c_str());
    }
}

}  // namespace tolvane
