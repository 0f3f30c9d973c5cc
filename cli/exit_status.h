#pragma once

namespace tolvane {

// How tolvane-list ends, for the scripts that run it. A run stopped by Ctrl-C or SIGTERM
// ends as that signal would have ended it (see stop_signal.h).
enum ExitStatus : int {
    // The listing is complete.
    kListingComplete = 0,
    // Some folders could not be read and were reported; the listing holds everything else.
    kFoldersUnread = 1,
    // Nothing was listed: the command line was wrong, FOLDER is not a folder, the filter
    // reaches beyond a file name, or the stored settings it asked for could not be read.
    // No file was touched.
    kBadUsage = 2,
    // The listing file could not be opened or written; it ends on its last whole line.
    kListingNotWritten = 3,
};

}  // namespace tolvane
