#include "split_filename.h"

#include <cstdint>
#include <limits>

#include "path_separator.h"
#include "raised_error.h"

namespace tolvane {

std::string SplitFilename(const std::string& filename, bool path_file) {
    const std::size_t found = filename.rfind(kPathSeparator);
    if (found == std::string::npos) {
        return path_file ? std::string(".") : filename;
    }
    // Positions count from 1, and the position after the separator must fit as well.
    constexpr std::size_t kLargest = std::numeric_limits<std::int16_t>::max();
    if (found + 2 > kLargest) {
        throw RaisedError(error_number::kOverflow, "SplitFilename", "Overflow");
    }
    return path_file ? filename.substr(0, found) : filename.substr(found + 1);
}

}  // namespace tolvane
