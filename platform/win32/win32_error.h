#pragma once

#include <cstdint>
#include <string>

#include "raised_error.h"

namespace tolvane {

// The error that a Win32 call left in GetLastError(), numbered as the other platform
// errors are, with the system's own description (FormatMessage, in the user's language).
RaisedError win32Error(std::uint32_t errorCode, const std::string& source);

// The system's description of a Win32 error code, without the line end it comes with.
std::string win32Description(std::uint32_t errorCode);

}  // namespace tolvane
