#pragma once

// Reading folders on the system the program is built for: FolderHandle, ReadingScratch
// and FolderReading, with one interface on every system (see posix_folder_reading.h).
#ifdef _WIN32
#include "win32_folder_reading.h"
#else
#include "posix_folder_reading.h"
#endif
