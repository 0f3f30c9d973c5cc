#include "c_registry.h"

#include <algorithm>
#include <cstdio>

#include "raised_error.h"

namespace tolvane {

namespace {

// Every open and create asks for READ_CONTROL, KEY_QUERY_VALUE and KEY_SET_VALUE.
constexpr std::uint32_t kAccess =
    registry_access::kReadControl | registry_access::kQueryValue | registry_access::kSetValue;
constexpr std::uint32_t kOpenOptions = 0;
constexpr std::uint32_t kCreateOptions = 0;  // REG_OPTION_NON_VOLATILE: the key persists
// A value is read first into a buffer of this size, which holds every setting but a long
// path or comment; a longer one is read again into a buffer of its own size.
constexpr std::uint32_t kReadBufferSize = 255;
constexpr std::uint32_t kClassBufferSize = 255;

[[noreturn]] void raise(const char* operation, const std::string& description) {
    throw RaisedError(CRegistry::kErrorNumber, std::string("CRegistry:") + operation, description);
}

// ERROR_ACCESS_DENIED: the key may not be opened with the rights asked for.
constexpr RegistryStatus kAccessDenied = 5;

// A leading "\" goes (one only) and "/" becomes "\"; case, spaces and doubled or
// trailing separators stay as given. The order matters: a leading "/" becomes a leading
// "\" that reaches the store.
std::string normalisedPath(const std::string& path) {
    std::string normalised = !path.empty() && path.front() == '\\' ? path.substr(1) : path;
    std::replace(normalised.begin(), normalised.end(), '/', '\\');
    return normalised;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads "month/day/year hour:minute:second" as a date-time in the range of the program's
// date values (years 100 to 9999). Anything else (the all-zero "0/0/0 0:0:0" among it)
// gives the zero date-time.
DateTime dateTimeFromMonthFirstText(const std::string& text) {
    DateTime value;
    int month = 0;
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &month, &day, &year, &hour, &minute,
                    &second, &end) != 6) {
        return DateTime{};
    }
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        return DateTime{};
    }
    value.year = year;
    value.month = month;
    value.day = day;
    value.hour = hour;
    value.minute = minute;
    value.second = second;
    return value;
}

}  // namespace

CRegistry::CRegistry(RegistryApi& registry) : registry_(registry) {}

CRegistry::~CRegistry() {
    Class_Terminate();
}

void CRegistry::Class_Terminate() {
    CloseKey();
}

void CRegistry::OpenKey(RegistryHandle Section, const std::string& strKey, bool blnCreateNew) {
    if (KeyOpen) {
        CloseKey();
    }
    const std::string path = normalisedPath(strKey);

    RegistryHandle handle = 0;
    RegistryStatus status =
        registry_.RegOpenKeyExA(Section, path.c_str(), kOpenOptions, kAccess, &handle);
    if (status != kRegistrySuccess) {
        if (!blnCreateNew) {
            raise("OpenKey", failure(status, "Failed to open key " + path + "."));
        }
        // Only a key that is not there, or not to be opened with these rights, is worth a
        // create. A store that failed (held by another program beyond its timeout, damaged)
        // would fail the create as well, after a second wait as long as the first.
        if (status == kRegistryNotFound || status == kAccessDenied) {
            std::uint32_t disposition = 0;
            handle = 0;
            status = registry_.RegCreateKeyExA(Section, path.c_str(), 0, nullptr, kCreateOptions,
                                               kAccess, nullptr, &handle, &disposition);
        }
        if (status != kRegistrySuccess) {
            raise("OpenKey", failure(status, "Failed to create key " + path + "."));
        }
    }
    // A store that reports success without a handle would break "a key is open exactly
    // while the handle is non-zero"; such a key cannot be used, so it counts as a failure.
    if (handle == 0) {
        raise("OpenKey",
              (blnCreateNew ? "Failed to create key " : "Failed to open key ") + path + ".");
    }
    KeyHandle = handle;
    KeyOpen = true;
    strCurrentKey = path;
    RootKey = Section;
}

void CRegistry::CloseKey() {
    if (KeyHandle == 0) {
        return;
    }
    registry_.RegCloseKey(KeyHandle);
    KeyHandle = 0;
    KeyOpen = false;
    strCurrentKey.clear();
}

void CRegistry::DeleteKey() {
    const std::string path = strCurrentKey;
    CloseKey();
    if (registry_.RegDeleteKeyA(RootKey, path.c_str()) != kRegistrySuccess) {
        raise("DeleteKey", "Failed to delete key " + path + ".");
    }
}

std::string CRegistry::failure(RegistryStatus status, const std::string& description) {
    const std::string cause = registry_.describeFailure(status);
    return cause.empty() ? description : description + " " + cause;
}

RegistryStatus CRegistry::QueryValue(const std::string& strValueName, std::string& buffer,
                                     std::uint32_t& size) {
    buffer.assign(kReadBufferSize, ' ');
    size = kReadBufferSize;
    std::uint32_t type = 0;
    RegistryStatus status =
        registry_.RegQueryValueExA(KeyHandle, strValueName.c_str(), nullptr, &type,
                                   reinterpret_cast<std::uint8_t*>(buffer.data()), &size);
    // What the program stores it reads back, however long: a value that does not fit the
    // buffer is read again into one of the size the store asked for. (A value that grows
    // between the two reads is asked for once more; a third miss is reported as a failure.)
    for (int attempt = 0; status == kRegistryMoreData && size > buffer.size() && attempt < 2;
         ++attempt) {
        buffer.assign(size, ' ');
        status = registry_.RegQueryValueExA(KeyHandle, strValueName.c_str(), nullptr, &type,
                                            reinterpret_cast<std::uint8_t*>(buffer.data()), &size);
    }
    return status;
}

std::string CRegistry::ReadValue(const std::string& strValueName) {
    if (!KeyOpen) {
        raise("ReadValue", "No key is currently open.");
    }
    std::string buffer;
    std::uint32_t size = 0;
    // A size beyond the buffer would be a store's fault; it is not trusted either.
    const RegistryStatus status = QueryValue(strValueName, buffer, size);
    if (status != kRegistrySuccess || size > buffer.size()) {
        raise("ReadValue",
              failure(status, "Failed to read value " + strValueName + " from Registry."));
    }
    // The size counts the terminator, which is dropped. A value of size zero, which
    // WriteValue never stores, leaves nothing to drop.
    if (size == 0) {
        throw RaisedError(kInvalidArgumentNumber, "CRegistry:ReadValue",
                          "Invalid procedure call or argument");
    }
    return buffer.substr(0, size - 1);
}

bool CRegistry::ValueExists(const std::string& strValueName) {
    if (!KeyOpen) {
        raise("ReadValue", "No key is currently open.");
    }
    std::string buffer;
    std::uint32_t size = 0;
    const RegistryStatus status = QueryValue(strValueName, buffer, size);
    if (status == kRegistrySuccess) {
        return true;
    }
    if (status == kRegistryNotFound) {
        return false;
    }
    // A store that could not answer (busy beyond its timeout, an I/O error, a damaged
    // file) says nothing about the value; taking that for "missing" would let a caller
    // put a default in its place and later store that default over the real value.
    raise("ReadValue", failure(status, "Failed to read value " + strValueName + " from Registry."));
}

void CRegistry::WriteValue(const std::string& strValueName, const std::string& strNewValue) {
    if (!KeyOpen) {
        raise("WriteValue", "No key is currently open.");
    }
    const std::string bytes = strNewValue.empty() ? " " : strNewValue;
    if (const RegistryStatus status =
            registry_.RegSetValueExA(KeyHandle, strValueName.c_str(), 0, registry_type::kText,
                                     reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     static_cast<std::uint32_t>(bytes.size()));
        status != kRegistrySuccess) {
        raise("WriteValue",
              failure(status, "Failed to write new value to " + strValueName + " from Registry."));
    }
}

void CRegistry::WriteValues(const std::vector<std::pair<std::string, std::string>>& values) {
    if (!KeyOpen) {
        raise("WriteValue", "No key is currently open.");
    }
    if (values.empty()) {
        return;
    }
    // The first write's message stands for a bracket that cannot even begin.
    const std::string firstFailure =
        "Failed to write new value to " + values.front().first + " from Registry.";
    if (const RegistryStatus status = registry_.beginChanges(); status != kRegistrySuccess) {
        raise("WriteValue", failure(status, firstFailure));
    }
    try {
        for (const auto& [name, text] : values) {
            WriteValue(name, text);
        }
    } catch (...) {
        registry_.endChanges(false);
        throw;
    }
    if (const RegistryStatus status = registry_.endChanges(true); status != kRegistrySuccess) {
        raise("WriteValue", failure(status, "Failed to write new value to " + values.back().first +
                                                " from Registry."));
    }
}

void CRegistry::DeleteValue(const std::string& strValueName) {
    if (!KeyOpen) {
        raise("DeleteValue", "No key is currently open.");
    }
    if (registry_.RegDeleteValueA(KeyHandle, strValueName.c_str()) != kRegistrySuccess) {
        raise("DeleteValue", "Failed to delete value " + strValueName + " from Registry.");
    }
}

void CRegistry::RefreshKeyInfo() {
    // No test of KeyOpen: with no key open the handle is 0 and the store refuses it.
    std::string classBuffer(kClassBufferSize, ' ');
    std::uint32_t classLength = kClassBufferSize;
    std::uint32_t subKeys = 0;
    std::uint32_t maxSubkeyNameLength = 0;
    std::uint32_t maxClassNameLength = 0;
    std::uint32_t values = 0;
    std::uint32_t maxValueNameLength = 0;
    std::uint32_t maxValueLength = 0;
    std::uint32_t securityDescriptor = 0;
    FileTime lastWrite;
    if (registry_.RegQueryInfoKeyA(KeyHandle, classBuffer.data(), &classLength, nullptr, &subKeys,
                                   &maxSubkeyNameLength, &maxClassNameLength, &values,
                                   &maxValueNameLength, &maxValueLength, &securityDescriptor,
                                   &lastWrite) != kRegistrySuccess ||
        classLength >= kClassBufferSize) {
        raise("RefreshKeyInfo", "Failed to retrieve key information.");
    }
    // Written only after the query succeeded, so a failed one leaves the last good values.
    strKeyClass = classBuffer.substr(0, classLength);
    lngSubKeys = static_cast<std::int32_t>(subKeys);
    lngMaxSubkeyNameLength = static_cast<std::int32_t>(maxSubkeyNameLength);
    lngMaxClassNameLength = static_cast<std::int32_t>(maxClassNameLength);
    lngValues = static_cast<std::int32_t>(values);
    lngMaxValueNameLength = static_cast<std::int32_t>(maxValueNameLength);
    lngMaxValueLength = static_cast<std::int32_t>(maxValueLength);
    lngSecurityDescriptor = static_cast<std::int32_t>(securityDescriptor);
    LastWriteFileTime = lastWrite;
}

std::string CRegistry::KeyClass() {
    RefreshKeyInfo();
    return strKeyClass;
}

std::int32_t CRegistry::NumOfSubKeys() {
    RefreshKeyInfo();
    return lngSubKeys;
}

std::int32_t CRegistry::MaxSubkeyNameLength() {
    RefreshKeyInfo();
    return lngMaxSubkeyNameLength;
}

std::int32_t CRegistry::MaxClassNameLength() {
    RefreshKeyInfo();
    return lngMaxClassNameLength;
}

std::int32_t CRegistry::NumOfValues() {
    RefreshKeyInfo();
    return lngValues;
}

std::int32_t CRegistry::MaxValueNameLength() {
    RefreshKeyInfo();
    return lngMaxValueNameLength;
}

std::int32_t CRegistry::MaxValueLength() {
    RefreshKeyInfo();
    return lngMaxValueLength;
}

std::int32_t CRegistry::SecurityDescriptor() {
    RefreshKeyInfo();
    return lngSecurityDescriptor;
}

DateTime CRegistry::LastWriteTime() {
    try {
        RefreshKeyInfo();
    } catch (const RaisedError&) {
        // The time stamp of the last successful refresh stands.
    }
    FileTime localTime;
    SystemTime fields;  // all zeros unless the conversion fills it
    // A zero time stamp was never fetched: converting it would give a day in 1601 that
    // no key was ever written on, so it stays all zeros and reads as the zero date-time.
    if (LastWriteFileTime.ticks() != 0) {
        registry_.FileTimeToLocalFileTime(&LastWriteFileTime, &localTime);
        registry_.FileTimeToSystemTime(&localTime, &fields);
    }
    const std::string text = std::to_string(fields.wMonth) + "/" + std::to_string(fields.wDay) +
                             "/" + std::to_string(fields.wYear) + " " +
                             std::to_string(fields.wHour) + ":" + std::to_string(fields.wMinute) +
                             ":" + std::to_string(fields.wSecond);
    return dateTimeFromMonthFirstText(text);
}

}  // namespace tolvane
