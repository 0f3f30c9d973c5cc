#include <windows.h>

#include "folder_path.h"
#include "win32_error.h"
#include "win32_text.h"

namespace tolvane {

std::string folderProblem(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A drive without its medium says "The device is not ready." here. A folder that is
        // not there is a path not found: the system's "file not found" would call it a file.
        const DWORD error = ::GetLastError();
        return win32Description(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? std::string()
                                                        : win32Description(ERROR_DIRECTORY);
}

}  // namespace tolvane
