#pragma once

#include <string>

namespace tolvane {

// Folder paths as the lists hold them: absolute, without "." or ".." parts, and without
// a trailing separator except for a root itself ("/", "C:\").
std::string absoluteFolderPath(const std::string& path);

// `folder` followed by exactly one separator: the prefix its entries' names are joined to.
std::string folderPrefix(const std::string& folder);

// Whether `path` is `folder` itself or lies somewhere below it (both absolute and normal).
bool isInsideFolder(const std::string& path, const std::string& folder);

// The folder that holds `folder` (absolute and normal); a root is its own parent.
std::string parentFolder(const std::string& folder);

// Why `path` cannot be used as a folder: empty when it names a folder that can be
// reached, otherwise the system's description of what stands in the way. A drive whose
// root fails this cannot be used.
std::string folderProblem(const std::string& path);

}  // namespace tolvane
