#include <sys/stat.h>

#include <cerrno>

#include "folder_path.h"
#include "raised_error.h"

namespace tolvane {

std::string folderProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return systemDescription(errno);
    }
    return S_ISDIR(info.st_mode) ? std::string() : systemDescription(ENOTDIR);
}

}  // namespace tolvane
