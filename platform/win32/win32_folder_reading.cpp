#include "win32_folder_reading.h"

#include <windows.h>

#include "file_attributes.h"
#include "reading_failure.h"
#include "win32_calls.h"
#include "win32_error.h"
#include "win32_path.h"
#include "win32_text.h"

namespace tolvane {

namespace {

std::string childPath(const std::string& parent, const char* name) {
    std::string path = parent;
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
        path.push_back('\\');
    }
    return path.append(name);
}

HANDLE findFirst(const std::string& folder, WIN32_FIND_DATAW& data) {
    std::string pattern = folder;
    if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) {
        pattern.push_back('\\');
    }
    pattern.push_back('*');
    const std::wstring search = win32Path(pattern);
    const Win32Calls& calls = win32Calls();
    HANDLE find = calls.findFirstFileEx(search.c_str(), FindExInfoBasic, &data,
                                        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Systems before Windows 7 know neither the basic level nor the large fetch.
        find = calls.findFirstFileEx(search.c_str(), FindExInfoStandard, &data,
                                     FindExSearchNameMatch, nullptr, 0);
    }
    return find;
}

void addEntry(const WIN32_FIND_DATAW& data, FolderEntries& out) {
    constexpr std::uint32_t kKnown = file_attribute::kReadOnly | file_attribute::kHidden |
                                     file_attribute::kSystem | file_attribute::kFolder |
                                     file_attribute::kArchive;
    FolderEntry entry;
    entry.known = true;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.kind = !folder ? EntryKind::File : reparse ? EntryKind::LinkToFolder : EntryKind::Folder;
    entry.attributes = data.dwFileAttributes & kKnown;
    entry.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                           data.nFileSizeLow);
    entry.stamp = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime);
    if (entry.kind == EntryKind::File) {
        // The time zone rule of the file's own date, as Explorer shows it, rather than
        // today's bias: a file does not seem to move by an hour when summer time begins.
        SYSTEMTIME utc{};
        SYSTEMTIME local{};
        if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
            !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
            entry.failure = static_cast<int>(GetLastError());
        } else {
            entry.local = DateTime{local.wYear, local.wMonth,  local.wDay,
                                   local.wHour, local.wMinute, local.wSecond};
        }
    }
    out.add(utf8FromWide(data.cFileName), entry);
}

}  // namespace

RaisedError readingFailure(int failure) {
    return win32Error(static_cast<std::uint32_t>(failure), "FileSystem");
}

bool FolderReading::outOfHandles(int failure) {
    return failure == ERROR_TOO_MANY_OPEN_FILES;
}

int FolderReading::openRoot(const std::string& path, FolderHandle& out) {
    out.path = path;
    return 0;  // a folder that cannot be read fails its reading
}

int FolderReading::openChild(const FolderHandle& parent, const char* name,
                             FolderHandle& out) const {
    out.path = childPath(parent.path, name);
    return 0;
}

int FolderReading::read(const FolderHandle& folder, FolderEntries& out, ReadingScratch& scratch,
                        const std::atomic<bool>& stop) const {
    return readNames(folder, out, scratch,
                     [&stop] { return !stop.load(std::memory_order_relaxed); });
}

int FolderReading::readNames(const FolderHandle& folder, FolderEntries& out,
                             ReadingScratch& scratch, const std::function<bool()>& goOn) const {
    (void)scratch;
    WIN32_FIND_DATAW data{};
    HANDLE find = findFirst(folder.path, data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Nothing in it, not even "." (a root): an empty folder, not a failure.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES
                   ? 0
                   : static_cast<int>(error);
    }
    // A look at Stop every so many entries: a search hands them over in batches.
    constexpr std::size_t kBetweenLooks = 64;
    const Win32Calls& calls = win32Calls();
    int failure = 0;
    for (std::size_t count = 1;; ++count) {
        addEntry(data, out);
        if (count % kBetweenLooks == 0 && goOn && !goOn()) {
            failure = ERROR_CANCELLED;
            break;
        }
        if (!calls.findNextFile(find, &data)) {
            const DWORD error = GetLastError();
            failure = error == ERROR_NO_MORE_FILES ? 0 : static_cast<int>(error);
            break;
        }
    }
    calls.findClose(find);
    return failure;
}

}  // namespace tolvane
