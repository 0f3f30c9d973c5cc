#include "win32_error.h"

#include <windows.h>

#include "win32_text.h"

namespace tolvane {

namespace {

std::int32_t numberForWin32Error(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return error_number::kFileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
            return error_number::kPathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return error_number::kPermissionDenied;
        case ERROR_TOO_MANY_OPEN_FILES:
            return error_number::kTooManyFiles;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return error_number::kDiskFull;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return error_number::kBadFileNumber;
        case ERROR_NOT_READY:
        case ERROR_CRC:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
            return error_number::kDeviceIoError;
        default:
            return error_number::kPathFileAccessError;
    }
}

}  // namespace

std::string win32Description(std::uint32_t errorCode) {
    wchar_t text[512];
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       errorCode, 0, text, sizeof text / sizeof text[0], nullptr);
    // The text ends in CR LF (and a space in some languages), which a message box line
    // must not carry.
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) {
        return "System error " + std::to_string(errorCode);
    }
    return utf8FromWide(std::wstring_view(text, length));
}

RaisedError win32Error(std::uint32_t errorCode, const std::string& source) {
    return RaisedError(numberForWin32Error(errorCode), source, win32Description(errorCode));
}

}  // namespace tolvane
