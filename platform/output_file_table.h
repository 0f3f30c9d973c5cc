#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output_system.h"
#include "raised_error.h"

namespace tolvane {

// A file whose lines could not all be stored, as closeAll gives it back.
struct OutputFailure {
    std::string path;
    std::string description;
};

// Completes a file that is written whole when it is closed rather than line by line (a
// workbook). Its number and its name stay open in the table from the start, so that the
// refusal of what is not a regular file, the emptying of an earlier listing and the
// closing of every file when the program ends at once treat it as any other listing.
class OutputFinisher {
  public:
    // Writes the whole file at its path; 0, or the errno of the failure. The table removes
    // a file that could not be completed: half a workbook is no workbook at all.
    virtual int finish() noexcept = 0;

  protected:
    ~OutputFinisher() = default;
};

// Sequential text output under 16-bit file numbers. Lines are buffered; every failure to
// store them is raised as a WriteFailure when it happens, and a file that failed once
// keeps failing, so nothing is silently dropped. After a failure the file ends with the
// last line that arrived whole: a reader never sees half a line.
class OutputFileTable {
  public:
    using FileNumber = std::int16_t;
    static constexpr FileNumber kHighestFileNumber = 511;

    // Every call to the operating system goes through `system`.
    explicit OutputFileTable(OutputSystem& system = nativeOutputSystem()) : system_(&system) {}
    OutputFileTable(const OutputFileTable&) = delete;
    OutputFileTable& operator=(const OutputFileTable&) = delete;
    ~OutputFileTable();

    // The table of the running program; closeAll() on it is what ending at once does.
    static OutputFileTable& instance();

    // Sends later calls to `system`, so that a test can make the program's own table fail.
    // Only while no file is open.
    void replaceSystem(OutputSystem& system) { system_ = &system; }

    // The lowest file number not in use by an open file.
    FileNumber freeFileNumber() const;

    // Creates `path`, or truncates it to nothing, for writing under `fileNo`. Only a
    // regular file (or a new name) is taken: anything else fails at once, unchanged.
    void openForOutput(FileNumber fileNo, const std::string& path);

    // Has `finisher` write the file of `fileNo` when it is closed, in place of its lines.
    void finishWith(FileNumber fileNo, OutputFinisher& finisher);

    // Appends `text` and CR LF.
    void writeLine(FileNumber fileNo, std::string_view text);

    // Flushes and closes. The file is closed even when the flush fails; the failure is
    // raised afterwards.
    void close(FileNumber fileNo);

    // Flushes and closes every open file; gives back each one that failed, and why.
    std::vector<OutputFailure> closeAll() noexcept;

    bool isOpen(FileNumber fileNo) const;

  private:
    struct OpenFile {
        int descriptor = -1;
        std::string path;
        std::vector<char> buffer;
        // Bytes in the file, all of them whole lines.
        std::int64_t stored = 0;
        int failedErrno = 0;
        OutputFinisher* finisher = nullptr;
    };

    OpenFile& openFile(FileNumber fileNo);
    // Refuses what is not a regular file, then empties it; 0 or the errno of the failure.
    int prepare(int descriptor);
    // Writes out the buffered lines; false (and the failure kept) when they could not be.
    bool storeBuffer(OpenFile& file) noexcept;
    int writeAll(const OpenFile& file, std::size_t& written) noexcept;
    void cutToLastWholeLine(OpenFile& file, std::size_t written) noexcept;
    // Stores what is buffered and closes; the errno of the file's failure, or 0.
    int release(OpenFile& file) noexcept;
    void flush(OpenFile& file);
    [[noreturn]] void raiseWriteFailure(const OpenFile& file) const;
    // The error for a failure a system call reported with `errnoValue`, in the system's words.
    RaisedError failureOf(int errnoValue) const;

    OutputSystem* system_;
    std::map<FileNumber, std::unique_ptr<OpenFile>> files_;
};

}  // namespace tolvane
