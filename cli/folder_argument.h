#pragma once

#include <string>

namespace tolvane {

// FOLDER as the window's folder list would report it, which is what the listing's
// "Directory" field shows: a root keeps its separator ("/", "C:\"), any other folder
// loses its trailing ones. On Windows "/" becomes "\". A relative FOLDER stays relative.
std::string folderListPath(std::string folder);

// Why `path` cannot be listed as FOLDER: empty when it names a folder (following symbolic
// links), whether or not it can be read; otherwise what the system said when it was looked
// up ("File name too long", "No such file or directory"), or "not a folder". Reading it is
// the run's business, whose failure is a folder that could not be read.
std::string folderArgumentProblem(const std::string& path);

}  // namespace tolvane
