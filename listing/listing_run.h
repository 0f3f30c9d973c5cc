#pragma once

#include <cstdint>
#include <string>

#include "listing_fields.h"
#include "ordered_walk.h"
#include "output_file_table.h"

namespace tolvane {

// The title of the run's messages, and its text for a listing at `path` whose lines could
// not be stored. Ending the program during a run reports a failure to store the last of
// them in the same words.
inline constexpr char kRunMessageTitle[] = "Error in Make_Button_Click";
std::string writeFailureText(const std::string& path, const std::string& description);

class DateTimeText;
class DirectoryWalker;
class ListingOutput;
class RunWindow;

// The listing run. start() lists the folder the window's folder list shows into the
// listing file; requestStop(), called while the walker yields, asks the run under way to
// stop; running() tells whether one is under way. The window's button toggles between the
// two; SetRunMode switches the window between its idle and running states.
class ListingRun {
  public:
    // The title of the run's own messages: the listing file could not be opened or written.
    static constexpr char kMessageTitle[] = "Error in Make_Button_Click";

    ListingRun(ListingFields& fields, RunWindow& window, const WalkOptions& walkOptions,
               OutputFileTable& files, const DateTimeText& dateText);

    void start();
    void requestStop();
    bool running() const { return fields_.Running; }
    void SetRunMode();

    // File lines the run under way has written so far, or the last run wrote.
    std::uint64_t filesListed() const;

  private:
    // How a run that got as far as its walk ended.
    enum class Outcome { Listed, Stopped, NotStored, FolderUnread };

    bool refusesFilter();
    Outcome walk(ListingOutput& output, std::string& failure);
    void finish(Outcome outcome, const std::string& failure);
    void reportFileFailure(const char* what, const std::string& description);

    ListingFields& fields_;
    RunWindow& window_;
    const WalkOptions& walkOptions_;
    OutputFileTable& files_;
    const DateTimeText& dateText_;
    std::uint64_t filesListed_ = 0;
    const DirectoryWalker* walker_ = nullptr;  // only while a walk is under way
};

}  // namespace tolvane
