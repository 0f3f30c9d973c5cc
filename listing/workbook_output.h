#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listing_output.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tolvane {

// Appends `text` (UTF-8) as a workbook cell holds it: exactly as it is, except what the
// cell's XML cannot carry. A character below 0x20 other than TAB and LF becomes "?", as
// the TAB-separated listing writes it (a CR would come back as an LF); so does each byte
// that is not part of a UTF-8 character and each of U+FFFE and U+FFFF. "_x" followed by
// four hexadecimal digits and "_" would be read as an escaped character, so its "_" is
// escaped itself. A cell holds at most 32,767 characters; the rest is left out.
void appendCellText(std::string_view text, std::string& out);

// The listing as a workbook, written by libxlsxwriter in its constant-memory mode: each
// row goes to a temporary file as it is written, so memory stays flat however many files
// there are, and the workbook is put together when it is closed. One sheet holds the
// header and up to `rowsPerSheet - 1` files; the next file starts another sheet under the
// same header. The header row is bold and frozen and carries an autofilter over the
// sheet; the columns are as wide as their longest value, up to a limit.
class WorkbookOutput : public ListingOutput, private OutputFinisher {
  public:
    // The most rows a sheet holds (the header among them).
    static constexpr std::uint32_t kRowsPerSheet = 1048576;

    // Takes over `fileNo`, already open and emptied at `path`, and writes the header.
    // Raises a RaisedError when the workbook cannot be started; the file is closed and
    // removed then.
    WorkbookOutput(OutputFileTable& files, FileNumber fileNo, const std::string& path,
                   const DateTimeText& dateText, std::uint32_t rowsPerSheet = kRowsPerSheet);
    ~WorkbookOutput() override;

    void writeLine(const ListingLine& line) override;

  private:
    static constexpr int kColumns = 7;

    int finish() noexcept override;
    void addSheet();
    void writeText(int column, std::string_view text);
    void noteWidth(int column, std::string_view text);
    // Raises the failure as a WriteFailure; the workbook is given up and removed at close.
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    const DateTimeText& dateText_;
    std::uint32_t rowsPerSheet_;
    std::string tmpdir_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* headerFormat_ = nullptr;
    lxw_format* dateFormat_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
    std::uint32_t row_ = 0;  // the next row of the last sheet
    int failedErrno_ = 0;
    std::array<std::size_t, kColumns> widths_{};
    std::string cell_;
};

}  // namespace tolvane
