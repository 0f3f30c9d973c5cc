#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "date_time.h"
#include "file_system.h"
#include "output_system.h"
#include "raised_error.h"

// What tests of every layer share: a temporary folder, a file system enumerated and an
// error caught, and the output calls with failures injected.
namespace tolvane::testing {

// A folder of its own for one test, removed with everything in it afterwards.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("tolvane-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    // Creates a file (and its folders) holding `bytes` bytes.
    std::filesystem::path file(const std::string& relative, std::size_t bytes = 0) const {
        const std::filesystem::path full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream out(full, std::ios::binary);
        out << std::string(bytes, 'x');
        return full;
    }

    std::filesystem::path folder(const std::string& relative) const {
        const std::filesystem::path full = path_ / relative;
        std::filesystem::create_directories(full);
        return full;
    }

  private:
    std::filesystem::path path_;
};

// Reads a whole file as bytes.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets a file's last write time to a local date and time.
inline void setModified(const std::filesystem::path& path, const DateTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    const auto seconds = std::chrono::seconds(std::mktime(&tm));
    const auto system = std::chrono::system_clock::time_point(seconds);
    std::filesystem::last_write_time(path,
                                     std::filesystem::file_time_type::clock::from_sys(system));
}

#ifndef _WIN32
// A workbook as openpyxl reads it (tests/support/read_workbook.py), or why it could not.
inline std::string readWorkbook(const std::filesystem::path& path) {
    FILE* pipe = ::popen(
        (TOLVANE_PYTHON " " TOLVANE_READ_WORKBOOK " '" + path.string() + "' 2>&1").c_str(), "r");
    std::string text;
    for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    return pipe != nullptr && ::pclose(pipe) == 0 ? text : "failed: " + text;
}
#endif

// Every name of one enumeration, in the file system's order or sorted.
inline std::vector<std::string> enumerate(FileSystem& fs, const std::string& pattern,
                                          std::uint32_t mask, bool sorted = false) {
    std::vector<std::string> names;
    for (std::string name = fs.startEnumeration(pattern, mask); !name.empty();
         name = fs.nextName()) {
        names.push_back(name);
    }
    if (sorted) {
        std::sort(names.begin(), names.end());
    }
    return names;
}

// "number: description" of the RaisedError that `call` raises, with "source: " before it
// when `withSource`, or "nothing raised".
template <typename Call>
std::string raisedBy(Call call, bool withSource = false) {
    try {
        call();
    } catch (const RaisedError& error) {
        return (withSource ? error.source() + ": " : "") + std::to_string(error.number()) + ": " +
               error.description();
    }
    return "nothing raised";
}

// The running system's output calls with failures injected: errno `error` from the `nth`
// call (counting from 1) of one kind, which then does nothing, except that a failing close
// still releases the descriptor. Writes can be cut short to `mostPerWrite` bytes each.
class FailingOutputSystem : public OutputSystem {
  public:
    enum Call { kOpen, kWrite, kTruncate, kClose };
    struct Failure {
        Call call = kOpen;
        int nth = 0;
        int error = 0;
    };

    explicit FailingOutputSystem(std::vector<Failure> failures = {},
                                 std::size_t mostPerWrite = std::numeric_limits<std::size_t>::max())
        : failures_(std::move(failures)), mostPerWrite_(mostPerWrite) {}

    int open(const char* path) override {
        const int descriptor = fails(kOpen) ? -1 : real().open(path);
        descriptorsOpen += descriptor >= 0 ? 1 : 0;
        return descriptor;
    }
    int isRegularFile(int descriptor) override { return real().isRegularFile(descriptor); }
    int setBlocking(int descriptor) override { return real().setBlocking(descriptor); }
    int truncate(int descriptor, std::int64_t size) override {
        return fails(kTruncate) ? -1 : real().truncate(descriptor, size);
    }
    std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) override {
        return fails(kWrite) ? -1 : real().write(descriptor, data, std::min(size, mostPerWrite_));
    }
    int close(int descriptor) override {
        --descriptorsOpen;
        const int result = real().close(descriptor);
        return fails(kClose) ? -1 : result;
    }
    int remove(const char* path) override { return real().remove(path); }

    int calls[4] = {};
    int descriptorsOpen = 0;

  private:
    static OutputSystem& real() { return nativeOutputSystem(); }

    bool fails(Call call) {
        ++calls[call];
        for (const Failure& failure : failures_) {
            if (failure.call == call && failure.nth == calls[call]) {
                errno = failure.error;
                return true;
            }
        }
        return false;
    }

    std::vector<Failure> failures_;
    std::size_t mostPerWrite_;
};

}  // namespace tolvane::testing
