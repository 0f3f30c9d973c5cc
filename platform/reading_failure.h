#pragma once

#include "raised_error.h"

namespace tolvane {

// The failure a folder reading handed over as a number (errno on POSIX systems, a Win32
// error code on Windows), with the system's own description, as the walker reports it.
RaisedError readingFailure(int failure);

}  // namespace tolvane
