#include "folder_argument.h"

#include <algorithm>

#include "path_separator.h"

#ifdef _WIN32
#include <filesystem>

#include "win32_text.h"
#else
#include <sys/stat.h>
#endif

namespace tolvane {

std::string folderListPath(std::string folder) {
#ifdef _WIN32
    std::replace(folder.begin(), folder.end(), '/', kPathSeparator);
    // "C:\" is a root; the separator of "C:\Data\" goes.
    const std::size_t rootLength = folder.size() >= 2 && folder[1] == ':' ? 3 : 1;
#else
    const std::size_t rootLength = 1;
#endif
    while (folder.size() > rootLength && folder.back() == kPathSeparator) {
        folder.pop_back();
    }
    return folder;
}

bool isFolder(const std::string& path) {
#ifdef _WIN32
    std::error_code failed;
    return std::filesystem::is_directory(std::filesystem::path(wideFromUtf8(path)), failed);
#else
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

}  // namespace tolvane
