#include "folder_argument.h"

#include <algorithm>

#include "path_separator.h"

#ifdef _WIN32
#include <filesystem>

#include "win32_text.h"
#else
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
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

std::string folderArgumentProblem(const std::string& path) {
    constexpr char kNotAFolder[] = "not a folder";
#ifdef _WIN32
    std::error_code failed;
    const auto status = std::filesystem::status(std::filesystem::path(wideFromUtf8(path)), failed);
    if (failed) {
        return failed.message();
    }
    return std::filesystem::is_directory(status) ? std::string() : kNotAFolder;
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    return S_ISDIR(info.st_mode) ? std::string() : kNotAFolder;
#endif
}

}  // namespace tolvane
