#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tolvane {

// What a caught failure tells the user: its number, the source that raised it and its
// description. A RaisedError gives all three; any other exception only a description.
struct FailureReport {
    std::int32_t number = 0;
    std::string source;
    std::string description;
};

// Never throws, whatever `failure` holds.
FailureReport reportOf(std::exception_ptr failure) noexcept;

// A system's sentence about `path` ("Access denied.") with the path it concerns:
// "Access denied: Z:\\Data".
std::string namingPath(const std::string& words, const std::string& path);

}  // namespace tolvane
