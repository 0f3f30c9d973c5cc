#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tolvane {

// A failure carried to the caller: a 32-bit number, the source that raised it and a
// description for the user. Procedures that trap catch it; the others let it travel.
class RaisedError : public std::exception {
  public:
    RaisedError(std::int32_t number, std::string source, std::string description);

    std::int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// The error numbers the platform layer raises, after the runtime errors of the program's
// original platform, so that a number means the same thing on every system.
namespace error_number {
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kBadFileNumber = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kFileAlreadyOpen = 55;
inline constexpr std::int32_t kDeviceIoError = 57;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kTooManyFiles = 67;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
}  // namespace error_number

// The error that an operating-system call left in errno, with the system's own description
// ("Permission denied", "No such file or directory").
RaisedError systemError(int errnoValue, const std::string& source);

// The system's description of an errno value.
std::string systemDescription(int errnoValue);

}  // namespace tolvane
