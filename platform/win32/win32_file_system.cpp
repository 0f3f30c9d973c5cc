#include "win32_file_system.h"

#include <windows.h>

#include "file_attributes.h"
#include "win32_calls.h"
#include "win32_error.h"
#include "win32_path.h"
#include "win32_text.h"

namespace tolvane {

namespace {

constexpr char kSource[] = "FileSystem";

}  // namespace

struct Win32FileSystem::Find {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
};

Win32FileSystem::Win32FileSystem() : find_(std::make_unique<Find>()) {}

Win32FileSystem::~Win32FileSystem() {
    closeFind();
}

void Win32FileSystem::closeFind() {
    if (find_->handle != INVALID_HANDLE_VALUE) {
        win32Calls().findClose(find_->handle);
        find_->handle = INVALID_HANDLE_VALUE;
    }
    currentName_.clear();
}

bool Win32FileSystem::returnedByMask(std::uint32_t attributes, std::uint32_t attributeMask) {
    constexpr std::uint32_t kSelecting =
        file_attribute::kHidden | file_attribute::kSystem | file_attribute::kFolder;
    if ((attributes & kSelecting & ~attributeMask) != 0) {
        return false;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

std::string Win32FileSystem::startEnumeration(const std::string& pattern,
                                              std::uint32_t attributeMask) {
    closeFind();
    mask_ = attributeMask;
    const std::size_t separator = pattern.find_last_of("\\/");
    folderPrefix_ =
        separator == std::string::npos ? std::string() : pattern.substr(0, separator + 1);

    // A bare folder prefix names every entry of the folder, which the system spells "*".
    std::string search = pattern;
    if (search.empty() || search.back() == '\\' || search.back() == '/' || search.back() == ':') {
        search.push_back('*');
    }
    find_->handle = win32Calls().findFirstFileEx(win32Path(search).c_str(), FindExInfoBasic,
                                                 &find_->data, FindExSearchNameMatch, nullptr, 0);
    if (find_->handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Nothing matches: an empty result, not a failure. A missing folder is a failure.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
            return std::string();
        }
        throw win32Error(error, kSource);
    }
    return advanceToMatch(true);
}

std::string Win32FileSystem::nextName() {
    if (find_->handle == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    return advanceToMatch(false);
}

std::string Win32FileSystem::advanceToMatch(bool haveData) {
    WIN32_FIND_DATAW& data = find_->data;
    for (;;) {
        if (!haveData && !win32Calls().findNextFile(find_->handle, &data)) {
            const DWORD error = GetLastError();
            closeFind();
            if (error == ERROR_NO_MORE_FILES) {
                return std::string();
            }
            throw win32Error(error, kSource);
        }
        haveData = false;
        if (returnedByMask(data.dwFileAttributes, mask_)) {
            currentName_ = utf8FromWide(data.cFileName);
            currentAttributes_ = data.dwFileAttributes;
            return currentName_;
        }
    }
}

std::uint32_t Win32FileSystem::attributesOf(const std::string& fullPath) {
    if (!currentName_.empty() && fullPath.size() == folderPrefix_.size() + currentName_.size() &&
        fullPath.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
        fullPath.compare(folderPrefix_.size(), std::string::npos, currentName_) == 0) {
        return currentAttributes_;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win32Path(fullPath).c_str(), GetFileExInfoStandard, &data)) {
        throw win32Error(GetLastError(), kSource);
    }
    return data.dwFileAttributes;
}

std::uint32_t Win32FileSystem::fileAttributes(const std::string& fullPath) {
    return knownAttributes(attributesOf(fullPath));
}

std::uint32_t Win32FileSystem::knownAttributes(std::uint32_t attributes) {
    // Only the bits the program knows; "normal", "compressed" and the like mean nothing
    // to it.
    constexpr std::uint32_t kKnown = file_attribute::kReadOnly | file_attribute::kHidden |
                                     file_attribute::kSystem | file_attribute::kFolder |
                                     file_attribute::kArchive;
    return attributes & kKnown;
}

}  // namespace tolvane
