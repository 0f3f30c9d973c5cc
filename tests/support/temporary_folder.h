#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "date_time.h"

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

}  // namespace tolvane::testing
