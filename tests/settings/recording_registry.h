#pragma once

#include <string>
#include <vector>

#include "registry_api.h"

namespace tolvane::testing {

// Passes every call on to a real registry and notes what CRegistry asked of it, so a test
// can see the order of the writes, what was closed, and make one chosen write fail.
class RecordingRegistry : public RegistryApi {
  public:
    explicit RecordingRegistry(RegistryApi& inner) : inner_(inner) {}

    std::vector<std::string> calls;     // "Open Software\\X", "Set Name=Text", "Close", ...
    std::vector<std::string> setNames;  // the value names written, in order
    int openHandles = 0;
    std::string failSetOf;          // a value name whose write is refused
    bool replaceLastWrite = false;  // report lastWrite instead of the stored time stamp
    FileTime lastWrite;

    RegistryStatus RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey, std::uint32_t ulOptions,
                                 std::uint32_t samDesired, RegistryHandle* phkResult) override {
        calls.push_back(std::string("Open ") + lpSubKey);
        return counted(inner_.RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult));
    }
    RegistryStatus RegCreateKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                   std::uint32_t Reserved, const char* lpClass,
                                   std::uint32_t dwOptions, std::uint32_t samDesired,
                                   const void* lpSecurityAttributes, RegistryHandle* phkResult,
                                   std::uint32_t* lpdwDisposition) override {
        calls.push_back(std::string("Create ") + lpSubKey);
        return counted(inner_.RegCreateKeyExA(hKey, lpSubKey, Reserved, lpClass, dwOptions,
                                              samDesired, lpSecurityAttributes, phkResult,
                                              lpdwDisposition));
    }
    RegistryStatus RegCloseKey(RegistryHandle hKey) override {
        calls.push_back("Close");
        const RegistryStatus status = inner_.RegCloseKey(hKey);
        openHandles -= status == kRegistrySuccess ? 1 : 0;
        return status;
    }
    RegistryStatus RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) override {
        calls.push_back("Delete " + std::to_string(hKey) + " " + lpSubKey);
        return inner_.RegDeleteKeyA(hKey, lpSubKey);
    }
    RegistryStatus RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                    std::uint32_t* lpReserved, std::uint32_t* lpType,
                                    std::uint8_t* lpData, std::uint32_t* lpcbData) override {
        calls.push_back(std::string("Query ") + lpValueName);
        return inner_.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
    }
    RegistryStatus RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                  std::uint32_t Reserved, std::uint32_t dwType,
                                  const std::uint8_t* lpData, std::uint32_t cbData) override {
        calls.push_back(std::string("Set ") + lpValueName);
        setNames.push_back(lpValueName);
        if (failSetOf == lpValueName) {
            return 1016;
        }
        return inner_.RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
    }
    RegistryStatus RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) override {
        return inner_.RegDeleteValueA(hKey, lpValueName);
    }
    RegistryStatus RegQueryInfoKeyA(RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass,
                                    std::uint32_t* lpReserved, std::uint32_t* lpcSubKeys,
                                    std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
                                    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen,
                                    std::uint32_t* lpcbMaxValueLen,
                                    std::uint32_t* lpcbSecurityDescriptor,
                                    FileTime* lpftLastWriteTime) override {
        const RegistryStatus status = inner_.RegQueryInfoKeyA(
            hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen,
            lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
            lpftLastWriteTime);
        if (status == kRegistrySuccess && replaceLastWrite) {
            *lpftLastWriteTime = lastWrite;
        }
        return status;
    }
    bool FileTimeToLocalFileTime(const FileTime* lpFileTime, FileTime* lpLocalFileTime) override {
        return inner_.FileTimeToLocalFileTime(lpFileTime, lpLocalFileTime);
    }
    bool FileTimeToSystemTime(const FileTime* lpFileTime, SystemTime* lpSystemTime) override {
        return inner_.FileTimeToSystemTime(lpFileTime, lpSystemTime);
    }

  private:
    RegistryStatus counted(RegistryStatus status) {
        openHandles += status == kRegistrySuccess ? 1 : 0;
        return status;
    }

    RegistryApi& inner_;
};

}  // namespace tolvane::testing
