#include "folder_path.h"

#include <filesystem>

#include "path_separator.h"

namespace tolvane {

std::string absoluteFolderPath(const std::string& path) {
    std::filesystem::path result(path);
    if (result.is_relative()) {
        std::error_code ignored;
        // Without a current folder a relative path can only mean the root.
        std::filesystem::path base = std::filesystem::current_path(ignored);
        result = (base.empty() ? std::filesystem::path(std::string(1, kPathSeparator)) : base) / result;
    }
    std::string text = result.lexically_normal().string();
    while (text.size() > 1 && text.back() == kPathSeparator) {
        text.pop_back();
    }
    return text;
}

std::string folderPrefix(const std::string& folder) {
    if (!folder.empty() && folder.back() == kPathSeparator) {
        return folder;
    }
    return folder + kPathSeparator;
}

bool isInsideFolder(const std::string& path, const std::string& folder) {
    if (path == folder) {
        return true;
    }
    const std::string prefix = folderPrefix(folder);
    return path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace tolvane
