#include "folder_path.h"

#include <filesystem>

#include "ascii_text.h"
#include "path_separator.h"

namespace tolvane {

std::string absoluteFolderPath(const std::string& path) {
    std::filesystem::path result(path);
    if (result.is_relative()) {
        std::error_code ignored;
        // Without a current folder a relative path can only mean the root.
        std::filesystem::path base = std::filesystem::current_path(ignored);
        result =
            (base.empty() ? std::filesystem::path(std::string(1, kPathSeparator)) : base) / result;
    }
    const std::filesystem::path normal = result.lexically_normal();
    std::string text = normal.string();
    const std::size_t rootLength = normal.root_path().string().size();
    while (text.size() > rootLength && text.back() == kPathSeparator) {
        text.pop_back();
    }
#ifdef _WIN32
    // One spelling of a drive letter, so that paths and drives compare as texts.
    if (text.size() > 1 && text[1] == ':') {
        text[0] = asciiUpper(text[0]);
    }
#endif
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

std::string parentFolder(const std::string& folder) {
    const std::filesystem::path path(folder);
    return path.has_relative_path() ? path.parent_path().string() : folder;
}

}  // namespace tolvane
