#pragma once

#include <string>

namespace tolvane {

// The window-level fields that a listing run reads and writes. The window owns them
// (Main_Form derives from this) and the engine works on them directly, under the names
// the rest of the program uses.
struct ListingFields {
    // Options of the walk. Their controls are disabled during a run, so they cannot
    // change while the walker reads them.
    bool UseFileFilter = false;
    std::string FileFilter;
    bool RecurseSubdirectories = false;
    bool AddComment = false;
    std::string FileComment;

    // Path of the listing file; relative to the current working directory when relative.
    std::string SaveFilename;

    // On while a run is under way; off already when a Stop press has been handled.
    bool Running = false;
    // Set by a Stop press; the walker only reads it.
    bool StopRequested = false;
};

}  // namespace tolvane
