#pragma once

// The file system of the system the program is built for.
#ifdef _WIN32
#include "win32_file_system.h"
#else
#include "posix_file_system.h"
#endif

namespace tolvane {

#ifdef _WIN32
using NativeFileSystem = Win32FileSystem;
#else
using NativeFileSystem = PosixFileSystem;
#endif

}  // namespace tolvane
