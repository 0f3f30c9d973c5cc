#include <windows.h>

#include "folder_path.h"
#include "win32_error.h"
#include "win32_text.h"

namespace tolvane {

std::string folderProblem(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A drive without its medium says "The device is not ready." here.
        return win32Description(::GetLastError());
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? std::string()
                                                        : win32Description(ERROR_DIRECTORY);
}

}  // namespace tolvane
