#pragma once

#include "registry_api.h"

namespace tolvane {

// The time functions of the registry store off Windows: what FileTimeToLocalFileTime and
// FileTimeToSystemTime do there, and the clock that stamps a key's last write.

// Now, as a UTC time stamp.
FileTime fileTimeNow();

// The UTC time stamp moved by the offset of the user's time zone (TZ, else the system's)
// at that very moment, so a time stamp from summer reads as summer time. False when the
// time is outside what the C library can convert.
bool fileTimeToLocal(const FileTime& utc, FileTime& local);

// The calendar fields of a time stamp, with no time-zone change. False for a time stamp at
// or beyond 2^63, like the Win32 function.
bool fileTimeToCalendar(const FileTime& time, SystemTime& fields);

}  // namespace tolvane
