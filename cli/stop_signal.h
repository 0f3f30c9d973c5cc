#pragma once

namespace tolvane::stop_signal {

// Ctrl-C (SIGINT), SIGTERM and SIGHUP ask the run to stop, as the window's Stop button does. The
// handler only notes the signal; the run looks at the note between entries of the walk
// (received()), so that it stops on a whole line and closes its file.
void install();

// Whether a stop signal has arrived since install().
bool received();

// Ends the process as the signal that stopped the run would have ended it, so that the
// shell sees a stopped run (status 130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP) and a script
// running it stops too. On Windows the exit status is 128 + the signal number.
[[noreturn]] void endAsStopped();

}  // namespace tolvane::stop_signal
