#include "output_file_table.h"

#include <cerrno>

#include "raised_error.h"
#include "write_failure.h"

#ifdef _WIN32
#include "win32_text.h"
#endif

namespace tolvane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{64} * 1024;
constexpr char kSource[] = "OutputFileTable";

// Some systems leave errno at 0 on a failure; `fallback` names it then.
int errnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

// Makes `call` again for as long as a signal interrupts it; its result, with errno as the
// last attempt left it.
template <class Call>
auto uninterrupted(Call call) {
    for (;;) {
        errno = 0;
        const auto result = call();
        if (result >= 0 || errno != EINTR) {
            return result;
        }
    }
}

}  // namespace

std::string OutputSystem::describe(int errnoValue) {
    return systemDescription(errnoValue);
}

RaisedError OutputFileTable::failureOf(int errnoValue) const {
    const RaisedError error = systemError(errnoValue, kSource);
    return RaisedError(error.number(), kSource, system_->describe(errnoValue));
}

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
    const int descriptor = uninterrupted([&] { return system_->open(path.c_str()); });
    if (descriptor < 0) {
        throw failureOf(errnoOr(EACCES));
    }
    const int failure = prepare(descriptor);
    if (failure != 0) {
        RaisedError error = failureOf(failure);  // before the close can change the words
        system_->close(descriptor);
        throw error;
    }
    auto file = std::make_unique<OpenFile>();
    file->descriptor = descriptor;
    file->path = path;
    file->buffer.reserve(kBufferSize);
    files_.emplace(fileNo, std::move(file));
}

// A FIFO or a device would take the lines somewhere no one can open them as a listing, or
// hold the program until a reader comes, so it is refused before anything is changed.
int OutputFileTable::prepare(int descriptor) {
    const int regular = uninterrupted([&] { return system_->isRegularFile(descriptor); });
    if (regular < 0) {
        return errnoOr(EIO);
    }
    if (regular == 0) {
        return EINVAL;
    }
    if (uninterrupted([&] { return system_->truncate(descriptor, 0); }) != 0 ||
        uninterrupted([&] { return system_->setBlocking(descriptor); }) != 0) {
        return errnoOr(EIO);
    }
    return 0;
}

OutputFileTable::OpenFile& OutputFileTable::openFile(FileNumber fileNo) {
    auto it = files_.find(fileNo);
    if (it == files_.end()) {
        throw RaisedError(error_number::kBadFileNumber, kSource, "Bad file name or number");
    }
    return *it->second;
}

void OutputFileTable::finishWith(FileNumber fileNo, OutputFinisher& finisher) {
    openFile(fileNo).finisher = &finisher;
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

bool OutputFileTable::storeBuffer(OpenFile& file) noexcept {
    if (file.failedErrno == 0 && !file.buffer.empty()) {
        std::size_t written = 0;
        file.failedErrno = writeAll(file, written);
        if (file.failedErrno == 0) {
            file.stored += static_cast<std::int64_t>(written);
        } else {
            cutToLastWholeLine(file, written);
        }
    }
    file.buffer.clear();
    return file.failedErrno == 0;
}

// The buffer holds whole lines only, so a buffer written out to its end leaves the file
// ending on a whole line. A short write goes on with the rest.
int OutputFileTable::writeAll(const OpenFile& file, std::size_t& written) noexcept {
    const std::vector<char>& buffer = file.buffer;
    while (written < buffer.size()) {
        const std::ptrdiff_t count = uninterrupted([&] {
            return system_->write(file.descriptor, buffer.data() + written,
                                  buffer.size() - written);
        });
        if (count < 0) {
            return errnoOr(EIO);
        }
        if (count == 0) {
            return ENOSPC;  // a disk that takes nothing is full
        }
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

// After a failed write the file may end inside a line (a short write, a limit reached in
// the middle of one), or hold more than the system owned up to. It is cut back to the end
// of the last line that arrived whole. If even the cut fails there is nothing more to do:
// the failure reported is the write's.
void OutputFileTable::cutToLastWholeLine(OpenFile& file, std::size_t written) noexcept {
    const std::string_view arrived(file.buffer.data(), written);
    const std::size_t lineEnd = arrived.rfind("\r\n");
    if (lineEnd != std::string_view::npos) {
        file.stored += static_cast<std::int64_t>(lineEnd + 2);
    }
    const std::int64_t size = file.stored;
    uninterrupted([&] { return system_->truncate(file.descriptor, size); });
}

void OutputFileTable::flush(OpenFile& file) {
    if (!storeBuffer(file)) {
        raiseWriteFailure(file);
    }
}

void OutputFileTable::raiseWriteFailure(const OpenFile& file) const {
    RaisedError error = failureOf(file.failedErrno);
    throw WriteFailure(error.number(), error.source(), error.description());
}

int OutputFileTable::release(OpenFile& file) noexcept {
    storeBuffer(file);
    errno = 0;
    // Never made again: the descriptor is released whatever close reports, and a second
    // close could release one that has been handed out since. An interruption comes after
    // every line was handed to the system, so it is no failure to store them.
    if (system_->close(file.descriptor) != 0 && errno != EINTR && file.failedErrno == 0) {
        file.failedErrno = errnoOr(EIO);
    }
    if (file.finisher != nullptr) {
        const int failure = file.finisher->finish();
        if (failure != 0) {
            system_->remove(file.path.c_str());
            if (file.failedErrno == 0) {
                file.failedErrno = failure;
            }
        }
    }
    return file.failedErrno;
}

void OutputFileTable::close(FileNumber fileNo) {
    auto it = files_.find(fileNo);
    if (it == files_.end()) {
        return;  // closing a number that is not open does nothing
    }
    std::unique_ptr<OpenFile> file = std::move(it->second);
    files_.erase(it);
    if (release(*file) != 0) {
        raiseWriteFailure(*file);
    }
}

std::vector<OutputFailure> OutputFileTable::closeAll() noexcept {
    std::vector<OutputFailure> failures;
    while (!files_.empty()) {
        std::unique_ptr<OpenFile> file = std::move(files_.begin()->second);
        files_.erase(files_.begin());
        const int failure = release(*file);
        if (failure != 0) {
            try {
                failures.push_back({std::move(file->path), systemDescription(failure)});
            } catch (...) {
                // No memory to name it: the file is closed all the same.
            }
        }
    }
    return failures;
}

bool OutputFileTable::isOpen(FileNumber fileNo) const {
    return files_.find(fileNo) != files_.end();
}

}  // namespace tolvane
