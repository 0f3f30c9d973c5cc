#pragma once

#include <cstdint>
#include <string>

#include "listing_fields.h"

namespace tolvane {

// The title of the run's messages, and its text for a listing at `path` whose lines could
// not be stored. Ending the program during a run reports a failure to store the last of
// them in the same words.
inline constexpr char kRunMessageTitle[] = "Error in Make_Button_Click";
std::string writeFailureText(const std::string& path, const std::string& description);

class DateTimeText;
class FileSystem;
class OutputFileTable;
class RunWindow;

// The listing run: Make_Button_Click starts a run when none is under way and asks the
// running one to stop otherwise; SetRunMode switches the window between the two states.
class ListingRun {
  public:
    ListingRun(ListingFields& fields, RunWindow& window, FileSystem& fileSystem,
               OutputFileTable& files, const DateTimeText& dateText);

    void Make_Button_Click();
    void SetRunMode();

    // File lines the last run wrote.
    std::uint64_t filesListed() const { return filesListed_; }

  private:
    void startRun();
    void endRun();
    void reportFileFailure(const char* what, const std::string& description);

    ListingFields& fields_;
    RunWindow& window_;
    FileSystem& fileSystem_;
    OutputFileTable& files_;
    const DateTimeText& dateText_;
    std::uint64_t filesListed_ = 0;
};

}  // namespace tolvane
