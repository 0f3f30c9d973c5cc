#pragma once

#include <string>

namespace tolvane {

// FOLDER as the window's folder list would report it, which is what the listing's
// "Directory" field shows: a root keeps its separator ("/", "C:\"), any other folder
// loses its trailing ones. On Windows "/" becomes "\". A relative FOLDER stays relative.
std::string folderListPath(std::string folder);

// Whether `path` names a folder (following symbolic links).
bool isFolder(const std::string& path);

}  // namespace tolvane
