#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "output_file_table.h"

namespace tolvane {

class DateTimeText;
struct ListingLine;

// Where a run's lines go: the TAB-separated text, or a workbook when the listing's name ends
// in ".xlsx". Either one is open under a file number of the run's OutputFileTable from the
// start to the end of the run, so that closing every file (the program ending at once)
// completes it too.
class ListingOutput {
  public:
    using FileNumber = OutputFileTable::FileNumber;

    ListingOutput(const ListingOutput&) = delete;
    ListingOutput& operator=(const ListingOutput&) = delete;
    // Closes what is still open; a failure then is not reported.
    virtual ~ListingOutput() = default;

    // Adds one file's line; raises a WriteFailure when it cannot be stored.
    virtual void writeLine(const ListingLine& line) = 0;

    // Completes the listing and closes it; raises a WriteFailure when it cannot be stored
    // (a workbook that cannot be completed is removed then).
    void close() { files_.close(fileNo_); }
    // Closes after a failure has already been reported: a second one adds nothing.
    void closeAfterFailure() noexcept;

    FileNumber fileNumber() const { return fileNo_; }

  protected:
    ListingOutput(OutputFileTable& files, FileNumber fileNo) : files_(files), fileNo_(fileNo) {}

    OutputFileTable& files_;
    const FileNumber fileNo_;
};

// True for a name that ends in ".xlsx" in any case.
bool isWorkbookName(std::string_view path);

// Creates (or empties) the listing at `path` in the format its name asks for, under a free
// number of `files`, and writes the header. Raises a RaisedError when it cannot be opened;
// nothing is left open then.
std::unique_ptr<ListingOutput> openListingOutput(OutputFileTable& files, const std::string& path,
                                                 const DateTimeText& dateText);

}  // namespace tolvane
