#pragma once

#include <exception>
#include <string>

namespace tolvane {

class Dialogs;

// The text of the last-resort message: the failure's number, the source that raised it
// and its description, each on a line of its own (lines end in a CR), then `consequence`
// when there is one.
std::string untrappedFailureText(std::exception_ptr failure, const std::string& consequence);

// The last-resort handling of a failure that no procedure trapped: shows it in a message
// box titled "Tolvane" and returns. It never throws; when even the box fails, the text
// goes to the standard error stream.
void showUntrappedFailure(Dialogs& dialogs, std::exception_ptr failure,
                          const std::string& consequence = {}) noexcept;

}  // namespace tolvane
