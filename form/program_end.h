#pragma once

namespace tolvane {

class Dialogs;

// Ends the program at once: every open listing file is flushed and closed, then the
// process ends with `exitCode`. A listing whose last lines could not be stored is shown
// in `dialogs` first, in the run's own words, so that no failure goes unseen. No
// further handler of the window runs and no destructor runs, so a listing run under way
// cannot go on writing.
[[noreturn]] void endProgramAtOnce(Dialogs& dialogs, int exitCode) noexcept;

}  // namespace tolvane
