#include "listing_output.h"

#include "ascii_text.h"
#include "listing_line.h"
#include "raised_error.h"
#include "workbook_output.h"

namespace tolvane {

namespace {

// The TAB-separated text: each line formed, then handed to the file table.
class TextOutput : public ListingOutput {
  public:
    TextOutput(OutputFileTable& files, FileNumber fileNo, const DateTimeText& dateText)
        : ListingOutput(files, fileNo), dateText_(dateText) {}
    ~TextOutput() override { closeAfterFailure(); }

    void writeLine(const ListingLine& line) override {
        formatListingLine(line, dateText_, text_);
        files_.writeLine(fileNo_, text_);
    }

  private:
    const DateTimeText& dateText_;
    std::string text_;  // reused for every line, so that a line does not allocate
};

}  // namespace

void ListingOutput::closeAfterFailure() noexcept {
    try {
        files_.close(fileNo_);
    } catch (const RaisedError&) {
    }
}

bool isWorkbookName(std::string_view path) {
    constexpr std::string_view kExtension = ".xlsx";
    return path.size() >= kExtension.size() &&
           asciiUpper(path.substr(path.size() - kExtension.size())) == ".XLSX";
}

std::unique_ptr<ListingOutput> openListingOutput(OutputFileTable& files, const std::string& path,
                                                 const DateTimeText& dateText) {
    const OutputFileTable::FileNumber fileNo = files.freeFileNumber();
    files.openForOutput(fileNo, path);
    if (isWorkbookName(path)) {
        // Removes the emptied file itself when the workbook cannot be started.
        return std::make_unique<WorkbookOutput>(files, fileNo, path, dateText);
    }
    auto output = std::make_unique<TextOutput>(files, fileNo, dateText);
    files.writeLine(fileNo, kListingHeader);  // a failure here closes the file on the way out
    return output;
}

}  // namespace tolvane
