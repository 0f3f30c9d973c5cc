#include "win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "win32_text.h"

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

// A text of the port (UTF-8, or null) as the W functions take it.
class WideArgument {
  public:
    explicit WideArgument(const char* text)
        : null_(text == nullptr), text_(text != nullptr ? wideFromUtf8(text) : std::wstring()) {}
    const wchar_t* get() const { return null_ ? nullptr : text_.c_str(); }

  private:
    bool null_;
    std::wstring text_;
};

bool isText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

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
    const LSTATUS status = ::RegOpenKeyExW(keyOf(hKey), WideArgument(lpSubKey).get(), ulOptions,
                                           samDesired, phkResult != nullptr ? &result : nullptr);
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
    WideArgument keyClass(lpClass);
    // The Win32 prototype takes the class and the security attributes as non-const; it
    // only reads them.
    const LSTATUS status = ::RegCreateKeyExW(
        keyOf(hKey), WideArgument(lpSubKey).get(), Reserved, const_cast<wchar_t*>(keyClass.get()),
        dwOptions, samDesired,
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
    return ::RegDeleteKeyW(keyOf(hKey), WideArgument(lpSubKey).get());
}

RegistryStatus Win32Registry::RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                               std::uint32_t* lpReserved, std::uint32_t* lpType,
                                               std::uint8_t* lpData, std::uint32_t* lpcbData) {
    const WideArgument name(lpValueName);
    DwordArgument reserved(lpReserved);
    DWORD type = lpType != nullptr ? *lpType : 0;
    // The data's size first, then the data: a text arrives as UTF-16 and leaves as UTF-8,
    // so the caller's buffer size says nothing about the room the system's answer needs.
    DWORD wideSize = 0;
    LSTATUS status =
        ::RegQueryValueExW(keyOf(hKey), name.get(), reserved.get(), &type, nullptr, &wideSize);
    std::vector<BYTE> data(wideSize + sizeof(wchar_t));
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        wideSize = static_cast<DWORD>(data.size());
        status = ::RegQueryValueExW(keyOf(hKey), name.get(), reserved.get(), &type, data.data(),
                                    &wideSize);
        if (status != ERROR_MORE_DATA) {
            break;
        }
        data.resize(wideSize + sizeof(wchar_t));  // the value grew in between
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    data.resize(wideSize);
    if (isText(type)) {
        const std::string text = utf8FromWide(std::wstring_view(
            reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t)));
        data.assign(text.begin(), text.end());
    }
    if (lpType != nullptr) {
        *lpType = type;
    }
    if (lpcbData == nullptr) {
        return lpData == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    }
    const auto size = static_cast<std::uint32_t>(data.size());
    if (lpData != nullptr && size > *lpcbData) {
        *lpcbData = size;  // the room it needs, as the system tells it
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr) {
        std::copy(data.begin(), data.end(), lpData);
    }
    *lpcbData = size;
    return ERROR_SUCCESS;
}

RegistryStatus Win32Registry::RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                             std::uint32_t Reserved, std::uint32_t dwType,
                                             const std::uint8_t* lpData, std::uint32_t cbData) {
    const WideArgument name(lpValueName);
    if (!isText(dwType) || lpData == nullptr) {
        return ::RegSetValueExW(keyOf(hKey), name.get(), Reserved, dwType, lpData, cbData);
    }
    // The registry keeps a text in UTF-16 whichever function writes it, so a text the code
    // page holds is stored exactly as the 8-bit form stored it, and any other kept whole.
    // It is stored with its terminator, counted or not.
    std::wstring text =
        wideFromUtf8(std::string_view(reinterpret_cast<const char*>(lpData), cbData));
    if (text.empty() || text.back() != L'\0') {
        text.push_back(L'\0');
    }
    return ::RegSetValueExW(keyOf(hKey), name.get(), Reserved, dwType,
                            reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

RegistryStatus Win32Registry::RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) {
    return ::RegDeleteValueW(keyOf(hKey), WideArgument(lpValueName).get());
}

RegistryStatus Win32Registry::RegQueryInfoKeyA(
    RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass, std::uint32_t* lpReserved,
    std::uint32_t* lpcSubKeys, std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen, std::uint32_t* lpcbMaxValueLen,
    std::uint32_t* lpcbSecurityDescriptor, FileTime* lpftLastWriteTime) {
    DwordArgument reserved(lpReserved);
    DwordArgument subKeys(lpcSubKeys);
    DwordArgument maxSubKeyLength(lpcbMaxSubKeyLen);
    DwordArgument maxClassLength(lpcbMaxClassLen);
    DwordArgument values(lpcValues);
    DwordArgument maxValueNameLength(lpcbMaxValueNameLen);
    DwordArgument maxValueLength(lpcbMaxValueLen);
    DwordArgument securityDescriptor(lpcbSecurityDescriptor);
    // A class text is at most 32,767 characters long: room for any, then the caller's
    // limit applied to its UTF-8 form.
    std::wstring keyClass(lpClass != nullptr ? 32768 : 0, L'\0');
    DWORD classLength = static_cast<DWORD>(keyClass.size());
    FILETIME lastWrite = lpftLastWriteTime != nullptr ? toFiletime(*lpftLastWriteTime) : FILETIME{};
    const LSTATUS status =
        ::RegQueryInfoKeyW(keyOf(hKey), lpClass != nullptr ? keyClass.data() : nullptr,
                           lpClass != nullptr ? &classLength : nullptr, reserved.get(),
                           subKeys.get(), maxSubKeyLength.get(), maxClassLength.get(), values.get(),
                           maxValueNameLength.get(), maxValueLength.get(), securityDescriptor.get(),
                           lpftLastWriteTime != nullptr ? &lastWrite : nullptr);
    if (lpftLastWriteTime != nullptr) {
        *lpftLastWriteTime = fromFiletime(lastWrite);
    }
    if (status != ERROR_SUCCESS || lpClass == nullptr) {
        return status;
    }
    const std::string text = utf8FromWide(std::wstring_view(keyClass.data(), classLength));
    if (lpcchClass == nullptr || text.size() + 1 > *lpcchClass) {
        return ERROR_MORE_DATA;
    }
    std::copy(text.begin(), text.end(), lpClass);
    lpClass[text.size()] = '\0';
    *lpcchClass = static_cast<std::uint32_t>(text.size());
    return ERROR_SUCCESS;
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
