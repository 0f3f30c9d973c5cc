#pragma once

#include <string>

namespace tolvane {

// The folder part of `filename` when `path_file` is true, its file-name part otherwise,
// split at the last native separator; the folder part is "." when there is none. The
// separator's position is a 16-bit number: one at position 32,767 or later raises an
// overflow error.
std::string SplitFilename(const std::string& filename, bool path_file);

}  // namespace tolvane
