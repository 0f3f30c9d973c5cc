#pragma once

#include <string>

namespace tolvane {

// Folder paths as the lists hold them: absolute, without "." or ".." parts, and without
// a trailing separator except for the root itself.
std::string absoluteFolderPath(const std::string& path);

// `folder` followed by exactly one separator: the prefix its entries' names are joined to.
std::string folderPrefix(const std::string& folder);

// Whether `path` is `folder` itself or lies somewhere below it (both absolute and normal).
bool isInsideFolder(const std::string& path, const std::string& folder);

}  // namespace tolvane
