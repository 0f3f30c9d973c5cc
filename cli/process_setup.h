#pragma once

namespace tolvane {

// What tolvane-list sets up before anything else runs:
// - standard input, output and error are open: one that was closed is opened on the null
//   device, so that no file the program opens takes its number (the listing opened as
//   descriptor 2 would get every message written into it);
// - a write to a pipe whose reader has gone fails instead of ending the program by SIGPIPE,
//   so that a message nobody can read never stops or fails the listing.
void prepareProcess();

}  // namespace tolvane
