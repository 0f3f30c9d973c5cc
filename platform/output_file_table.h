#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// Sequential text output under 16-bit file numbers. Lines are buffered; every failure to
// store them is raised as a WriteFailure when it happens, and a file that failed once
// keeps failing, so nothing is silently dropped.
class OutputFileTable {
  public:
    using FileNumber = std::int16_t;
    static constexpr FileNumber kHighestFileNumber = 511;

    OutputFileTable() = default;
    OutputFileTable(const OutputFileTable&) = delete;
    OutputFileTable& operator=(const OutputFileTable&) = delete;
    ~OutputFileTable();

    // The table of the running program; closeAll() on it is what ending at once does.
    static OutputFileTable& instance();

    // The lowest file number not in use by an open file.
    FileNumber freeFileNumber() const;

    // Creates `path`, or truncates it to nothing, for writing under `fileNo`.
    void openForOutput(FileNumber fileNo, const std::string& path);

    // Appends `text` and CR LF.
    void writeLine(FileNumber fileNo, std::string_view text);

    // Flushes and closes. The file is closed even when the flush fails; the failure is
    // raised afterwards.
    void close(FileNumber fileNo);

    // Flushes and closes every open file; returns false if any of them failed.
    bool closeAll() noexcept;

    bool isOpen(FileNumber fileNo) const;

  private:
    struct OpenFile {
        std::FILE* stream = nullptr;
        std::string path;
        std::vector<char> buffer;
        int failedErrno = 0;
    };

    OpenFile& openFile(FileNumber fileNo);
    // Writes out the buffered lines; false (and the failure kept) when they could not be.
    bool storeBuffer(OpenFile& file);
    void flush(OpenFile& file);
    [[noreturn]] void raiseWriteFailure(const OpenFile& file) const;

    std::map<FileNumber, std::unique_ptr<OpenFile>> files_;
};

}  // namespace tolvane
