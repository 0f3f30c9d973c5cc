#include "win32_registry.h"

#include <windows.h>

#include <cstdint>

namespace tolvane {

namespace {

static_assert(sizeof(HKEY) == sizeof(RegistryHandle),
              "a key handle must fit the 32-bit number the registry port keeps: build for "
              "32-bit Windows");

HKEY keyOf(RegistryHandle handle) {
    return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(handle));
}

RegistryHandle handleOf(HKEY key) {
    return static_cast<RegistryHandle>(reinterpret_cast<std::uintptr_t>(key));
}

// An in/out DWORD for a std::uint32_t the caller may leave null (DWORD is unsigned long
// here, a type of its own): it starts with the caller's value and copies back whatever the
// system left in it, so null stays null and nothing is written that the system did not.
class DwordArgument {
  public:
    explicit DwordArgument(std::uint32_t* target)
        : target_(target), value_(target != nullptr ? *target : 0) {}
    ~DwordArgument() {
        if (target_ != nullptr) {
            *target_ = static_cast<std::uint32_t>(value_);
        }
    }
    DwordArgument(const DwordArgument&) = delete;
    DwordArgument& operator=(const DwordArgument&) = delete;

    DWORD* get() { return target_ != nullptr ? &value_ : nullptr; }

  private:
    std::uint32_t* target_;
    DWORD value_;
};

FILETIME toFiletime(const FileTime& time) {
    return FILETIME{time.dwLowDateTime, time.dwHighDateTime};
}

FileTime fromFiletime(const FILETIME& time) {
    return FileTime{time.dwLowDateTime, time.dwHighDateTime};
}

}  // namespace

RegistryStatus Win32Registry::RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                            std::uint32_t ulOptions, std::uint32_t samDesired,
                                            RegistryHandle* phkResult) {
    HKEY result = nullptr;
    const LSTATUS status = ::RegOpenKeyExA(keyOf(hKey), lpSubKey, ulOptions, samDesired,
                                           phkResult != nullptr ? &result : nullptr);
    if (status == ERROR_SUCCESS && phkResult != nullptr) {
        *phkResult = handleOf(result);
    }
    return status;
}

RegistryStatus Win32Registry::RegCreateKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                              std::uint32_t Reserved, const char* lpClass,
                                              std::uint32_t dwOptions, std::uint32_t samDesired,
                                              const void* lpSecurityAttributes,
                                              RegistryHandle* phkResult,
                                              std::uint32_t* lpdwDisposition) {
    HKEY result = nullptr;
    DwordArgument disposition(lpdwDisposition);
    // The Win32 prototype takes the class and the security attributes as non-const; it
    // only reads them.
    const LSTATUS status = ::RegCreateKeyExA(
        keyOf(hKey), lpSubKey, Reserved, const_cast<char*>(lpClass), dwOptions, samDesired,
        static_cast<SECURITY_ATTRIBUTES*>(const_cast<void*>(lpSecurityAttributes)),
        phkResult != nullptr ? &result : nullptr, disposition.get());
    if (status == ERROR_SUCCESS && phkResult != nullptr) {
        *phkResult = handleOf(result);
    }
    return status;
}

RegistryStatus Win32Registry::RegCloseKey(RegistryHandle hKey) {
    return ::RegCloseKey(keyOf(hKey));
}

RegistryStatus Win32Registry::RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) {
    return ::RegDeleteKeyA(keyOf(hKey), lpSubKey);
}

RegistryStatus Win32Registry::RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                               std::uint32_t* lpReserved, std::uint32_t* lpType,
                                               std::uint8_t* lpData, std::uint32_t* lpcbData) {
    DwordArgument reserved(lpReserved);
    DwordArgument type(lpType);
    DwordArgument size(lpcbData);
    return ::RegQueryValueExA(keyOf(hKey), lpValueName, reserved.get(), type.get(), lpData,
                              size.get());
}

RegistryStatus Win32Registry::RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                             std::uint32_t Reserved, std::uint32_t dwType,
                                             const std::uint8_t* lpData, std::uint32_t cbData) {
    return ::RegSetValueExA(keyOf(hKey), lpValueName, Reserved, dwType, lpData, cbData);
}

RegistryStatus Win32Registry::RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) {
    return ::RegDeleteValueA(keyOf(hKey), lpValueName);
}

RegistryStatus Win32Registry::RegQueryInfoKeyA(
    RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass, std::uint32_t* lpReserved,
    std::uint32_t* lpcSubKeys, std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen, std::uint32_t* lpcbMaxValueLen,
    std::uint32_t* lpcbSecurityDescriptor, FileTime* lpftLastWriteTime) {
    DwordArgument classLength(lpcchClass);
    DwordArgument reserved(lpReserved);
    DwordArgument subKeys(lpcSubKeys);
    DwordArgument maxSubKeyLength(lpcbMaxSubKeyLen);
    DwordArgument maxClassLength(lpcbMaxClassLen);
    DwordArgument values(lpcValues);
    DwordArgument maxValueNameLength(lpcbMaxValueNameLen);
    DwordArgument maxValueLength(lpcbMaxValueLen);
    DwordArgument securityDescriptor(lpcbSecurityDescriptor);
    FILETIME lastWrite = lpftLastWriteTime != nullptr ? toFiletime(*lpftLastWriteTime) : FILETIME{};
    const LSTATUS status =
        ::RegQueryInfoKeyA(keyOf(hKey), lpClass, classLength.get(), reserved.get(), subKeys.get(),
                           maxSubKeyLength.get(), maxClassLength.get(), values.get(),
                           maxValueNameLength.get(), maxValueLength.get(), securityDescriptor.get(),
                           lpftLastWriteTime != nullptr ? &lastWrite : nullptr);
    if (lpftLastWriteTime != nullptr) {
        *lpftLastWriteTime = fromFiletime(lastWrite);
    }
    return status;
}

bool Win32Registry::FileTimeToLocalFileTime(const FileTime* lpFileTime, FileTime* lpLocalFileTime) {
    const FILETIME utc = toFiletime(*lpFileTime);
    FILETIME local = toFiletime(*lpLocalFileTime);
    const BOOL converted = ::FileTimeToLocalFileTime(&utc, &local);
    *lpLocalFileTime = fromFiletime(local);
    return converted != FALSE;
}

bool Win32Registry::FileTimeToSystemTime(const FileTime* lpFileTime, SystemTime* lpSystemTime) {
    const FILETIME time = toFiletime(*lpFileTime);
    SYSTEMTIME fields{lpSystemTime->wYear,   lpSystemTime->wMonth,       lpSystemTime->wDayOfWeek,
                      lpSystemTime->wDay,    lpSystemTime->wHour,        lpSystemTime->wMinute,
                      lpSystemTime->wSecond, lpSystemTime->wMilliseconds};
    const BOOL converted = ::FileTimeToSystemTime(&time, &fields);
    *lpSystemTime =
        SystemTime{fields.wYear, fields.wMonth,  fields.wDayOfWeek, fields.wDay,
                   fields.wHour, fields.wMinute, fields.wSecond,    fields.wMilliseconds};
    return converted != FALSE;
}

}  // namespace tolvane
