#pragma once

#include "raised_error.h"

namespace tolvane {

// Raised when lines could not be stored in an output file (disk full, file too large, I/O
// error); the file then ends with its last whole line. It is kept apart from other
// failures because nothing written after it can reach the file: no handler may carry on
// as if it were a failure to read one entry.
class WriteFailure : public RaisedError {
  public:
    using RaisedError::RaisedError;
};

}  // namespace tolvane
