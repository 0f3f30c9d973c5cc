#include "raised_error.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tolvane {

RaisedError::RaisedError(std::int32_t number, std::string source, std::string description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

std::string systemDescription(int errnoValue) {
    return std::strerror(errnoValue);
}

namespace {

std::int32_t numberForErrno(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
            return error_number::kFileNotFound;
        case ENOTDIR:
            return error_number::kPathNotFound;
        case EACCES:
        case EPERM:
            return error_number::kPermissionDenied;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return error_number::kDiskFull;
        case EIO:
            return error_number::kDeviceIoError;
        case EMFILE:
        case ENFILE:
            return error_number::kTooManyFiles;
        default:
            return error_number::kPathFileAccessError;
    }
}

}  // namespace

RaisedError systemError(int errnoValue, const std::string& source) {
    return RaisedError(numberForErrno(errnoValue), source, systemDescription(errnoValue));
}

}  // namespace tolvane
