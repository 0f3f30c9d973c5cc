#include "last_resort.h"

#include <cstdio>

#include "dialogs.h"
#include "failure_report.h"

namespace tolvane {

std::string untrappedFailureText(std::exception_ptr failure, const std::string& consequence) {
    const FailureReport report = reportOf(failure);
    std::string text = "Run-time error";
    if (report.number != 0) {
        text += " '" + std::to_string(report.number) + "'";
    }
    text += ":\r";
    if (!report.source.empty()) {
        text += "Source: " + report.source + "\r";
    }
    text += "Error: " + report.description;
    if (!consequence.empty()) {
        text += "\r" + consequence;
    }
    return text;
}

void showUntrappedFailure(Dialogs& dialogs, std::exception_ptr failure,
                          const std::string& consequence) noexcept {
    std::string text;
    try {
        text = untrappedFailureText(failure, consequence);
        dialogs.messageBox(text, Dialogs::kExclamation, "Tolvane");
    } catch (...) {
        // Even the message box failed: the terminal is all that is left.
        std::fprintf(stderr, "Tolvane: %s\n", text.c_str());
    }
}

}  // namespace tolvane
