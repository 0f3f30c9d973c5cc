#pragma once

namespace tolvane {

// Ends the program at once: every open listing file is flushed and closed, then the
// process ends with `exitCode`. No further handler of the window runs, no event is
// processed and no destructor runs, so a listing run under way cannot go on writing.
[[noreturn]] void endProgramAtOnce(int exitCode) noexcept;

}  // namespace tolvane
