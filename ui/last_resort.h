#pragma once

#include <exception>

namespace tolvane {

class Dialogs;

// The last-resort handling of a failure that no procedure trapped: shows it in a message
// box and returns, so that the event loop goes on. It never throws.
void showUntrappedFailure(Dialogs& dialogs, std::exception_ptr failure) noexcept;

}  // namespace tolvane
