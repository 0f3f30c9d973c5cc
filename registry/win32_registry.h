#pragma once

#include "registry_api.h"

namespace tolvane {

// The real registry and time functions of Windows behind the registry port: each call
// goes to the wide (W) form of its advapi32 namesake, or to its kernel32 namesake, and its
// result and out values come back as the system gave them. The port's texts (key paths,
// value and class names, text data) are the program's UTF-8, handed over as UTF-16, so
// that a name or value comes back exactly whatever the ANSI code page holds; a text the
// code page does hold is stored exactly as the 8-bit (A) forms stored it. Sizes of text
// data count its UTF-8 bytes.
//
// A key handle travels as the 32-bit number the port keeps, which holds an HKEY only on
// 32-bit Windows; this class is built for that target alone.
class Win32Registry : public RegistryApi {
  public:
    RegistryStatus RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey, std::uint32_t ulOptions,
                                 std::uint32_t samDesired, RegistryHandle* phkResult) override;
    RegistryStatus RegCreateKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                   std::uint32_t Reserved, const char* lpClass,
                                   std::uint32_t dwOptions, std::uint32_t samDesired,
                                   const void* lpSecurityAttributes, RegistryHandle* phkResult,
                                   std::uint32_t* lpdwDisposition) override;
    RegistryStatus RegCloseKey(RegistryHandle hKey) override;
    RegistryStatus RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) override;
    RegistryStatus RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                    std::uint32_t* lpReserved, std::uint32_t* lpType,
                                    std::uint8_t* lpData, std::uint32_t* lpcbData) override;
    RegistryStatus RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                  std::uint32_t Reserved, std::uint32_t dwType,
                                  const std::uint8_t* lpData, std::uint32_t cbData) override;
    RegistryStatus RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) override;
    RegistryStatus RegQueryInfoKeyA(RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass,
                                    std::uint32_t* lpReserved, std::uint32_t* lpcSubKeys,
                                    std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
                                    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen,
                                    std::uint32_t* lpcbMaxValueLen,
                                    std::uint32_t* lpcbSecurityDescriptor,
                                    FileTime* lpftLastWriteTime) override;
    bool FileTimeToLocalFileTime(const FileTime* lpFileTime, FileTime* lpLocalFileTime) override;
    bool FileTimeToSystemTime(const FileTime* lpFileTime, SystemTime* lpSystemTime) override;
};

}  // namespace tolvane
