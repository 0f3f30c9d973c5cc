#include "workbook_output.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "date_time_text.h"
#include "listing_line.h"
#include "raised_error.h"
#include "write_failure.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "WorkbookOutput";

constexpr const char* kColumnNames[] = {"Filename",  "Extension", "Size",   "Date/Time",
                                        "Directory", "Attribute", "Comment"};
enum Column { kFilename, kExtension, kSize, kDateTime, kDirectory, kAttribute, kComment };

// A path or a comment makes its column this wide at most (in characters): wider, one
// column would fill the screen and hide the rest.
constexpr std::size_t kWidestColumn = 80;
// Room for the autofilter's button beside the header's text.
constexpr std::size_t kFilterButton = 3;
// Room beside a number or a date, which a narrower column would show as "####".
constexpr std::size_t kNumberMargin = 2;
// Excel's limit for the text of one cell.
constexpr std::size_t kMostCellCharacters = 32767;

int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

// The length of the UTF-8 character that starts with `lead`, 0 for a byte no character
// starts with.
std::size_t sequenceLength(unsigned char lead) {
    return lead < 0x80                    ? 1
           : lead >= 0xC2 && lead <= 0xDF ? 2
           : lead >= 0xE0 && lead <= 0xEF ? 3
           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                          : 0;
}

// The character a well-formed UTF-8 sequence of `length` bytes at the start of `text`
// encodes, or kLoneByte when there is none: a byte no character starts with, a sequence
// cut short, an overlong form, a surrogate, anything past U+10FFFF.
constexpr char32_t kLoneByte = 0x110000;
char32_t decode(std::string_view text, std::size_t length) {
    if (length == 0 || text.size() < length) {
        return kLoneByte;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    char32_t code = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return kLoneByte;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return kLoneByte;
    }
    return code;
}

// A character XML 1.0 may hold, less the CR, which a reader turns into an LF.
bool isCellCharacter(char32_t code) {
    if (code < 0x20) {
        return code == '\t' || code == '\n';
    }
    return code != 0xFFFE && code != 0xFFFF;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "_xHHHH_" at the start of `text`.
bool startsEscape(std::string_view text) {
    return text.size() >= 7 && text[0] == '_' && text[1] == 'x' && isHexDigit(text[2]) &&
           isHexDigit(text[3]) && isHexDigit(text[4]) && isHexDigit(text[5]) && text[6] == '_';
}

// The characters of a cell's text, counting one of the wide East Asian scripts (from
// U+3000 on) as two: what a column needs to show it.
std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            width += byte >= 0xE3 ? 2 : 1;
        }
    }
    return width;
}

}  // namespace

void appendCellText(std::string_view text, std::string& out) {
    // Most names are printable ASCII without a "_", which a cell holds as they are.
    if (text.size() <= kMostCellCharacters && std::all_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) - 0x20u < 0x60u && c != '_';
        })) {
        out.append(text);
        return;
    }
    std::size_t characters = 0;
    std::size_t i = 0;
    while (i < text.size() && characters < kMostCellCharacters) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        const char32_t code = decode(text.substr(i), length);
        if (code == kLoneByte) {
            out.push_back('?');  // one for each byte, as the ANSI listing writes one
            i += 1;
        } else if (!isCellCharacter(code)) {
            out.push_back('?');
            i += length;
        } else {
            if (text[i] == '_' && startsEscape(text.substr(i))) {
                out.append("_x005F");
            }
            out.append(text.substr(i, length));
            i += length;
        }
        ++characters;
    }
}

WorkbookOutput::WorkbookOutput(OutputFileTable& files, FileNumber fileNo, const std::string& path,
                               const DateTimeText& dateText, std::uint32_t rowsPerSheet)
    : ListingOutput(files, fileNo), dateText_(dateText), rowsPerSheet_(rowsPerSheet) {
    files.finishWith(fileNo, *this);
#ifndef _WIN32
    // The rows wait in temporary files until the workbook is put together: next to the
    // workbook, on the disk it is going to, rather than in a /tmp that may be memory.
    // (On Windows the library takes the folder in the ANSI code page, so it uses %TMP%.)
    const std::size_t slash = path.rfind('/');
    tmpdir_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
#endif
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir_.empty() ? nullptr : tmpdir_.data();
    errno = 0;
    workbook_ = workbook_new_opt(path.c_str(), &options);
    if (workbook_ == nullptr) {
        failedErrno_ = errnoOr(ENOMEM);
        closeAfterFailure();
        throw systemError(failedErrno_, kSource);
    }
    headerFormat_ = workbook_add_format(workbook_);
    format_set_bold(headerFormat_);
    dateFormat_ = workbook_add_format(workbook_);
    format_set_num_format(dateFormat_, dateText.cellFormat().c_str());
    widths_[kDateTime] =
        displayWidth(dateText.format(DateTime{2026, 12, 28, 22, 58, 58})) + kNumberMargin;
    try {
        addSheet();
    } catch (const RaisedError& error) {
        closeAfterFailure();
        throw RaisedError(error.number(), error.source(), error.description());
    }
}

WorkbookOutput::~WorkbookOutput() {
    closeAfterFailure();
    discard();  // only when the table never finished it
}

void WorkbookOutput::addSheet() {
    errno = 0;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook_, nullptr);
    if (sheet == nullptr) {
        fail(errnoOr(ENOMEM));
    }
    sheets_.push_back(sheet);
    for (int column = 0; column < kColumns; ++column) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(column), kColumnNames[column],
                               headerFormat_);
        widths_[column] = std::max(
            widths_[column], std::char_traits<char>::length(kColumnNames[column]) + kFilterButton);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    row_ = 1;
}

void WorkbookOutput::writeText(int column, std::string_view text) {
    cell_.clear();
    appendCellText(text, cell_);
    noteWidth(column, cell_);
    if (worksheet_write_string(sheets_.back(), row_, static_cast<lxw_col_t>(column), cell_.c_str(),
                               nullptr) != LXW_NO_ERROR) {
        fail(ENOMEM);
    }
}

void WorkbookOutput::noteWidth(int column, std::string_view text) {
    // A text no longer in bytes than the column is wide cannot widen it.
    std::size_t& width = widths_[column];
    if (text.size() > width && width < kWidestColumn) {
        width = std::min(kWidestColumn, std::max(width, displayWidth(text)));
    }
}

void WorkbookOutput::writeLine(const ListingLine& line) {
    if (failedErrno_ != 0) {
        fail(failedErrno_);
    }
    if (row_ >= rowsPerSheet_) {
        addSheet();
    }
    lxw_worksheet* sheet = sheets_.back();
    // The rows before this one were written to the sheet's temporary file as this row
    // began; a failure to store them shows there.
    errno = 0;
    writeText(kFilename, line.name);
    writeText(kExtension, extensionOf(line.name));
    worksheet_write_number(sheet, row_, kSize, static_cast<double>(line.size), nullptr);
    std::size_t digits = line.size < 0 ? 2 : 1;
    for (std::int64_t rest = line.size; rest >= 10 || rest <= -10; rest /= 10) {
        ++digits;
    }
    widths_[kSize] = std::max(widths_[kSize], digits + kNumberMargin);
    const DateTime& time = line.modified;
    if (time.year >= 1900 && time.year <= 9999) {
        lxw_datetime cell{time.year, time.month,  time.day,
                          time.hour, time.minute, static_cast<double>(time.second)};
        worksheet_write_datetime(sheet, row_, kDateTime, &cell, dateFormat_);
    } else {
        // A spreadsheet has no date before 1900: the cell holds the listing's text.
        writeText(kDateTime, dateText_.format(time));
    }
    writeText(kDirectory, line.folder);
    writeText(kAttribute, attributeLetters(line.attributes));
    writeText(kComment, line.comment);
    if (std::ferror(sheet->optimize_tmpfile)) {
        fail(errnoOr(EIO));
    }
    ++row_;
}

void WorkbookOutput::fail(int error) {
    failedErrno_ = error;
    const RaisedError raised = systemError(error, kSource);
    throw WriteFailure(raised.number(), raised.source(), raised.description());
}

int WorkbookOutput::finish() noexcept {
    if (workbook_ == nullptr) {
        return failedErrno_ != 0 ? failedErrno_ : EIO;
    }
    if (failedErrno_ != 0) {
        discard();
        return failedErrno_;
    }
    for (lxw_worksheet* sheet : sheets_) {
        if (std::fflush(sheet->optimize_tmpfile) != 0 || std::ferror(sheet->optimize_tmpfile)) {
            failedErrno_ = errnoOr(EIO);
            discard();
            return failedErrno_;
        }
    }
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        const lxw_row_t lastRow = i + 1 < sheets_.size() ? rowsPerSheet_ - 1 : row_ - 1;
        worksheet_autofilter(sheets_[i], 0, 0, lastRow, kColumns - 1);
        for (int column = 0; column < kColumns; ++column) {
            worksheet_set_column(sheets_[i], static_cast<lxw_col_t>(column),
                                 static_cast<lxw_col_t>(column),
                                 static_cast<double>(widths_[column]), nullptr);
        }
    }
    errno = 0;
    const lxw_error error = workbook_close(std::exchange(workbook_, nullptr));
    sheets_.clear();
    if (error != LXW_NO_ERROR) {
        failedErrno_ = errnoOr(error == LXW_ERROR_MEMORY_MALLOC_FAILED ? ENOMEM : EIO);
    }
    return failedErrno_;
}

void WorkbookOutput::discard() noexcept {
    if (workbook_ == nullptr) {
        return;
    }
    // The library frees a workbook without writing it, but leaves the sheets' temporary
    // files open.
    for (lxw_worksheet* sheet : sheets_) {
        if (sheet->optimize_tmpfile != nullptr) {
            std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
            sheet->file = nullptr;
        }
    }
    sheets_.clear();
    lxw_workbook_free(std::exchange(workbook_, nullptr));
}

}  // namespace tolvane
