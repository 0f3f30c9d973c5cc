#include "output_file_table.h"

#include <cerrno>
#include <cstring>

#include "raised_error.h"
#include "write_failure.h"

#ifdef _WIN32
#include "win32_text.h"
#endif

namespace tolvane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{64} * 1024;
constexpr char kSource[] = "OutputFileTable";

// Some C libraries leave errno at 0 on a short write; a disk that took nothing is full.
int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

}  // namespace

OutputFileTable::~OutputFileTable() {
    closeAll();
}

OutputFileTable& OutputFileTable::instance() {
    static OutputFileTable table;
    return table;
}

OutputFileTable::FileNumber OutputFileTable::freeFileNumber() const {
    for (FileNumber n = 1; n <= kHighestFileNumber; ++n) {
        if (files_.find(n) == files_.end()) {
            return n;
        }
    }
    throw RaisedError(error_number::kTooManyFiles, kSource, "Too many files");
}

void OutputFileTable::openForOutput(FileNumber fileNo, const std::string& path) {
    if (fileNo < 1 || fileNo > kHighestFileNumber) {
        throw RaisedError(error_number::kBadFileNumber, kSource, "Bad file name or number");
    }
    if (isOpen(fileNo)) {
        throw RaisedError(error_number::kFileAlreadyOpen, kSource, "File already open");
    }
    if (path.empty()) {
        throw systemError(ENOENT, kSource);
    }
    errno = 0;
#ifdef _WIN32
    // The path is the program's UTF-8 text; the narrow fopen would read it as ANSI.
    std::FILE* stream = _wfopen(wideFromUtf8(path).c_str(), L"wb");
#else
    std::FILE* stream = std::fopen(path.c_str(), "wb");
#endif
    if (stream == nullptr) {
        throw systemError(errnoOr(EACCES), kSource);
    }
    // Our own buffer collects the lines; the stream passes whole blocks straight through.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    auto file = std::make_unique<OpenFile>();
    file->stream = stream;
    file->path = path;
    file->buffer.reserve(kBufferSize);
    files_.emplace(fileNo, std::move(file));
}

OutputFileTable::OpenFile& OutputFileTable::openFile(FileNumber fileNo) {
    auto it = files_.find(fileNo);
    if (it == files_.end()) {
        throw RaisedError(error_number::kBadFileNumber, kSource, "Bad file name or number");
    }
    return *it->second;
}

void OutputFileTable::writeLine(FileNumber fileNo, std::string_view text) {
    OpenFile& file = openFile(fileNo);
    if (file.failedErrno != 0) {
        raiseWriteFailure(file);
    }
#ifdef _WIN32
    // The listing is written in the ANSI code page.
    std::string ansi;
    appendAnsiFromUtf8(text, ansi);
    text = ansi;
#endif
    std::vector<char>& buffer = file.buffer;
    if (buffer.size() + text.size() + 2 > kBufferSize) {
        flush(file);
    }
    buffer.insert(buffer.end(), text.begin(), text.end());
    buffer.push_back('\r');
    buffer.push_back('\n');
    if (buffer.size() >= kBufferSize) {
        flush(file);  // a single line longer than the buffer
    }
}

bool OutputFileTable::storeBuffer(OpenFile& file) {
    if (file.failedErrno == 0 && !file.buffer.empty()) {
        errno = 0;
        const std::size_t size = file.buffer.size();
        if (std::fwrite(file.buffer.data(), 1, size, file.stream) != size ||
            std::fflush(file.stream) != 0) {
            file.failedErrno = errnoOr(ENOSPC);
        }
    }
    file.buffer.clear();
    return file.failedErrno == 0;
}

void OutputFileTable::flush(OpenFile& file) {
    if (!storeBuffer(file)) {
        raiseWriteFailure(file);
    }
}

void OutputFileTable::raiseWriteFailure(const OpenFile& file) const {
    RaisedError error = systemError(file.failedErrno, kSource);
    throw WriteFailure(error.number(), error.source(), error.description());
}

void OutputFileTable::close(FileNumber fileNo) {
    auto it = files_.find(fileNo);
    if (it == files_.end()) {
        return;  // closing a number that is not open does nothing
    }
    std::unique_ptr<OpenFile> file = std::move(it->second);
    files_.erase(it);
    storeBuffer(*file);
    errno = 0;
    if (std::fclose(file->stream) != 0 && file->failedErrno == 0) {
        file->failedErrno = errnoOr(EIO);
    }
    if (file->failedErrno != 0) {
        raiseWriteFailure(*file);
    }
}

bool OutputFileTable::closeAll() noexcept {
    bool allStored = true;
    while (!files_.empty()) {
        try {
            close(files_.begin()->first);
        } catch (const RaisedError&) {
            allStored = false;
        }
    }
    return allStored;
}

bool OutputFileTable::isOpen(FileNumber fileNo) const {
    return files_.find(fileNo) != files_.end();
}

}  // namespace tolvane
